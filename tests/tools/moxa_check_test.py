#!/usr/bin/env python3
"""moxa-check on real files: every golden program against the run's own verdict, and crafted
programs for each error and warning, in text and JSON, with the exit statuses.

usage: moxa_check_test.py MOXA_CHECK GOLDEN_DIR"""
import json
import pathlib
import subprocess
import sys
import tempfile

CHECK = sys.argv[1]
GOLDEN = pathlib.Path(sys.argv[2])
failures = []


def check(args, stdin=b"", encoding="latin-1"):
    p = subprocess.run([CHECK, *args], input=stdin, capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode(encoding), p.stderr.decode(encoding)


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}:\n  want {want!r}\n  got  {got!r}")


def golden():
    """A program the run finishes without error checks clean; one that stops at a syntax
    error gets that very message, and nothing runs (a runtime error is no syntax error)."""
    clean = errors = 0
    for mox in sorted(GOLDEN.glob("*/*.mox")):
        out = mox.with_suffix(".out").read_bytes().decode("latin-1")
        rc, text, _ = check([str(mox)])
        lines = [l for l in text.splitlines() if ": error: " in l]
        if "V programu se vyskytla chyba." not in out:
            clean += 1
            expect(f"{mox} is clean", (rc, lines), (0, []))
            continue
        message = next((l for l in out.splitlines() if l.startswith("V bloku: ")), None)
        if message is None or "nejedna se o cislo" in message or "prilis dlouha" in message:
            continue
        errors += 1
        expect(f"{mox} error", (rc, [l.split(": error: ", 1)[1] for l in lines]), (1, [message]))
    if clean < 50 or errors < 10:
        failures.append(f"too few golden programs seen: {clean} clean, {errors} with errors")


CASES = {
    # The scanner drops the capital letter, so the statement starts with a word that is no
    # keyword; the error says why. @Vysledek is @ysledek; @a-3 is @a and -3; "pis_ ln" is one word.
    "reads.mox": (b'{\n  Pis_ln("a");\n}\n.\n', 1, [
        'reads.mox:2:4: error: V bloku: \'Prikaz\', na radku: 2 nastala chyba - byl ocekavan znak: "prikaz", namisto toho se vyskytl tento znak: "is_ln".',
        "reads.mox:2:3: note: znak `P` skener vynechava: `Pis_ln` se cte jako `is_ln`",
        "reads.mox:2:4: note: slovo `is_ln` neni klicove slovo",
        "reads.mox:2:3: warning: znak `P` skener vynechava: `Pis_ln` se cte jako `is_ln`",
        "reads.mox:2:4: warning: slovo `is_ln` neni klicove slovo",
    ]),
    "inside.mox": (b"{\n  @Vysledek -> 1;\n  pis_ ln(@ysledek);\n} .\n", 0, [
        "inside.mox:2:4: warning: skener vynechava znaky uvnitr: `@Vysledek` se cte jako `@ysledek`",
        "inside.mox:3:7: warning: `pis_ ln` se cte jako jedno slovo `pis_ln`",
    ]),
    "blank.mox": (b"{\n  @b -> 5 -3;\n} .\n", 1, [
        'blank.mox:2:11: error: V bloku: \'Vnitrni_blok\', na radku: 2 nastala chyba - byl ocekavan znak: ";", namisto toho se vyskytl tento znak: "-3".',
        "blank.mox:2:11: note: `5 -3` se cte jako `5` a cislo `-3`, ne jako odcitani (to se pise s mezerou za znamenkem: `- 3`)",
        "blank.mox:2:11: warning: `5 -3` se cte jako `5` a cislo `-3`, ne jako odcitani (to se pise s mezerou za znamenkem: `- 3`)",
    ]),
    # The glued sign makes the error, and the error says so.
    "glued.mox": (b"{ @a -> 1; pis(@a-3); } .", 1, [
        'glued.mox:1:18: error: V bloku: \'Pis\', na radku: 1 nastala chyba - byl ocekavan znak: ")", namisto toho se vyskytl tento znak: "-3".',
        "glued.mox:1:18: note: `@a-3` se cte jako `@a` a cislo `-3`, ne jako odcitani (to se pise s mezerou za znamenkem: `- 3`)",
        "glued.mox:1:18: warning: `@a-3` se cte jako `@a` a cislo `-3`, ne jako odcitani (to se pise s mezerou za znamenkem: `- 3`)",
    ]),
    # The missing ';' is found at the '}' on line 4; the run has read that line's end.
    "late.mox": (b"{\n  pis(1)\n\n}\n.\n", 1, [
        'late.mox:4:1: error: V bloku: \'Vnitrni_blok\', na radku: 5 nastala chyba - byl ocekavan znak: ";", namisto toho se vyskytl tento znak: "}".',
        "late.mox:4:1: note: beh programu hlasi radek 5, kam uz dospelo cteni programu",
    ]),
    # At the end of input the error points just past the last byte.
    "cut.mox": (b"{\n  pis(1);", 1, [
        "cut.mox:2:10: error: V bloku: 'Blok', na radku: 2 nastala chyba - byl ocekavan znak: \"}\", namisto toho se vyskytl tento znak: \"\xff\".",
    ]),
    # The two errors the run gives no message of its own.
    "cti.mox": (b"{ cti(5); } .", 1, [
        "cti.mox:1:7: error: cti cte jen do promenne: byla ocekavana promenna @jmeno",
    ]),
    "nodot.mox": (b"{ pis(1); }\nkonec\n", 1, [
        'nodot.mox:2:1: error: za hlavnim blokem byla ocekavana tecka: "."',
        "nodot.mox:2:1: note: beh programu hlasi radek 3, kam uz dospelo cteni programu",
        "nodot.mox:2:1: note: slovo `konec` neni klicove slovo",
        "nodot.mox:2:1: warning: slovo `konec` neni klicove slovo",
    ]),
    # A byte that touches no token; a carriage return before a line feed is no finding.
    "alone.mox": (b"{\r\n  pis(1); #\r\n} .\r\n", 0, [
        "alone.mox:2:11: warning: znak `#` skener vynechava",
    ]),
    "unclosed.mox": (b'{ pis(1); } .\n"abc', 0, [
        "unclosed.mox:2:1: warning: neuzavreny retezec na konci souboru: skener ho vynecha a program konci pred nim",
    ]),
    # A teacher's warnings: cti assigns, a parameter does not.
    "teacher.mox": (b"?f(p2 @x) { pis(@x); }\n{ w2 (1 < 2) { ~g(2); } w2_end; cti(@y); pis(@y); } .\n", 0, [
        "teacher.mox:1:1: warning: deklarace `?f` neni nikde volana",
        "teacher.mox:1:17: warning: promenna `@x` se cte, ale nikde se ji nic neprirazuje: ma hodnotu `hodnota neurcena`",
        "teacher.mox:2:7: warning: podminka `1 < 2` je stala: nema v sobe promennou ani volani",
        "teacher.mox:2:16: warning: volani `~g`: funkce `?g` neni nikde deklarovana",
    ]),
}


