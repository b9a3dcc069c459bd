#!/usr/bin/env python3
"""moxa-similar on a class: N submissions of about 50 lines each, every pair compared, on
one core (the text comparison runs on one thread; taskset pins it when it is there).

    bench/similar.py MOXA_SIMILAR [--submissions N] [--lines L] [--seed S]

The submissions are made from one pool of statements, as a class solving one task writes
them: the same few shapes of loop and branch, each student picking some, naming the
variables as they like and ordering the independent parts their own way, so that many
pairs share long runs of tokens. Times are wall clock, the best of three, with the processor
time of that run beside (on a loaded machine the two part); memory is the largest resident
size of the process, for N/4, N/2 and N submissions.
"""
import argparse
import os
import random
import resource
import shutil
import subprocess
import tempfile
import time

NAMES = ["i", "j", "k", "n", "s", "x", "y", "m", "suma", "pocet", "max", "min", "a", "b",
         "c", "hodnota", "vysledek", "pom", "t", "z", "cislo", "delka", "soucet", "krok"]

# Pieces of a program; {0}, {1}, {2} are variables, {v} a number literal.
PIECES = [
    ["cti(@{0});", "@{1} -> 0;", "w2 (@{1} < @{0}) {{", "  cti(@{2});",
     "  @{1} -> @{1} + 1;", "}} w2_end;"],
    ["@{0} -> {v};", "@{1} -> @{0} * 2;", "pis_ln(\"vysledek: \" + @{1});"],
    ["i2 (@{0} > @{1}) {{", "  @{2} -> @{0};", "}} e2 {{", "  @{2} -> @{1};", "}} i2_end;"],
    ["@{0} -> 1;", "w2 (@{0} <= {v}) {{", "  @{1} -> @{1} + @{0} * @{0};",
     "  @{0} -> @{0} + 1;", "}} w2_end;"],
    ["pis(\"soucet: \");", "pis_ln(@{0});", "pis_ln(\"pocet: \" + @{1});"],
    ["i2 (@{0} % 2 = 0) {{ pis_ln(\"sude\"); }} e2 {{ pis_ln(\"liche\"); }} i2_end;"],
    ["@{0} -> @{1} - @{2};", "@{2} -> @{0} / {v};", "@{1} -> @{1} % {v};"],
    [":: mezivysledek", "@{0} -> \"\";", "w2 (@{1} > 0) {{", "  @{0} -> @{0} + \"*\";",
     "  @{1} -> @{1} - 1;", "}} w2_end;", "pis_ln(@{0});"],
]


def submission(rng, lines):
    names = rng.sample(NAMES, len(NAMES))
    out = ["{"]
    while len(out) < lines - 1:
        piece = rng.choice(PIECES)
        var = [names[rng.randrange(len(names))] for _ in range(3)]
        for line in piece:
            out.append("  " + line.format(*var, v=rng.randrange(1, 100)))
    out = out[:lines - 1]
    # Close what the cut left open, so that every submission is a whole program.
    depth = sum(l.count("{") - l.count("}") for l in out) - 1
    out += ["  } w2_end;"] * max(depth, 0) + ["} ."]
    return "\n".join(out) + "\n"


def run(tool, files):
    command = [tool, "-f", "csv", "--top", "100"] + files
    if shutil.which("taskset"):
        command = ["taskset", "-c", "0"] + command
    best = None
    for _ in range(3):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        if best is None or elapsed < best[0]:
            best = (elapsed, cpu)
    return best


def peak_kib(tool, files):
    # A child of its own, so that the largest resident size is this run's alone.
    code = ("import resource, subprocess, sys; "
            "subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL); "
            "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    result = subprocess.run(["python3", "-c", code, tool, "-f", "csv"] + files, check=True,
                            capture_output=True, text=True)
    return int(result.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tool")
    parser.add_argument("--submissions", type=int, default=1000)
    parser.add_argument("--lines", type=int, default=50)
    parser.add_argument("--seed", type=int, default=37)
    options = parser.parse_args()
    rng = random.Random(options.seed)
    with tempfile.TemporaryDirectory() as folder:
        files = []
        for i in range(options.submissions):
            path = os.path.join(folder, f"student{i:04}.mox")
            with open(path, "w") as f:
                f.write(submission(rng, options.lines))
            files.append(path)
        pairs = options.submissions * (options.submissions - 1) // 2
        seconds, cpu = run(options.tool, files)
        print(f"{options.submissions} submissions of {options.lines} lines, {pairs} pairs: "
              f"{seconds:.2f} s ({pairs / seconds:,.0f} pairs a second), "
              f"{cpu:.2f} s of processor time")
        for share in (4, 2, 1):
            part = files[:options.submissions // share]
            print(f"  {len(part)} submissions: largest resident size {peak_kib(options.tool, part):,} KiB")


if __name__ == "__main__":
    main()
