#!/usr/bin/env python3
"""The checker on a corpus of beginners' mistakes: each NAME.mox is a correct program
(NAME.ok.mox beside it) with one mistake. Reports the share whose first diagnostic stands on
the mistake's line (the first line where the two differ) and the share where applying the
first fix offered gives a program whose run prints exactly what the correct one prints.

usage: measure.py MOXA MOXA_CHECK CORPUS_DIR [--min PERCENT] [--verbose]
With --min, exits 1 when either share is below PERCENT."""
import json
import pathlib
import subprocess
import sys
import tempfile

args = [a for a in sys.argv[1:] if not a.startswith("--")]
MOXA, CHECK, CORPUS = args[0], args[1], pathlib.Path(args[2])
minimum = float(sys.argv[sys.argv.index("--min") + 1]) if "--min" in sys.argv else None
verbose = "--verbose" in sys.argv


def run(program: bytes) -> bytes:
    with tempfile.NamedTemporaryFile(suffix=".mox") as f:
        f.write(program)
        f.flush()
        return subprocess.run([MOXA, f.name], stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=60).stdout


def mistake_line(wrong: bytes, right: bytes) -> int:
    a, b = wrong.split(b"\n"), right.split(b"\n")
    for i, (x, y) in enumerate(zip(a, b), 1):
        if x != y:
            return i
    return min(len(a), len(b)) + 1


def apply(program: bytes, fix) -> bytes:
    start, end = fix["range"]["start"]["offset"], fix["range"]["end"]["offset"]
    return program[:start] + fix["replacement"].encode() + program[end:]


pairs = sorted(p for p in CORPUS.glob("*.mox") if not p.name.endswith(".ok.mox"))
on_line = repaired = 0
for wrong_path in pairs:
    wrong = wrong_path.read_bytes()
    right = wrong_path.with_name(wrong_path.stem + ".ok.mox").read_bytes()
    if wrong == right:
        sys.exit(f"{wrong_path.name}: no mistake")
    p = subprocess.run([CHECK, "--format", "json", "--lang", "en", "-"], input=wrong,
                       capture_output=True, timeout=60)
    found = json.loads(p.stdout)[0]["diagnostics"]
    line = mistake_line(wrong, right)
    first_line = found[0]["line"] if found else None
    fixes = [f for d in found for f in d["fixes"]]
    fixed = run(apply(wrong, fixes[0])) == run(right) if fixes else False
    on_line += first_line == line
    repaired += fixed
    if verbose or first_line != line or not fixed:
        first = f'{found[0]["code"]} {found[0]["message"]}' if found else "nothing"
        print(f"{wrong_path.name}: mistake on line {line}, first diagnostic on line {first_line}"
              f" ({first}); first fix {'repairs it' if fixed else 'does not repair it'}")

n = len(pairs)
share_line = 100.0 * on_line / n if n else 0.0
share_fix = 100.0 * repaired / n if n else 0.0
print(f"{n} programs: first diagnostic on the mistake's line {on_line} ({share_line:.1f}%), "
      f"first fix repairs the program {repaired} ({share_fix:.1f}%)")
if minimum is not None and (n < 60 or share_line < minimum or share_fix < minimum):
    sys.exit(f"below {minimum}% (or fewer than 60 programs)")
