#!/usr/bin/env python3
"""The embedding examples at work: the C host and the Python grader, over every golden
program and over a folder made here with a passing, a failing and an endless program.

    embed_test.py RUN_MOX LIBMOXA GOLDEN_DIR

RUN_MOX is a build of examples/embed/run_mox.c; LIBMOXA the shared library for the grader.
"""
import os
import subprocess
import sys
import time
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GRADER = os.path.join(HERE, "..", "..", "examples", "embed", "grade.py")
HELLO, BYE = b"\nhello\n\n", b"\nbye\n\n"
VERDICT = b"\nV programu se vyskytla chyba.\n"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def golden_programs(root):
    for folder, _dirs, files in sorted(os.walk(root)):
        for name in sorted(files):
            if name.endswith(".mox"):
                yield os.path.join(folder, name[:-4])


def host_runs_golden_programs(run_mox, golden):
    count = 0
    for stem in golden_programs(golden):
        args = [run_mox, stem + ".mox"]
        if os.path.exists(stem + ".in"):
            args.append(stem + ".in")
        result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        expected = open(stem + ".out", "rb").read()
        check(expected.startswith(HELLO) and expected.endswith(BYE), stem + ".out has banners")
        expected = expected[len(HELLO):-len(BYE)]
        check(result.stdout == expected, "run_mox output of " + stem)
        check(result.returncode == (1 if expected.endswith(VERDICT) else 0),
              "run_mox status of %s: %d" % (stem, result.returncode))
        count += 1
    check(count > 100, "golden programs found: %d" % count)


def host_limits(run_mox, tmp):
    endless = os.path.join(tmp, "endless.mox")
    with open(endless, "w") as f:
        f.write('{ w2 (1) { pis("ab"); } w2_end; }.')
    r = subprocess.run([run_mox, "--steps", "5000", endless], capture_output=True)
    check(r.returncode == 2, "steps: status %d" % r.returncode)
    check(r.stderr == b"run_mox: stopped by a limit\n", "steps: message %r" % r.stderr)
    check(len(r.stdout) > 0 and r.stdout == b"ab" * (len(r.stdout) // 2), "steps: output")
    r = subprocess.run([run_mox, "--output", "7", endless], capture_output=True)
    check(r.returncode == 2 and r.stdout == b"abababa", "output: %d %r" % (r.returncode, r.stdout))
    r = subprocess.run([run_mox, "--memory", "1000000", os.path.join(tmp, "pile.mox")],
                       capture_output=True)
    check(r.returncode == 2 and r.stdout == b"", "memory: %d %r" % (r.returncode, r.stdout))
    r = subprocess.run([run_mox, os.path.join(tmp, "missing.mox")], capture_output=True)
    check(r.returncode == 3 and b"cannot read" in r.stderr, "missing file: %d" % r.returncode)
    r = subprocess.run([run_mox, "--steps", "x", endless], capture_output=True)
    check(r.returncode == 3 and r.stderr.startswith(b"usage:"), "bad count: %d" % r.returncode)


def grader_on_golden(lib, golden):
    for folder in sorted(os.listdir(golden)):
        path = os.path.join(golden, folder)
        programs = [n for n in os.listdir(path) if n.endswith(".mox")]
        r = subprocess.run([sys.executable, GRADER, "--lib", lib, path], capture_output=True)
        lines = r.stdout.decode().splitlines()
        check(r.returncode == 0, "grader on %s: status %d\n%s" % (folder, r.returncode, r.stdout))
        check(lines[-1].startswith("%d passed, 0 failed, 0 stopped (moxa " % len(programs)),
              "grader summary on %s: %s" % (folder, lines[-1]))


def grader_verdicts(lib, tmp):
    cases = os.path.join(tmp, "cases")
    os.mkdir(cases)
    files = {
        "a_good.mox": "{ cti(@x); pis_ln(@x * 2); }.",
        "a_good.in": "21",
        "a_good.out": "\nhello\n\n42.000000\n\nProgram probehl bez chyb.\n\nbye\n\n",
        "b_wrong.mox": '{ pis_ln("1"); pis_ln("3"); }.',
        "b_wrong.out": "\nhello\n\n1\n2\n\nProgram probehl bez chyb.\n\nbye\n\n",
        "c_endless.mox": "{ w2 (1) { } w2_end; }.",
        "c_endless.out": "",
        "d_no_expected_output.mox": "{ }.",
    }
    for name, text in files.items():
        with open(os.path.join(cases, name), "w") as f:
            f.write(text)
    r = subprocess.run([sys.executable, GRADER, "--lib", lib, "--steps", "100000", cases],
                       capture_output=True)
    lines = r.stdout.decode().splitlines()
    check(r.returncode == 1, "grader verdicts: status %d" % r.returncode)
    check(lines[:3] == ["pass a_good", "fail b_wrong: line 5: expected '2', got '3'",
                        "stopped c_endless"], "grader verdicts: %r" % lines)
    check(len(lines) == 4 and lines[3].startswith("1 passed, 1 failed, 1 stopped"),
          "grader summary: %r" % lines[3:])
    # With the time limit alone (no step limit), the endless program is stopped all the same,
    # never before its half second (the timeout only catches a run that is never stopped).
    start = time.monotonic()
    r = subprocess.run([sys.executable, GRADER, "--lib", lib, "--time", "0.5", cases],
                       capture_output=True, timeout=300)
    took = time.monotonic() - start
    lines = r.stdout.decode().splitlines()
    check(lines[2:3] == ["stopped c_endless"], "grader time limit: %r" % lines)
    check(took >= 0.5, "grader time limit: took %.2f s" % took)


def main():
    run_mox, lib, golden = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "pile.mox"), "w") as f:
            f.write("{ w2 (1) { ~f(1; 2; 3); } w2_end; }.")
        host_runs_golden_programs(run_mox, golden)
        host_limits(run_mox, tmp)
        grader_on_golden(lib, golden)
        grader_verdicts(lib, tmp)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
