#!/usr/bin/env python3
"""moxa-dap driven by a test client over pipes, against the trace of the same runs: breakpoints,
every step forward and back, reverse continue, the blocks the run is in, conditions, hit
counts, errors, every golden program's output, broken framing and wrong requests.

usage: moxa_dap_test.py MOXA_DAP MOXA_TRACE MOXA SOURCE_DIR"""
import json
import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).parent))
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import expect, finish, help_and_unknown_option, run_on, write  # noqa: E402
from dap_client import Klient  # noqa: E402

DAP, TRACE, MOXA = (str(pathlib.Path(a).resolve()) for a in sys.argv[1:4])
ROOT = pathlib.Path(sys.argv[4]).resolve()
TRACES = ROOT / "tests" / "tools" / "trace"
TEMPORARY = tempfile.TemporaryDirectory()
TMP = pathlib.Path(TEMPORARY.name)


def trace(mox):
    out = TMP / "t.jsonl"
    run_on([TRACE, "-o", str(out)], mox).check_returncode()
    return [json.loads(r) for r in out.read_text().splitlines()]


def states(records):
    """The state before each step, from the trace: (line, col, variables, stack)."""
    prom, zas, r = {}, [], []
    for z in records[:-1]:
        r.append((z["line"], z["col"], dict(prom), list(zas)))
        if z["kind"] in ("assign", "read"):
            prom[z["var"]] = z["value"]
        if "stack" in z:
            zas = zas[:z["stack"]["keep"]] + z["stack"]["push"]
    return r


def arrivals(records, lines):
    """The indices of the states at which the run comes to one of `lines` anew."""
    r, prev = [], 0
    for z in records[:-1]:
        if z["line"] in lines and (z["line"] != prev or z["kind"] == "while"):
            r.append(z["step"] - 1)
        prev = z["line"]
    return r


def session(mox, breakpoints=(), **launch):
    k = Klient(DAP)
    if "input" not in launch and mox.with_suffix(".in").exists():
        launch["inputFile"] = str(mox.with_suffix(".in"))
    k.zacni(str(mox), breakpoints, **launch)
    return k


def breakpoints_in_trace_order():
    for name, lines in [("loops.mox", {4, 9, 12}), ("kinds.mox", {2, 7, 10})]:
        k, got = session(TRACES / name, sorted(lines), stopOnEntry=False), []
        for stop in k.zastaveni_do_konce():
            expect(f"{name}: reason", stop["reason"], "breakpoint")
            got.append(k.stav())
            k.telo("continue", {"threadId": 1})
        records = trace(TRACES / name)
        expect(f"{name}: the stops at breakpoints", got,
               [states(records)[i] for i in arrivals(records, lines)])
        k.konec()


def every_step_forward_and_back():
    for name in ("loops.mox", "kinds.mox", "bytes.mox"):
        mox = TRACES / name
        want = states(trace(mox))
        with session(mox, stopOnEntry=True) as k:
            expect(f"{name}: entry", k.zastaveni()["reason"], "entry")
            got, printed = [k.stav()], [k.vypsano()]
            for _ in want[1:]:
                k.krok("next")
                got.append(k.stav())
                printed.append(k.vypsano())
            expect(f"{name}: each step", got, want)
            # What was printed grows step by step into moxa's own output.
            moxa = run_on([MOXA], mox).stdout.decode("latin-1")
            expect(f"{name}: printed so far", all(moxa.startswith(p) for p in printed), True)
            expect(f"{name}: something printed on the way", printed[0] != printed[-1], True)
            # Back from the last step to the first, one step at a time: the state and what had
            # been printed by then.
            back = []
            for _ in want[1:]:
                expect(f"{name}: stepBack reason", k.krok("stepBack")["reason"], "step")
                back.append((k.stav(), k.vypsano()))
            expect(f"{name}: each step back", back, list(zip(want, printed))[-2::-1])


