#!/usr/bin/env python3
"""moxa-check on real files: every golden program against the run's own verdict, crafted
programs for each finding in text and JSON, exit statuses, every code's example, languages.

usage: moxa_check_test.py MOXA_CHECK GOLDEN_DIR MOXA DIAGNOSTICS_JSON"""
import os
import json
import pathlib
import subprocess
import sys
import tempfile

CHECK = sys.argv[1]
GOLDEN = pathlib.Path(sys.argv[2])
MOXA = sys.argv[3]
DATA = json.loads(pathlib.Path(sys.argv[4]).read_text(encoding="utf-8"))
# Under a sanitizer the process's memory is the sanitizer's, not the checker's.
MEASURE_MEMORY = "--no-memory" not in sys.argv[5:]
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import expect, failures, finish_in_folder, help_and_unknown_option, write  # noqa: E402


def check(args, stdin=b"", encoding="utf-8", env=None):
    p = subprocess.run([CHECK, *args], input=stdin, capture_output=True, timeout=120, env=env)
    return p.returncode, p.stdout.decode(encoding, "replace"), p.stderr.decode(encoding, "replace")


def diagnostics(args, stdin=b""):
    """The status and, for each file, its findings, from --format json."""
    rc, text, _ = check(["--format", "json", *args], stdin)
    return rc, [f["diagnostics"] for f in json.loads(text)]


def golden(_tmp):
    """A program the run finishes without error checks clean; one that stops at a syntax
    error gets that very message, as its error or, where the error stands at its cause, as
    the error's first note; nothing runs (a runtime error is no syntax error)."""
    clean = errors = 0
    for mox in sorted(GOLDEN.glob("*/*.mox")):
        out = mox.with_suffix(".out").read_bytes().decode("latin-1")
        rc, text, _ = check(["--lang", "cs", str(mox)], encoding="latin-1")
        lines = text.splitlines()
        errs = [i for i, l in enumerate(lines) if ": error: " in l]
        if "V programu se vyskytla chyba." not in out:
            clean += 1
            expect(f"{mox} is clean", (rc, errs), (0, []))
            continue
        message = next((l for l in out.splitlines() if l.startswith("V bloku: ")), None)
        if message is None or "nejedna se o cislo" in message or "prilis dlouha" in message:
            continue
        errors += 1
        # The error and the note right after it, without their codes.
        said = [line.split(kind, 1)[1].rsplit(" [", 1)[0] for line, kind in
                zip(lines[errs[0]:errs[0] + 2] if errs else [], (": error: ", ": note: "))
                if kind in line]
        expect(f"{mox} error", (rc, len(errs), message in said), (1, 1, True))
    if clean < 50 or errors < 10:
        failures.append(f"too few golden programs seen: {clean} clean, {errors} with errors")


