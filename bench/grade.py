#!/usr/bin/env python3
"""Grading throughput: moxa-grade on 1,000 submissions x 10 tests of small programs (runs per
second), beside a loop that starts `moxa` as a process for each run.

    bench/grade.py MOXA_GRADE MOXA [--submissions N] [--jobs J] [--process-runs K]

The submissions are small programs (tens of statements: a loop over the input with a sum,
a maximum and a branch), one in ten of them wrong; the tests differ in their input. The
expected outputs come from a first submission run by `moxa` itself. Times are wall clock,
the best of three.
"""
import argparse
import os
import shutil
import subprocess
import tempfile
import time

PROGRAM = """{
  cti(@n);
  @i -> 0;
  @s -> 0;
  @m -> "";
  @sude -> 0;
  w2 (@i < @n) {
    cti(@x);
    @s -> @s + @x;
    i2 (@m = "") { @m -> @x; } e2 { i2 (@x > @m) { @m -> @x; } e2 { } i2_end; } i2_end;
    i2 (@x % 2 = 0) { @sude -> @sude + 1; } e2 { } i2_end;
    @i -> @i + 1;
  } w2_end;
  pis_ln("soucet: " + @s);
  pis_ln("maximum: " + @m);
  pis_ln("sudych: " + @sude);
  pis_ln("prumer: " + @s / @n);
} .
"""


def best_of(count, action):
    times = []
    for _ in range(count):
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("grade")
    parser.add_argument("moxa")
    parser.add_argument("--submissions", type=int, default=1000)
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    parser.add_argument("--process-runs", type=int, default=500)
    args = parser.parse_args()
    tmp = tempfile.mkdtemp()
    try:
        assignment = os.path.join(tmp, "assignment")
        os.makedirs(assignment)
        reference = os.path.join(tmp, "reference.mox")
        with open(reference, "w") as f:
            f.write(PROGRAM)
        inputs = []
        for t in range(10):
            numbers = [(t * 37 + k * 11) % 101 - 50 for k in range(8 + t)]
            text = "%d\n%s\n" % (len(numbers), " ".join(map(str, numbers)))
            inputs.append(text)
            with open(os.path.join(assignment, "t%d.in" % t), "w") as f:
                f.write(text)
            with open(os.path.join(assignment, "t%d.out" % t), "wb") as f:
                f.write(subprocess.run([args.moxa, reference], input=text.encode(),
                                       stdout=subprocess.PIPE, check=True).stdout)
        submissions = []
        for s in range(args.submissions):
            path = os.path.join(tmp, "s%04d.mox" % s)
            program = PROGRAM if s % 10 else PROGRAM.replace("@i -> 0;", "@i -> 1;")
            with open(path, "w") as f:
                f.write(":: submission %d\n%s" % (s, program))
            submissions.append(path)

        runs = args.submissions * 10
        command = [args.grade, "-j", str(args.jobs), "-f", "csv", "-o", os.path.join(tmp, "r.csv"),
                   assignment, *submissions]
        graded = best_of(3, lambda: subprocess.run(command, check=True))
        with open(os.path.join(tmp, "r.csv")) as f:
            rows = f.read().splitlines()[1:]
        full = sum(row.split(",")[-2] == "10" for row in rows)
        print("moxa-grade -j %d: %d runs in %.3f s, %.0f runs per second (%d of %d "
              "submissions with full points)" % (args.jobs, runs, graded, runs / graded, full,
                                                  len(rows)))

        def process_loop():
            for k in range(args.process_runs):
                subprocess.run([args.moxa, submissions[k % len(submissions)]],
                               input=inputs[k % 10].encode(), stdout=subprocess.DEVNULL,
                               check=True)
        looped = best_of(3, process_loop)
        print("moxa as a process per run, one at a time: %.2f ms a run, %.0f runs per second" %
              (1000 * looped / args.process_runs, args.process_runs / looped))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
