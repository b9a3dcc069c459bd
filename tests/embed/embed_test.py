#!/usr/bin/env python3
"""The embedding examples at work: the C host (RUN_MOX, a build of examples/embed/run_mox.c)
over every golden program, and the Python grader on the shared library, over a folder of a
passing, a failing and an endless program.

    embed_test.py RUN_MOX LIBMOXA GOLDEN_DIR
"""
import os
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import (BYE, HELLO, VERDIKT as VERDICT, check, expect,  # noqa: E402
                    finish_in_folder, write)

GRADER = pathlib.Path(__file__).resolve().parents[2] / "examples" / "embed" / "grade.py"
RUN_MOX, LIB, GOLDEN = sys.argv[1:4]


def host_runs_golden_programs(_tmp):
    stems = sorted(p.with_suffix("") for p in pathlib.Path(GOLDEN).rglob("*.mox"))
    for stem in stems:
        args = [RUN_MOX, f"{stem}.mox"] + ([f"{stem}.in"] if os.path.exists(f"{stem}.in") else [])
        result = subprocess.run(args, capture_output=True)
        expected = pathlib.Path(f"{stem}.out").read_bytes()
        check(expected.startswith(HELLO) and expected.endswith(BYE), f"{stem}.out has banners")
        expected = expected[len(HELLO):-len(BYE)]
        check(result.stdout == expected, f"run_mox output of {stem}")
        check(result.returncode == (1 if expected.endswith(VERDICT) else 0),
              f"run_mox status of {stem}: {result.returncode}")
    check(len(stems) > 100, f"golden programs found: {len(stems)}")


def host_limits(tmp):
    endless = write(os.path.join(tmp, "endless.mox"), '{ w2 (1) { pis("ab"); } w2_end; }.')
    pile = write(os.path.join(tmp, "pile.mox"), "{ w2 (1) { ~f(1; 2; 3); } w2_end; }.")
    r = subprocess.run([RUN_MOX, "--steps", "5000", endless], capture_output=True)
    expect("steps: status, message, output", (r.returncode, r.stderr, len(r.stdout) > 0 and
           r.stdout == b"ab" * (len(r.stdout) // 2)), (2, b"run_mox: stopped by a limit\n", True))
    # args, status, what the output must be (or the start of standard error)
    for args, status, out, err in (
            (["--output", "7", endless], 2, b"abababa", b""),
            (["--memory", "1000000", pile], 2, b"", b""),
            ([os.path.join(tmp, "none.mox")], 3, b"", b"run_mox: cannot read"),
            (["--steps", "x", endless], 3, b"", b"usage:")):
        r = subprocess.run([RUN_MOX] + args, capture_output=True)
        check((r.returncode, r.stdout) == (status, out) and r.stderr.startswith(err),
              f"run_mox {args}: {r.returncode} {r.stdout!r} {r.stderr!r}")


def grader_verdicts(tmp):
    cases = pathlib.Path(tmp, "cases")
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
        write(cases / name, text)
    r = subprocess.run([sys.executable, GRADER, "--lib", LIB, "--steps", "100000", cases],
                       capture_output=True)
    lines = r.stdout.decode().splitlines()
    expect("grader verdicts: status, verdicts, summary", (r.returncode, lines[:3], len(lines),
           lines[-1][:29]), (1, ["pass a_good", "fail b_wrong: line 5: expected '2', got '3'",
                                 "stopped c_endless"], 4, "1 passed, 1 failed, 1 stopped"))
    # With the time limit alone (no step limit), the endless program is stopped all the same,
    # never before its half second (the timeout only catches a run that is never stopped).
    start = time.monotonic()
    r = subprocess.run([sys.executable, GRADER, "--lib", LIB, "--time", "0.5", cases],
                       capture_output=True, timeout=300)
    took = time.monotonic() - start
    check(r.stdout.decode().splitlines()[2:3] == ["stopped c_endless"],
          "grader time limit: %r" % r.stdout)
    check(took >= 0.5, "grader time limit: took %.2f s" % took)


finish_in_folder("embed examples", [host_runs_golden_programs, host_limits, grader_verdicts])