RUN = "V bloku: '{}', na radku: {} nastala chyba - byl ocekavan znak: \"{}\", namisto toho se vyskytl tento znak: \"{}\"."
CASES = {
    # The scanner drops the capital letter, so the statement starts with a word that is no
    # keyword: the error stands at the word as written, with the keyword it is nearest to,
    # the run's message as a note, and the dropped letter is not said again as a warning.
    "reads.mox": (b'{\n  Pis_ln("a");\n}\n.\n', 1, [
        "reads.mox:2:3: error: `Pis_ln` není klíčové slovo, nemělo být `pis_ln`? [M209]",
        "reads.mox:2:4: note: " + RUN.format("Prikaz", 2, "prikaz", "is_ln") + " [M004]",
        "reads.mox:2:3: help: Překlep v klíčovém slově. Klíčová slova se píší malými písmeny bez diakritiky.",
        "reads.mox:2:3: fix: nahradit `Pis_ln` za `pis_ln`",
    ]),
    # @Vysledek is @ysledek (the fix writes it small); "pis_ ln" is one word.
    "inside.mox": (b"{\n  @Vysledek -> 1;\n  pis_ ln(@ysledek);\n} .\n", 0, [
        "inside.mox:2:4: warning: skener vynechává znaky uvnitř: `@Vysledek` se čte jako `@ysledek` [M203]",
        "inside.mox:2:3: fix: nahradit `@Vysledek` za `@vysledek`",
        "inside.mox:3:7: warning: `pis_ ln` se čte jako jedno slovo `pis_ln` [M205]",
    ]),
    # A sign glued to a number makes the error: the fix puts the blanks in.
    "blank.mox": (b"{\n  @b -> 5 -3;\n} .\n", 1, [
        "blank.mox:2:11: error: `5 -3` se čte jako `5` a číslo `-3`, ne jako odčítání (to se píše s mezerou za znaménkem: `- 3`) [M206]",
        "blank.mox:2:11: note: " + RUN.format("Vnitrni_blok", 2, ";", "-3") + " [M003]",
        "blank.mox:2:11: fix: nahradit `-` za `- `",
    ]),
    # The missing ';' is found at the '}' on line 4; the cause is the end of line 2.
    "late.mox": (b"{\n  pis(1)\n\n}\n.\n", 1, [
        "late.mox:2:8: error: za příkazem chybí `;` [M101]",
        "late.mox:4:1: note: " + RUN.format("Vnitrni_blok", 5, ";", "}") + " [M003]",
        "late.mox:4:1: note: běh programu hlásí řádek 5, kam už dospělo čtení programu",
        "late.mox:2:9: fix: vložit `;`",
    ]),
    # At the end of input the error points just past the last byte.
    "cut.mox": (b"{\n  pis(1);", 1, [
        "cut.mox:2:10: error: " + RUN.format("Blok", 2, "}", "\ufffd") + " [M002]",
    ]),
    # The two errors the run gives no message of its own.
    "cti.mox": (b"{ cti(5); } .", 1, [
        "cti.mox:1:7: error: `cti` čte jen do proměnné: byla očekávána proměnná `@jméno` [M012]",
    ]),
    "nodot.mox": (b"{ pis(1); }\nkonec\n", 1, [
        "nodot.mox:2:1: error: za hlavním blokem byla očekávána tečka: `.` [M013]",
        "nodot.mox:2:1: note: běh programu hlásí řádek 3, kam už dospělo čtení programu",
        "nodot.mox:2:1: note: slovo `konec` není klíčové slovo [M207]",
    ]),
    "nodot_end.mox": (b"{ pis(1); }\n", 1, [
        "nodot_end.mox:1:11: error: za hlavním blokem chybí tečka `.` [M104]",
        "nodot_end.mox:2:1: note: za hlavním blokem byla očekávána tečka: `.` [M013]",
        "nodot_end.mox:1:12: fix: vložit ` .`",
    ]),
    # A byte that touches no token; a carriage return before a line feed is no finding.
    "alone.mox": (b"{\r\n  pis(1); #\r\n} .\r\n", 0, [
        "alone.mox:2:11: warning: skener vynechává znak `#` [M202]",
        "alone.mox:2:11: fix: smazat `#`",
    ]),
    "unclosed.mox": (b'{ pis(1); } .\n"abc', 0, [
        "unclosed.mox:2:1: warning: neuzavřený řetězec na konci souboru: skener ho vynechá a program konci před ním [M208]".replace("konci před", "končí před"),
    ]),
    # A teacher's warnings: cti assigns, a parameter does not; a one-letter name is offered
    # nothing, a longer one the assigned or declared name nearest to it, and those come first.
    "teacher.mox": (b"?secti(p2 @x) { pis(@x); }\n{ w2 (1 < 2) { ~g(2); ~sectu(1); } w2_end; cti(@y); pis(@y); @pocet -> 1; pis(@Pocet); } .\n", 0, [
        "teacher.mox:2:23: warning: volání `~sectu`: funkce `?sectu` není nikde deklarována; nemělo být `~secti`? [M302]",
        "teacher.mox:2:23: fix: nahradit `~sectu` za `~secti`",
        "teacher.mox:2:79: warning: proměnná `@ocet` se čte, ale nikde se jí nic nepřiřazuje: má hodnotu `hodnota neurcena`; nemělo být `@pocet`? [M301]",
        "teacher.mox:2:79: fix: nahradit `@Pocet` za `@pocet`",
        "teacher.mox:1:1: warning: deklarace `?secti` není nikde volána [M303]",
        "teacher.mox:1:21: warning: proměnná `@x` se čte, ale nikde se jí nic nepřiřazuje: má hodnotu `hodnota neurcena` [M301]",
        "teacher.mox:2:7: warning: podmínka `1 < 2` je stálá: nemá v sobě proměnnou ani volání [M304]",
        "teacher.mox:2:16: warning: volání `~g`: funkce `?g` není nikde deklarována [M302]",
    ]),
}


