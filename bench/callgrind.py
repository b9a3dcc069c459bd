#!/usr/bin/env python3
"""Counts the instructions that each interpreter executes per innermost iteration of the
loop workloads, with callgrind, and prints one table: moxa beside its peers. For the scan
workload (straight-line code) it counts instructions per statement and per byte of the
moxa program, beside two floors over the same file: scan_floor.c, a plain C tokeniser, and
scan_floor_table.c, one that runs every byte through a class table and a state table.

Usage: bench/callgrind.py [WORKLOAD...]      (default: count arith strings nest calls scan)
Environment: MOXA, the moxa binary (default: build/moxa in the repository);
             CC, the C compiler for the floor (default: cc).

Instruction counts do not depend on how busy the machine is, so the figures repeat from
run to run. Every program runs twice, with its outermost loop bound set to two small
values; the difference of the two counts, divided by the difference in innermost
iterations, is the cost of one iteration with start-up and the final print taken out.
The scan programs are written by gen_scan.py with 2,000 and 4,000 statements, and the
figures are the differences divided by 2,000 statements (or by the difference in bytes).
Needs valgrind; a peer that is not installed is left out of the table.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)

# workload: (pattern of the outermost bound, two small bounds, innermost iterations per unit)
WORKLOADS = {
    "count": (r"()10000000", (20000, 40000), 1),
    "arith": (r"()3000", (20, 40), 1000),
    "strings": (r"()1000000", (20000, 40000), 1),
    "nest": (r"(a\s*<\s*)40", (1, 2), 40 * 40 * 40),
    "calls": (r"()1000000", (20000, 40000), 1),
}

PEERS = [
    ("lua5.4", "lua", ["lua5.4"]),
    ("perl", "pl", ["perl"]),
    ("python3", "py", ["python3"]),
    ("tclsh", "tcl", ["tclsh"]),
    ("mawk", "awk", ["mawk", "-f"]),
]


def instructions(command, folder):
    out = os.path.join(folder, "cg.out")
    subprocess.run(
        ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + command,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(out) as f:
        for line in f:
            if line.startswith("summary:") or line.startswith("totals:"):
                return int(line.split()[1])
    raise RuntimeError("no totals in callgrind output")


def per_iteration(source, command, workload, folder, suffix):
    pattern, (small, large), inner = WORKLOADS[workload]
    with open(source) as f:
        text = f.read()
    counts = []
    for bound in (small, large):
        changed, n = re.subn(pattern, lambda m: m.group(1) + str(bound), text, count=1)
        if n != 1:
            raise RuntimeError(f"{source}: no loop bound to change")
        path = os.path.join(folder, f"{workload}_{bound}.{suffix}")
        with open(path, "w") as f:
            f.write(changed)
        counts.append(instructions(command + [path], folder))
    return (counts[1] - counts[0]) / ((large - small) * inner)


SCAN_SIZES = (2000, 4000)


def compile_floor(source, folder):
    """The C floor `source` (a file of bench/) compiled with $CC -O2 into `folder`: its path."""
    floor = os.path.join(folder, source[:-2])
    subprocess.run([os.environ.get("CC", "cc"), "-O2", "-o", floor, os.path.join(BENCH, source)],
                   check=True)
    return floor


def write_scan(folder, n):
    """The scan programs of `n` statements, written by gen_scan.py into `folder`."""
    subprocess.run([sys.executable, os.path.join(BENCH, "gen_scan.py"), folder, str(n)],
                   check=True, stdout=subprocess.DEVNULL)


def scan_rows(moxa, peers, folder):
    """Per statement: instructions of moxa, the floors and every peer; per byte of the moxa
    program: moxa and the floors."""
    floors = {name: compile_floor(source, folder)
              for name, source in (("floor", "scan_floor.c"), ("table", "scan_floor_table.c"))}
    counts = {}
    sizes = []
    for n in SCAN_SIZES:
        programs = os.path.join(folder, f"scan{n}")
        write_scan(programs, n)
        mox = os.path.join(programs, "scan.mox")
        sizes.append(os.path.getsize(mox))
        counts.setdefault("moxa", []).append(instructions([moxa, mox], folder))
        for name, floor in floors.items():
            counts.setdefault(name, []).append(instructions([floor, mox], folder))
        for name, suffix, command in peers:
            source = os.path.join(programs, "scan." + suffix)
            counts.setdefault(name, []).append(instructions(command + [source], folder))
    statements = SCAN_SIZES[1] - SCAN_SIZES[0]
    per_statement = {k: (v[1] - v[0]) / statements for k, v in counts.items()}
    per_byte = {k: (counts[k][1] - counts[k][0]) / (sizes[1] - sizes[0])
                for k in ("moxa", "floor", "table")}
    return per_statement, per_byte


def main():
    if shutil.which("valgrind") is None:
        sys.exit("callgrind.py: valgrind is not installed")
    known = list(WORKLOADS) + ["scan"]
    workloads = sys.argv[1:] or known
    for w in workloads:
        if w not in known:
            sys.exit(f"callgrind.py: unknown workload {w} (known: {' '.join(known)})")
    moxa = os.environ.get("MOXA", os.path.join(ROOT, "build", "moxa"))
    peers = [p for p in PEERS if shutil.which(p[2][0])]
    missing = [p[0] for p in PEERS if not shutil.which(p[2][0])]
    names = ["moxa"] + [p[0] for p in peers]
    loops = [w for w in workloads if w != "scan"]
    with tempfile.TemporaryDirectory() as folder:
        if loops:
            print("instructions per innermost iteration (callgrind)")
            print("| workload | " + " | ".join(names) + " |")
            print("|---|" + "---:|" * len(names))
        for w in loops:
            row = [per_iteration(os.path.join(BENCH, w + ".mox"), [moxa], w, folder, "mox")]
            for _, suffix, command in peers:
                source = os.path.join(BENCH, "peers", f"{w}.{suffix}")
                row.append(per_iteration(source, command, w, folder, suffix))
            print(f"| {w} | " + " | ".join(f"{x:,.0f}" for x in row) + " |", flush=True)
        if "scan" in workloads:
            per_statement, per_byte = scan_rows(moxa, peers, folder)
            columns = ["moxa", "floor", "table"] + names[1:]
            if loops:
                print()
            print("scan: instructions per statement (callgrind; floor: scan_floor.c, "
                  "table: scan_floor_table.c)")
            print("| workload | " + " | ".join(columns) + " |")
            print("|---|" + "---:|" * len(columns))
            print("| scan | " + " | ".join(f"{per_statement[c]:,.0f}" for c in columns) + " |")
            print(f"per byte of the moxa program: moxa {per_byte['moxa']:.1f}, "
                  f"floor {per_byte['floor']:.1f}, table {per_byte['table']:.1f}, "
                  f"moxa/floor {per_byte['moxa'] / per_byte['floor']:.2f}, "
                  f"moxa/table {per_byte['moxa'] / per_byte['table']:.2f}", flush=True)
    if missing:
        print("not installed, left out: " + ", ".join(missing))


if __name__ == "__main__":
    main()