def going_back_to_breakpoints():
    """reverseContinue to each earlier hit and to the start; and in a run of some thousands
    of steps, going back past the states the engine keeps."""
    records = trace(TRACES / "loops.mox")
    want = states(records)
    hits = [want[i] for i in arrivals(records, {9})]
    with session(TRACES / "loops.mox", [9]) as k:
        k.zastaveni()
        for _ in range(3):
            k.krok("continue")
        expect("at the fourth hit", k.stav(), hits[3])
        for n in (2, 1, 0):
            expect("reverseContinue reason", k.krok("reverseContinue")["reason"], "breakpoint")
            expect(f"reverseContinue to hit {n + 1}", k.stav(), hits[n])
        expect("reverseContinue before the first hit", k.krok("reverseContinue")["reason"], "entry")
        expect("reverseContinue to the start", k.stav(), want[0])
        k.krok("continue")
        expect("forward again to the first hit", k.stav(), hits[0])

    mox = write(TMP / "long.mox", "{\n  @i -> 0;\n  w2 (@i < 3000) {\n    @i -> @i + 1;\n"
                "    pis(@i % 7);\n  } w2_end;\n} .\n")
    records = trace(mox)
    want, hits = states(records), arrivals(records, {5})
    with session(mox, [{"line": 5, "hitCondition": "% 1250"}]) as k:
        k.zastaveni()
        expect("long run: the 1250th hit", k.stav(), want[hits[1249]])
        k.krok("continue")
        i = hits[2499]
        expect("long run: the 2500th hit", k.stav(), want[i])
        for back in range(1, 4):
            k.krok("stepBack")
            expect(f"long run: {back} steps back", k.stav(), want[i - back])
        expect("long run: reverseContinue", k.krok("reverseContinue")["reason"], "breakpoint")
        expect("long run: the previous hit", k.stav(), want[hits[1249]])


def frames(k):
    return [(f["name"], f["line"], f["column"])
            for f in k.telo("stackTrace", {"threadId": 1})["stackFrames"]]


def blocks_the_run_is_in():
    mox = write(TMP / "blocks.mox", "?f(p2 @a) {\n  pis_ln(\"d\");\n}\n{\n  @i -> 0;\n"
                "  w2 (@i < 3) {\n    i2 (@i = 1) {\n      pis(\"a\");\n"
                "    } e2 {\n      pis(\"b\");\n    } i2_end;\n"
                "    @i -> @i + 1;\n  } w2_end;\n  pis_ln(\"konec\");\n} .\n")
    with session(mox, [2, 6, 8, 10]) as k:
        k.zastaveni()
        loop, main = ("w2 at line 6, pass %d", 7, 5), ("main block", 6, 3)
        for n, (what, want) in enumerate([
                ("declaration", [("?f, declaration block", 2, 3)]),
                ("first test", [("w2 at line 6, first test", 6, 3), main]),
                ("else branch, pass 1", [("i2 at line 7, e2: condition false", 10, 7),
                                         (loop[0] % 1, *loop[1:]), main]),
                ("test after pass 1", [("w2 at line 6, test after pass 1", 6, 3), main]),
                ("then branch, pass 2", [("i2 at line 7, condition true", 8, 7),
                                         (loop[0] % 2, *loop[1:]), main])]):
            if n:
                k.krok("continue")
            expect(what, frames(k), want)
        # Out of the branch to the statement after the conditional, then out of the loop.
        k.krok("stepOut")
        expect("out of the branch", frames(k)[0], ("w2 at line 6, pass 2", 12, 5))
        k.telo("setBreakpoints", {"source": {"path": str(mox)}, "breakpoints": []})
        k.krok("stepOut")
        expect("out of the loop: the end", k.stav()[:3], (14, 3, {"@i": "3.000000"}))
    # An e2 whose "{" comes after a "}" that closes another block: its blocks are mapped and it
    # runs to its error.
    odd = write(TMP / "odd.mox", "{ i2 (1) { } e2 } { } .\n")
    with session(odd, None) as k:
        expect("e2 before a closing brace", k.do_konce(), "\nhello\n\nV bloku: 'Blok', na radku: 1 "
               "nastala chyba - byl ocekavan znak: \"{\", namisto toho se vyskytl tento znak: "
               "\"}\".\n\nV programu se vyskytla chyba.\n\nbye\n\n")


