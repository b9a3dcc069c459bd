#!/usr/bin/env python3
"""Times moxa against one peer on the loop workloads, and against the table-driven C tokeniser
on the scan workload, with their runs interleaved: each round runs moxa once and the other
once, on the same processor, so that a change in the machine's speed (on a shared machine,
common and lasting minutes) reaches both alike. run.sh, through hyperfine, runs all of one
command's runs before the next command's, and a slow minute can fall on one of them only.
Prints the processor time (user + system) of each, its minimum and median over the rounds,
and moxa's ratio to the peer.

Usage: bench/side_by_side.py [--runs N] [--peer NAME] [WORKLOAD...]
  --runs N     rounds per workload (default 15)
  --peer NAME  lua5.4 (default), python3, tclsh, perl or mawk
  WORKLOAD     any of: count arith strings nest calls scan (default: all but scan)
               scan: the program of 1,000,000 statements that gen_scan.py writes, beside
               scan_floor_table.c compiled with $CC (default cc) -O2 on the same file
Environment: MOXA, the moxa binary (default: build/moxa in the repository);
             BENCH_CPU, the processor every run takes (default: 0; empty: any).
Exit status: 0 when every run succeeded and printed what its first run printed, else 1.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile

import callgrind  # the loop workloads and how each peer runs its program

BENCH = callgrind.BENCH
ROOT = callgrind.ROOT
WORKLOADS = list(callgrind.WORKLOADS)
SCAN_STATEMENTS = 1_000_000
PEERS = {name: (suffix, command) for name, suffix, command in callgrind.PEERS}


def run(argv, cpu):
    """One run: its output and its processor time in seconds."""
    def pin():
        if cpu != "":
            os.sched_setaffinity(0, {int(cpu)})
    p = subprocess.Popen(argv, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, preexec_fn=pin)
    out = p.stdout.read()
    _, status, usage = os.wait4(p.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"side_by_side.py: {' '.join(argv)} failed")
    return out, usage.ru_utime + usage.ru_stime


def scan_commands(moxa, folder):
    """The scan workload's program, written into `folder`, and the table-driven floor compiled
    there: moxa's command and the floor's."""
    callgrind.write_scan(folder, SCAN_STATEMENTS)
    program = os.path.join(folder, "scan.mox")
    return [[moxa, program], [callgrind.compile_floor("scan_floor_table.c", folder), program]]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                 epilog=__doc__.split("\n\n", 1)[1],
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--peer", choices=sorted(PEERS), default="lua5.4")
    ap.add_argument("workloads", nargs="*", metavar="WORKLOAD",
                    help=" ".join(WORKLOADS + ["scan"]))
    args = ap.parse_args()
    for work in args.workloads:
        if work not in WORKLOADS + ["scan"]:
            ap.error(f"unknown workload {work} (known: {' '.join(WORKLOADS)} scan)")
    moxa = os.environ.get("MOXA", os.path.join(ROOT, "build", "moxa"))
    cpu = os.environ.get("BENCH_CPU", "0")
    peer = args.peer if "scan" not in args.workloads else f"{args.peer}, scan: scan_floor_table"
    print(f"moxa: {moxa}; peer: {peer}; {args.runs} interleaved rounds; "
          f"processor: {cpu or 'any'}; load average at the start: {os.getloadavg()[0]:.2f}")
    print("| workload | moxa min | moxa median | peer min | peer median | moxa/peer (medians) |")
    print("|---|---:|---:|---:|---:|---:|")
    ok = True
    folder = tempfile.TemporaryDirectory(prefix="moxa-side-by-side-")
    for work in args.workloads or WORKLOADS:
        if work == "scan":
            commands = scan_commands(moxa, folder.name)
        else:
            suffix, command = PEERS[args.peer]
            commands = [[moxa, os.path.join(BENCH, work + ".mox")],
                        command + [os.path.join(BENCH, "peers", f"{work}.{suffix}")]]
        times = [[], []]
        first = [None, None]
        for _ in range(args.runs):
            for i, argv in enumerate(commands):
                out, t = run(argv, cpu)
                first[i] = out if first[i] is None else first[i]
                ok = ok and out == first[i]
                times[i].append(t * 1000)
        m, p = times
        print(f"| {work} | {min(m):.1f} ms | {statistics.median(m):.1f} ms | {min(p):.1f} ms | "
              f"{statistics.median(p):.1f} ms | {statistics.median(m) / statistics.median(p):.2f} |")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
