#!/usr/bin/env python3
"""moxa-trace on real runs: small programs against their expected traces (compared as parsed
JSON), every golden program (the same output as moxa, the texts of its print steps joined
being its output between the banners and the verdict, the message of the end record being
the one printed), a run stopped by a signal and by a library limit, a file that cannot be
opened, the trace's bound (given and by default), a trace that cannot be written (a full
device, a closed pipe), -o and --help.

usage: moxa_trace_test.py MOXA_TRACE MOXA LIBMOXA SOURCE_DIR"""
import ctypes
import json
import os
import pathlib
import pty
import select
import signal
import subprocess
import sys
import tempfile
import time

TRACE, MOXA, LIB = (str(pathlib.Path(a).resolve()) for a in sys.argv[1:4])
ROOT = pathlib.Path(sys.argv[4])
HERE = pathlib.Path(__file__).parent
HELLO, BYE = b"\nhello\n\n", b"\nbye\n\n"
OK, VERDICT = b"\nProgram probehl bez chyb.\n", b"\nV programu se vyskytla chyba.\n"
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import expect, failures, finish  # noqa: E402


def records(text):
    """The trace's lines as objects; every line must be one whole JSON object."""
    return [json.loads(line) for line in text.decode("ascii").splitlines()]


def value(s):
    """A value of the trace back as its bytes."""
    return s.encode("latin-1")


def traced(args, stdin=b"", cwd=None):
    with tempfile.TemporaryDirectory() as tmp:
        out = pathlib.Path(tmp) / "trace.jsonl"
        p = subprocess.run([TRACE, "-o", str(out), *args], input=stdin, capture_output=True,
                           timeout=120, cwd=cwd)
        return p.returncode, p.stdout, out.read_bytes()


def golden_traces():
    """Programs that cover every kind of step and every rule, each beside its expected trace."""
    cases = sorted((HERE / "trace").glob("*.mox"))
    expect("golden traces found", len(cases) >= 6, True)
    for mox in cases:
        stdin = mox.with_suffix(".in").read_bytes() if mox.with_suffix(".in").exists() else b""
        rc, out, trace = traced([mox.name], stdin, cwd=mox.parent)
        want = [json.loads(line) for line in mox.with_suffix(".jsonl").read_text().splitlines()
                if line.strip()]
        got = records(trace)
        for i, (g, w) in enumerate(zip(got, want)):
            expect(f"{mox.name} record {i + 1}", g, w)
        expect(f"{mox.name} records", len(got), len(want))
        expect(f"{mox.name} exit", rc, 0)


def every_golden_program():
    programs = sorted((ROOT / "golden").glob("*/*.mox"))
    expect("golden programs found", len(programs) > 100, True)
    for mox in programs:
        stdin = mox.with_suffix(".in").read_bytes() if mox.with_suffix(".in").exists() else b""
        rc, out, trace = traced([str(mox)], stdin)
        plain = subprocess.run([MOXA, str(mox)], input=stdin, capture_output=True, timeout=120)
        expect(f"{mox} output", out, plain.stdout)
        expect(f"{mox} exit", rc, plain.returncode)
        recs = records(trace)
        steps, end = recs[:-1], recs[-1]
        expect(f"{mox} step numbers", [r["step"] for r in steps], list(range(1, len(steps) + 1)))
        expect(f"{mox} end steps", end.get("steps"), len(steps))
        printed = b"".join(value(r["text"]) for r in steps if r["kind"] == "print")
        body = out[len(HELLO):len(out) - len(BYE)]
        if end["end"] == "ok":
            expect(f"{mox} prints", printed + OK, body)
        else:
            expect(f"{mox} end", end["end"], "error")
            expect(f"{mox} prints and message", printed + value(end["message"]) + VERDICT, body)
        # The stack rebuilt from the changes alone never reaches below its bottom.
        stack = []
        for r in steps:
            if "stack" in r:
                keep = r["stack"]["keep"]
                expect(f"{mox} step {r['step']} keep", keep <= len(stack), True)
                stack = stack[:keep] + r["stack"]["push"]