def conditions_counts_errors():
    mox = TRACES / "condition_error.mox"
    records = trace(mox)
    want = states(records)
    asked = [{"line": 4, "condition": "@i > 0"}, {"line": 3, "hitCondition": "% 2"},
             {"line": 6, "hitCondition": "no"}, {"line": 99}]
    with session(mox, asked) as k:
        bps = k.telo("setBreakpoints", {"source": {"path": str(mox)}, "breakpoints": asked})
        expect("verified", [b["verified"] for b in bps["breakpoints"]], [True, True, False, False])
        # Line 3's test: hits 1, 2, 3 at steps 2, 4, 6: the second stops. Line 4 with @i > 0:
        # its second arrival (step 5).
        stops = []
        for stop in k.zastaveni_do_konce():
            stops.append((stop["reason"], k.stav()))
            if stop["reason"] == "exception":
                expect("the error's text", stop["text"], records[-1]["message"].rstrip("\n"))
                expect("evaluate at the error",
                       k.telo("evaluate", {"expression": "@i * 10", "context": "repl"})["result"],
                       "20.000000")
            k.telo("continue", {"threadId": 1})
        expect("stops at the hit count, on the condition, at the error",
               [(r, s[:2] if r == "exception" else s) for r, s in stops],
               [("breakpoint", want[3]), ("breakpoint", want[4]), ("exception", (6, 3))])
    # A line without a statement moves to the next one; hovers name variables.
    with session(TRACES / "loops.mox", [1, 13]) as k:
        r = k.telo("setBreakpoints", {"source": {"path": str(TRACES / "loops.mox")},
                                      "breakpoints": [{"line": 1}, {"line": 11}, {"line": 14}]})
        expect("moved lines", [(b["verified"], b["line"]) for b in r["breakpoints"]],
               [(True, 2), (True, 12), (False, 14)])
        k.zastaveni()
        k.krok("next")
        expect("hover", k.telo("evaluate", {"expression": "@n", "context": "hover"})["result"], "0")
        r = k.pozadavek("evaluate", {"expression": "@n +", "context": "repl"})
        expect("a broken expression fails", r["success"], False)


def golden_output():
    """Every golden program run to its end under the adapter prints what moxa prints."""
    programs = sorted((ROOT / "tests" / "golden").rglob("*.mox"))
    expect("golden programs found", len(programs) > 100, True)
    for mox in programs:
        want = run_on([MOXA], mox).stdout
        with session(mox, None) as k:
            expect(f"output of {mox.relative_to(ROOT)}", k.do_konce().encode("latin-1"), want)


def broken_input():
    k = Klient(DAP)
    for what, command, args, said in [
            ("unknown request", "flyToTheMoon", {}, "unknown request flyToTheMoon"),
            ("missing program", "launch", {"program": "/nonexistent/x.mox"},
             "cannot read the program"),
            ("negative limit", "launch", {"program": str(TRACES / "loops.mox"), "maxSteps": -1}, ""),
            ("a step before launch", "next", {"threadId": 1}, "")]:
        r = k.pozadavek(command, args)
        expect(what, (r["success"], said in r.get("message", "")), (False, True))
    # Not JSON, a header without Content-Length, a length that is no number: dropped, and
    # the next message is still answered.
    k.raw(b"Content-Length: 5\r\n\r\nnot jX-Other: 1\r\n\r\nContent-Length: many\r\n\r\n{}")
    r = k.pozadavek("threads")
    expect("answered after garbage", r["body"]["threads"], [{"id": 1, "name": "main"}])
    expect("exit status", k.konec(), 0)
    help_and_unknown_option(DAP)


def limits_and_input():
    mox = TRACES / "kinds.mox"
    loop = write(TMP / "forever.mox", "{ w2 (1) { @x -> 1; } w2_end; } .\n")
    for what, prog, launch, want in (
            ("maxOutput: the first bytes, no closing banner", mox,
             {"input": "ahoj svete", "maxSteps": 0, "maxOutput": 3}, "\nhello\n\nblo"),
            ("maxSteps stops a loop", loop, {"maxSteps": 5000}, "\nhello\n\n")):
        with session(prog, None, **launch) as k:
            k.udalost("terminated")
            expect(what, k.vystup(), want)
    # Pause stops a run that would go on forever.
    with session(loop, None) as k:
        expect("pause", k.krok("pause")["reason"], "pause")
        expect("paused in the loop", frames(k)[-1][0], "main block")
        k.telo("terminate")
        k.udalost("terminated")
    with session(mox, [6], input="slovo") as k:
        for word in ("slovo", "jine"):  # the input given as text, then again after a restart
            if word == "jine":
                k.telo("restart", {"arguments": {"program": str(mox), "input": word}})
            k.zastaveni()
            k.krok("next")
            expect(f"input {word}", k.stav()[2].get("@w"), word)


finish("moxa-dap", (breakpoints_in_trace_order, every_step_forward_and_back,
                   going_back_to_breakpoints, blocks_the_run_is_in, conditions_counts_errors,
                   golden_output, broken_input, limits_and_input))
