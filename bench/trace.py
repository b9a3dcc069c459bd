#!/usr/bin/env python3
"""The trace's throughput: steps per second that moxa-trace writes to a file, on loops whose
every pass is a few steps, beside the same programs run by moxa without a trace.

Usage: bench/trace.py [--runs N]
Environment: MOXA_TRACE and MOXA, the binaries (default: build/tools/moxa-trace and
build/moxa in the repository).

Each workload runs N times (default 5) and the median wall-clock time counts; the trace
goes to a file in a temporary folder, and the steps are counted from its last line.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
TRACE = os.environ.get("MOXA_TRACE", os.path.join(ROOT, "build", "tools", "moxa-trace"))
MOXA = os.environ.get("MOXA", os.path.join(ROOT, "build", "moxa"))

WORKLOADS = {
    # Two steps a pass: the test and an assignment.
    "count": "{ @i -> 0; w2 (@i < 1000000) { @i -> @i + 1; } w2_end; pis_ln(@i); } .",
    # Five steps a pass: a conditional, a call leaving a value on the stack, a print.
    "mixed": """{
  @i -> 0;
  w2 (@i < 300000) {
    i2 (@i % 2 = 0) { @s -> "sude"; } e2 { @s -> "liche"; } i2_end;
    ~f(@i);
    pis(@s);
    @i -> @i + 1;
  } w2_end;
} .""",
}


def timed(command, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    runs = 5
    if len(sys.argv) == 3 and sys.argv[1] == "--runs":
        runs = int(sys.argv[2])
    print("| workload | steps | moxa s | moxa-trace s | steps per second |")
    print("|---|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as tmp:
        for name, program in WORKLOADS.items():
            prog = os.path.join(tmp, name + ".mox")
            with open(prog, "w") as f:
                f.write(program)
            trace = os.path.join(tmp, name + ".jsonl")
            plain = timed([MOXA, prog], runs)
            traced = timed([TRACE, "-o", trace, prog], runs)
            with open(trace, "rb") as f:
                f.seek(-200, os.SEEK_END)
                end = json.loads(f.read().splitlines()[-1])
            steps = end["steps"]
            print(f"| {name} | {steps:,} | {plain:.3f} | {traced:.3f} | {steps / traced:,.0f} |")


if __name__ == "__main__":
    main()