def stopped_by_signal():
    with tempfile.TemporaryDirectory() as tmp:
        prog = pathlib.Path(tmp) / "loop.mox"
        prog.write_text("{ @i -> 0; w2 (1) { @i -> @i + 1; } w2_end; } .\n")
        out = pathlib.Path(tmp) / "trace.jsonl"
        # Without a bound on the trace: the signal, not the bound, is to stop the run.
        p = subprocess.Popen([TRACE, "-o", str(out), "--max-bytes", "0", str(prog)],
                             stdout=subprocess.PIPE)
        time.sleep(0.5)
        p.send_signal(signal.SIGTERM)
        stdout, _ = p.communicate(timeout=30)
        expect("signal: exit", p.returncode, -signal.SIGTERM)
        recs = records(out.read_bytes())
        expect("signal: end", recs[-1]["end"], "stopped")
        expect("signal: steps", recs[-1]["steps"], len(recs) - 1)
        expect("signal: many steps", len(recs) > 1000, True)
        expect("signal: last step", recs[-2]["kind"] in ("assign", "while"), True)


def stopped_by_limit():
    """The library's step limit ends the trace with "stopped"; the trace reaches the host
    through moxa_options, as moxa-trace writes it."""
    lib = ctypes.CDLL(LIB)

    class Options(ctypes.Structure):
        _fields_ = [("size", ctypes.c_size_t), ("max_steps", ctypes.c_ulonglong),
                    ("max_output", ctypes.c_size_t), ("max_memory", ctypes.c_size_t),
                    ("max_time", ctypes.c_ulonglong), ("read", ctypes.c_void_p),
                    ("read_user", ctypes.c_void_p), ("trace", ctypes.c_void_p),
                    ("trace_user", ctypes.c_void_p)]

    fn = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(ctypes.c_char), ctypes.c_size_t)
    lines, output = [], []
    on_line = fn(lambda user, data, n: lines.append(ctypes.string_at(data, n)))
    on_output = fn(lambda user, data, n: output.append(ctypes.string_at(data, n)))
    options = Options(size=ctypes.sizeof(Options), max_steps=2000,
                      trace=ctypes.cast(on_line, ctypes.c_void_p))
    program = b"{ @i -> 0; w2 (1) { @i -> @i + 1; pis_ln(@i); } w2_end; } ."
    rc = lib.moxa_run_with(program, len(program), None, 0, ctypes.byref(options), on_output, None)
    expect("limit: result", rc, 2)  # MOXA_STOPPED
    expect("limit: one record a call", all(line.endswith(b"\n") and line.count(b"\n") == 1
                                           for line in lines), True)
    recs = records(b"".join(lines))
    expect("limit: end", recs[-1], {"end": "stopped", "steps": len(recs) - 1})
    printed = b"".join(value(r["text"]) for r in recs if r.get("kind") == "print")
    expect("limit: prints", printed, b"".join(output))


def command_line():
    with tempfile.TemporaryDirectory() as tmp:
        missing = str(pathlib.Path(tmp) / "missing.mox")
        rc, out, trace = traced([missing])
        plain = subprocess.run([MOXA, missing], capture_output=True)
        expect("missing file: output", out, plain.stdout)
        expect("missing file: trace", trace, b"")
        # Without -o the trace goes to standard error; '- -' reads the program from stdin.
        p = subprocess.run([TRACE, "-", "-"], input=b"{ cti(@x);7\n pis(@x); } .",
                           capture_output=True, timeout=60)
        expect("stdin: output", p.stdout, HELLO + b"7" + OK + BYE)
        expect("stdin: trace", [r.get("kind") for r in records(p.stderr)], ["read", "print", None])
        p = subprocess.run([TRACE, "--help"], capture_output=True)
        expect("--help", (p.returncode, p.stdout.startswith(b"usage: moxa-trace")), (0, True))
        expect("--help: the bound", b"--max-bytes N" in p.stdout and b"104857600" in p.stdout,
               True)
        p = subprocess.run([TRACE, "-o", str(pathlib.Path(tmp) / "no" / "such"), missing],
                           capture_output=True)
        expect("-o unwritable", (p.returncode, p.stdout), (2, b""))


ENDLESS = b"{ @i -> 0; w2 (1) { @i -> @i + 1; pis(@i); } w2_end; } .\n"


