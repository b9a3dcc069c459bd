#!/usr/bin/env python3
"""moxa-fmt on real files: every golden program and example keeps its tokens (by moxa_tokens)
and formatting it again changes nothing; expected layouts; -w, --check, standard input, a
program with a syntax error left as it is; nothing lost after the end or in comments.

usage: moxa_fmt_test.py MOXA_FMT MOXA_TOKENS SOURCE_DIR"""
import json
import pathlib
import subprocess
import sys

FMT, TOKENS, ROOT = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
HERE = pathlib.Path(__file__).parent
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import expect, failures, finish_in_folder, help_and_unknown_option, write  # noqa: E402


def run(args, stdin=b""):
    p = subprocess.run([FMT, *args], input=stdin, capture_output=True, timeout=120)
    return p.returncode, p.stdout, p.stderr.decode("latin-1")


def tokens(path):
    p = subprocess.run([TOKENS, str(path)], capture_output=True, timeout=120, check=True)
    return [(t["kind"], t["text"]) for t in json.loads(p.stdout.decode("utf-8"))["tokens"]]


def every_program(tmp):
    formatted = refused = 0
    programs = sorted((ROOT / "tests/golden").glob("*/*.mox")) + sorted((ROOT / "examples").glob("*.mox"))
    for mox in programs:
        rc, out, err = run([str(mox)])
        if rc != 0:
            # Left as it is, and only for a program with a syntax error.
            refused += 1
            expect(f"{mox} refused", (out, "V bloku" in err or "za hlavn" in err or "cti" in err),
                   (mox.read_bytes(), True))
            continue
        formatted += 1
        once = write(tmp / "once.mox", out)
        expect(f"{mox} tokens", tokens(once), tokens(mox))
        rc2, twice, _ = run([str(once)])
        expect(f"{mox} idempotent", (rc2, twice), (0, out))
    if formatted < 60:
        failures.append(f"only {formatted} programs formatted ({refused} refused)")


def modes(tmp):
    for mox in sorted((HERE / "fmt").glob("*.mox")):
        for args in ([], ["-"]):
            expect(f"{mox.name} layout, {args}", run(args, mox.read_bytes())[:2],
                   (0, mox.with_suffix(".fmt").read_bytes()))
    src = (HERE / "fmt/layout.mox").read_bytes()
    want = (HERE / "fmt/layout.fmt").read_bytes()
    f = write(tmp / "w.mox", src)
    for what, args, result, after in [
            ("--check on a file that would change", ["--check"], (1, b"%s\n" % bytes(f)), src),
            ("-w", ["-w"], (0, b""), want), ("--check on a formatted file", ["--check"], (0, b""), want)]:
        expect(what, (run([*args, str(f)])[:2], f.read_bytes()), (result, after))
    bad = write(tmp / "bad.mox", b"{\n  pis(1)\n}\n.\n")
    expect("syntax error: untouched, with the message", run([str(bad)]), (1, bad.read_bytes(),
           f"moxa-fmt: {bad}:3:1: V bloku: 'Vnitrni_blok', na radku: 4 nastala chyba - "
           'byl ocekavan znak: ";", namisto toho se vyskytl tento znak: "}".\n'))
    expect("syntax error: -w writes nothing", (run(["-w", str(bad)])[0], bad.read_bytes()),
           (1, b"{\n  pis(1)\n}\n.\n"))
    expect("a missing file: status and output", run([str(tmp / "missing.mox")])[:2], (2, b""))
    help_and_unknown_option(FMT)


def nothing_lost(_tmp):
    """A '}' or a '.' written as a text ends the program as well: what follows it is kept. Any
    line ends (CR CR LF, CR LF, a lone CR) come out the same the second time; comments keep
    every byte but the carriage returns that end their line, blanks included."""
    cases = [
        (b'{ pis(1); } "." :: c\n', [b":: c"], b":: c\n"),
        (b'{ pis(1); "}" "." trailing words\n', [], b"trailing words\n"),
        (b"{ :: a\r\r\n pis(1); } . :: c\r\r\n", [b":: a", b":: c"], b":: c\r\r\n"),
        (b"{ :: a\r pis(1);\n :! b\r\n !: pis(2); } . :: c\r", [b":: a\r pis(1);", b":! b\r\n !:"],
         b":: c\r"),
        (b"{ :: a  \n \x05pis(1); } .", [b":: a  "], None),
    ]
    for src, comments, end in cases:
        rc, once, _ = run([], src)
        kept, at = [], 0
        for c in comments:  # in their order
            found = once.find(c, at)
            kept.append(found >= 0)
            at = max(at, found + len(c))
        expect(f"{src!r}: formatted, idempotent, comments and the end kept",
               (rc, run([], once)[1], kept, end is None or once.endswith(end)),
               (0, once, [True] * len(comments), True))


finish_in_folder("moxa-fmt", (every_program, modes, nothing_lost))
