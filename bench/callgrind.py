#!/usr/bin/env python3
"""Counts the instructions that each interpreter executes per innermost iteration of the
loop workloads, with callgrind, and prints one table: moxa beside its peers.

Usage: bench/callgrind.py [WORKLOAD...]      (default: count arith strings nest calls)
Environment: MOXA, the moxa binary (default: build/moxa in the repository).

Instruction counts do not depend on how busy the machine is, so the figures repeat from
run to run. Every program runs twice, with its outermost loop bound set to two small
values; the difference of the two counts, divided by the difference in innermost
iterations, is the cost of one iteration with start-up and the final print taken out.
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


def main():
    if shutil.which("valgrind") is None:
        sys.exit("callgrind.py: valgrind is not installed")
    workloads = sys.argv[1:] or list(WORKLOADS)
    for w in workloads:
        if w not in WORKLOADS:
            sys.exit(f"callgrind.py: unknown workload {w} (known: {' '.join(WORKLOADS)})")
    moxa = os.environ.get("MOXA", os.path.join(ROOT, "build", "moxa"))
    peers = [p for p in PEERS if shutil.which(p[2][0])]
    missing = [p[0] for p in PEERS if not shutil.which(p[2][0])]
    names = ["moxa"] + [p[0] for p in peers]
    print("instructions per innermost iteration (callgrind)")
    print("| workload | " + " | ".join(names) + " |")
    print("|---|" + "---:|" * len(names))
    with tempfile.TemporaryDirectory() as folder:
        for w in workloads:
            row = [per_iteration(os.path.join(BENCH, w + ".mox"), [moxa], w, folder, "mox")]
            for _, suffix, command in peers:
                source = os.path.join(BENCH, "peers", f"{w}.{suffix}")
                row.append(per_iteration(source, command, w, folder, suffix))
            print(f"| {w} | " + " | ".join(f"{x:,.0f}" for x in row) + " |", flush=True)
    if missing:
        print("not installed, left out: " + ", ".join(missing))


if __name__ == "__main__":
    main()