def bounded():
    """An endless run stops once its trace would pass the bound: the trace ends with
    "stopped" within the bound, the output has nothing after the stop, the status is 3."""
    with tempfile.TemporaryDirectory() as tmp:
        prog = pathlib.Path(tmp) / "loop.mox"
        prog.write_bytes(ENDLESS)
        out = pathlib.Path(tmp) / "trace.jsonl"
        for args, bound in ((["--max-bytes", "200000"], 200000), ([], 100 << 20)):
            p = subprocess.run([TRACE, "-o", str(out), *args, str(prog)], capture_output=True,
                               timeout=600)
            what = f"bound {bound}"
            expect(what + ": status", p.returncode, 3)
            expect(what + ": message", b"bound of %d bytes" % bound in p.stderr, True)
            text = out.read_bytes()
            recs = records(text)
            expect(what + ": end", recs[-1]["end"], "stopped")
            steps = text[:text.rindex(b"{\"end\"")]
            expect(what + ": within the bound", bound - 1000 < len(steps) <= bound, True)
            printed = b"".join(value(r["text"]) for r in recs if r.get("kind") == "print")
            expect(what + ": output", p.stdout.startswith(HELLO + printed), True)
            expect(what + ": nothing after the stop", p.stdout.endswith(BYE), False)
        p = subprocess.run([TRACE, "--max-bytes", "lots", str(prog)], capture_output=True,
                           timeout=60)
        expect("bound: not a number", (p.returncode, b"--max-bytes" in p.stderr), (2, True))


def unwritable():
    """A trace that cannot be written stops the run with a message and status 2: a full
    device (for a short run and an endless one) and standard error whose reader has gone."""
    with tempfile.TemporaryDirectory() as tmp:
        short = pathlib.Path(tmp) / "short.mox"
        short.write_bytes(b"{ pis_ln(1); } .\n")
        endless = pathlib.Path(tmp) / "loop.mox"
        endless.write_bytes(ENDLESS)
        for prog in (short, endless):
            p = subprocess.run([TRACE, "-o", "/dev/full", str(prog)], capture_output=True,
                               timeout=120)
            expect(f"{prog.name} /dev/full: status", p.returncode, 2)
            expect(f"{prog.name} /dev/full: message",
                   b"moxa-trace: /dev/full: the trace cannot be written" in p.stderr, True)
        p = subprocess.Popen([TRACE, str(endless)], stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
        p.stderr.close()
        expect("closed pipe: status", p.wait(timeout=120), 2)


def on_a_terminal():
    """With standard output and the trace on one terminal, the whole trace comes after the
    program's output instead of mixed into it (the trace here is many times larger than the
    pieces it is written in elsewhere)."""
    with tempfile.TemporaryDirectory() as tmp:
        prog = pathlib.Path(tmp) / "lines.mox"
        prog.write_text('{ @i -> 0; w2 (@i < 3000) { pis_ln("radek " + @i); @i -> @i + 1; } '
                        'w2_end; } .\n')
        master, slave = pty.openpty()
        p = subprocess.Popen([TRACE, str(prog)], stdin=slave, stdout=slave, stderr=slave)
        os.close(slave)
        data = b""
        while select.select([master], [], [], 120)[0]:
            try:
                chunk = os.read(master, 1 << 16)
            except OSError:  # the other end is closed
                break
            if not chunk:
                break
            data += chunk
        p.wait(timeout=60)
        os.close(master)
        shown = data.replace(b"\r\n", b"\n")
        # The program's lines hold a real line feed; in the trace it is written \n.
        last_line = shown.find(b"radek 2999.000000\n")
        first_step = shown.find(b'{"step": 1,')
        expect("terminal: exit", p.returncode, 0)
        expect("terminal: output and trace shown", last_line > 0 and first_step > 0, True)
        expect("terminal: trace after the output", first_step > last_line, True)
        recs = records(b"".join(line for line in shown[first_step:].splitlines(True)
                                if line.startswith(b"{")))
        expect("terminal: whole trace", recs[-1], {"end": "ok", "steps": len(recs) - 1})


finish("moxa-trace", (golden_traces, every_golden_program, bounded, unwritable, stopped_by_signal,
                     stopped_by_limit, command_line, on_a_terminal))