def crafted(tmp):
    for name, (src, want_rc, want) in CASES.items():
        (tmp / name).write_bytes(src)
        rc, text, _ = check(["--lang", "cs", str(tmp / name)])
        got = [l.replace(str(tmp) + "/", "") for l in text.splitlines()]
        # Every finding is explained; the explanations are held to the data file apart.
        helps = [l for l in got if ": help: " in l]
        if len(helps) != sum(": error: " in l or ": warning: " in l for l in got):
            failures.append(f"{name}: a finding without its explanation")
        if name != "reads.mox":
            got = [l for l in got if ": help: " not in l]
        expect(name, (rc, got), (want_rc, want))


def statuses(tmp):
    # The main block is one level; the 10,000th bracket is one too many.
    (tmp / "deep.mox").write_bytes(b"{ pis(" + b"(" * 10000)
    rc, text, _ = check(["--lang", "cs", str(tmp / "deep.mox")], encoding="latin-1")
    expect("nesting limit", (rc, text.split("\n")[0]), (1, f"{tmp}/deep.mox:1:10006: error: V bloku: "
           "'Faktor', na radku: 1 nastala chyba - prilis hluboke vnoreni. [M011]"))
    warn = str(tmp / "inside.mox")
    # The status, what standard output starts with (None: nothing) and standard error holds.
    for what, args, stdin, want, out, said in [
            ("--strict", ["--strict", warn], b"", 1, "", ""), ("a directory", [str(tmp)], b"", 2, "", ""),
            ("clean --strict", ["--strict", "-"], b"{ @a -> 1; pis(@a); } .", 0, None, ""),
            ("unreadable file", [str(tmp / "missing.mox"), warn], b"", 2, "", "cannot be read"),
            ("stdin", ["-"], b"{ cti(5); } .", 1, "<stdin>:1:7: error:", "")]:
        rc, text, err = check(args, stdin)
        expect(what, (rc, text == "" if out is None else text.startswith(out), said in err),
               (want, True, True))
    help_and_unknown_option(CHECK)


def capped(_tmp):
    """A program of many mistakes gets the first thousand warnings and, on the last, how many
    more there were."""
    rc, (d,) = diagnostics(["--lang", "en", "-"], b"{ " + b"@a -> 1 $ ; " * 1500 + b"} .")
    expect("capped", (rc, len(d), {x["code"] for x in d}), (0, 1000, {"M202"}))
    expect("capped note", [n["message"] for n in d[-1]["notes"]], ["and 500 more warnings, not listed"])
    if MEASURE_MEMORY:
        huge()