def crafted(tmp):
    for name, (src, want_rc, want) in CASES.items():
        (tmp / name).write_bytes(src)
        rc, text, _ = check([str(tmp / name)])
        got = [l.replace(str(tmp) + "/", "") for l in text.splitlines()]
        expect(name, (rc, got), (want_rc, want))


def nesting(tmp):
    deep = tmp / "deep.mox"
    # The main block is one level; the 10,000th bracket is one too many.
    deep.write_bytes(b"{ pis(" + b"(" * 10000)
    rc, text, _ = check([str(deep)])
    expect("nesting limit", (rc, text.split(": error: ")[1] if ": error: " in text else text),
           (1, "V bloku: 'Faktor', na radku: 1 nastala chyba - prilis hluboke vnoreni.\n"))
    expect("nesting limit place", text.split(": error")[0], f"{deep}:1:10006")


def statuses(tmp):
    warn = tmp / "inside.mox"
    expect("warnings alone", check([str(warn)])[0], 0)
    expect("--strict", check(["--strict", str(warn)])[0], 1)
    expect("clean --strict", check(["--strict", "-"], b"{ @a -> 1; pis(@a); } .")[0:2], (0, ""))
    rc, _, err = check([str(tmp / "missing.mox"), str(warn)])
    expect("unreadable file", (rc, "cannot be read" in err), (2, True))
    expect("directory", check([str(tmp)])[0], 2)
    rc, text, _ = check(["-"], b"{ cti(5); } .")
    expect("stdin", (rc, text.split(": error:")[0]), (1, "<stdin>:1:7"))
    expect("bad option", check(["--nope", str(warn)])[0], 2)
    rc, text, _ = check(["--help"])
    expect("--help", (rc, text.startswith("usage: moxa-check")), (0, True))


def json_format(tmp):
    rc, text, _ = check(["--format", "json", str(tmp / "glued.mox"), str(tmp / "alone.mox")],
                        encoding="utf-8")
    doc = json.loads(text)
    expect("json files", [pathlib.Path(f["file"]).name for f in doc], ["glued.mox", "alone.mox"])
    err = doc[0]["diagnostics"][0]
    expect("json error", (rc, err["severity"], err["line"], err["column"], err["offset"], err["length"]),
           (1, "error", 1, 18, 17, 2))
    expect("json note", [(n["line"], n["column"], n["length"]) for n in err["notes"]], [(1, 18, 2)])
    expect("json warning", [(d["severity"], d["offset"], d["length"]) for d in doc[1]["diagnostics"]],
           [("warning", 13, 1)])
    rc, text, _ = check(["--format", "json", str(tmp / "cut.mox")], encoding="utf-8")
    d = json.loads(text)[0]["diagnostics"][0]
    expect("json end of input", (d["offset"], d["length"], "\ufffd" in d["message"]), (11, 0, True))


with tempfile.TemporaryDirectory() as t:
    tmp = pathlib.Path(t)
    golden()
    crafted(tmp)
    nesting(tmp)
    statuses(tmp)
    json_format(tmp)

for f in failures:
    print("FAIL", f)
print(f"moxa-check: {len(failures)} failures")
sys.exit(1 if failures else 0)