def huge():
    """Memory in proportion to the program, with a small factor, at its worst (a token for
    every byte) and with a warning on every statement: the peak of the process, from wait4."""
    size = 4 << 20
    for what, program in (("braces", b"{" * size),
                          ("warnings", b"{ " + b"pisln(1); " * (size // 10) + b"} .")):
        with tempfile.TemporaryFile() as f:
            f.write(program)
            f.seek(0)
            p = subprocess.Popen([CHECK, "-"], stdin=f, stdout=subprocess.DEVNULL)
            _, status, usage = os.wait4(p.pid, 0)
        peak = usage.ru_maxrss * 1024
        expect(f"memory of {what}", (status, peak <= 48 * len(program) + (24 << 20)), (256, True))


def json_format(tmp):
    """The findings in JSON; the sign glued to a variable needs a blank on either side."""
    files = [str(write(tmp / "glued.mox", b"{ @a -> 1; pis(@a-3); } .")), str(tmp / "alone.mox")]
    rc, text, _ = check(["--format", "json", "--lang", "en", *files])
    doc = json.loads(text)
    err = doc[0]["diagnostics"][0]
    # Said once: the glued sign is the error, not a warning beside it.
    expect("json files; the error, said once, and its explanation",
           ([f["file"] for f in doc], rc, len(doc[0]["diagnostics"]), err["severity"], err["code"],
            err["line"], err["column"], err["offset"], err["length"], err["explanation"][:27]),
           (files, 1, 1, "error", "M206", 1, 18, 17, 2, "A sign right before a digit"))
    expect("json note", [(n["line"], n["column"], n["length"], n["message"][:8], n["code"]) for n in err["notes"]],
           [(1, 18, 2, "V bloku:", "M007")])
    expect("json fix", err["fixes"], [{
        "range": {"start": {"line": 1, "column": 18, "offset": 17},
                  "end": {"line": 1, "column": 19, "offset": 18}},
        "replacement": " - ", "safe": False, "title": "replace `-` with ` - `"}])
    expect("json warning", [(d["severity"], d["code"], d["offset"], d["length"]) for d in doc[1]["diagnostics"]],
           [("warning", "M202", 13, 1)])
    d = diagnostics([str(tmp / "cut.mox")])[1][0][0]
    expect("json end of input", (d["offset"], d["length"], "\ufffd" in d["message"], d["fixes"]),
           (11, 0, True, []))
    # A keyword written with a capital or with diacritics is beyond doubt: a safe fix.
    d = diagnostics(["-"], "{ píš_ln(1); W2 (0) { } w2_end; } .".encode())[1][0]
    expect("safe fixes", [(x["code"], x["fixes"][0]["replacement"], x["fixes"][0]["safe"]) for x in d[:2]],
           [("M209", "pis_ln", True), ("M209", "w2", True)])


def examples(tmp):
    """Every code's example program gives that code: checked, or, for the errors only a run
    meets, run. The one code no program can give is the checker running out of memory."""
    untriggered = []
    for entry in DATA["codes"]:
        code, example = entry["code"], entry["example"]
        if example is None:
            untriggered.append(code)
            continue
        if example == "generated":
            example = "{ pis(" + "(" * 10000
        f = tmp / f"{code}.mox"
        f.write_bytes(example.encode())
        if entry["seen_by"] == "run":
            out = subprocess.run([MOXA, str(f)], capture_output=True, timeout=120).stdout.decode("latin-1")
            message = next((l for l in out.splitlines() if l.startswith("V bloku: ")), "")
            expect(f"{code} example run", message.endswith(entry["tail"]), True)
            continue
        found = diagnostics([str(f)])[1][0]
        codes = [d["code"] for d in found] + [n.get("code") for d in found for n in d["notes"]]
        expect(f"{code} example {codes}", code in codes, True)
    expect("codes no program gives", untriggered, ["M016"])
    # Every code the checker can say is in the data file, and --codes lists them all.
    rc, text, _ = check(["--codes", "--lang", "en"])
    expect("--codes", [l.split(":")[0] for l in text.splitlines()], [e["code"] for e in DATA["codes"]])


def language(tmp):
    """The checker's words follow --lang, else the locale: Czech where it starts with cs."""
    base = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES", "LANG")}
    prog = tmp / "reads.mox"
    cs = "není klíčové slovo"
    for env, want in [({"LANG": "cs_CZ.UTF-8"}, True), ({"LANG": "C.UTF-8"}, False),
                      ({"LC_ALL": "en_US.UTF-8", "LANG": "cs_CZ.UTF-8"}, False),
                      ({"LC_MESSAGES": "cs_CZ", "LANG": "en_GB"}, True), ({}, False)]:
        text = check([str(prog)], env={**base, **env})[1]
        expect(f"locale {env}", cs in text, want)
    text = check(["--lang", "en", str(prog)], env={**base, "LANG": "cs_CZ.UTF-8"})[1]
    expect("--lang en over the locale", ("is no keyword, did you mean `pis_ln`?" in text, cs in text), (True, False))
    # The run's message stays as the interpreter prints it in either language.
    expect("run's message kept", "nastala chyba - byl ocekavan znak" in text, True)
    expect("bad --lang", check(["--lang", "de", str(prog)])[0], 2)


def explain(_tmp):
    for lang, shown in (("en", ("M101: Every statement ends with a semicolon.",
                                "For example:\n\n{\n  pis_ln(\"a\")\n")),
                        ("cs", ("M101: Každý příkaz končí středníkem", "Například:"))):
        rc, text, _ = check(["--explain", "M101", "--lang", lang])
        expect(f"--explain {lang}", (rc, text.startswith(shown[0]), shown[1] in text), (0, True, True))
    expect("--explain unknown", check(["--explain", "M999"])[0], 2)


finish_in_folder("moxa-check", (golden, crafted, statuses, json_format, capped, examples,
                               language, explain))
