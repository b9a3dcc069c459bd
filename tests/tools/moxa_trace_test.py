#!/usr/bin/env python3
"""moxa-trace on real runs: small programs against their expected traces and moxa's output, runs
stopped by a signal, a library limit and the trace's bound, traces that cannot be written, a
terminal, the command line.

usage: moxa_trace_test.py MOXA_TRACE MOXA LIBMOXA TESTS_DIR"""
import ctypes
import json
import pathlib
import signal
import subprocess
import sys
import tempfile
import time

TRACE, MOXA, LIB = (str(pathlib.Path(a).resolve()) for a in sys.argv[1:4])
HERE = pathlib.Path(sys.argv[4]) / "tools"
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import (BYE, HELLO, USPECH as OK, expect, finish,  # noqa: E402
                    input_of, on_terminal, run_on, write)
TEMPORARY = tempfile.TemporaryDirectory()
TMP = pathlib.Path(TEMPORARY.name)
ENDLESS = b"{ @i -> 0; w2 (1) { @i -> @i + 1; pis(@i); } w2_end; } .\n"


def records(text):
    """The trace's lines as objects; every line must be one whole JSON object."""
    return [json.loads(line) for line in text.decode("ascii").splitlines()]


def program(name, text):
    return str(write(TMP / name, text))


def printed(recs):
    """What the trace says was printed, as bytes."""
    return b"".join(r["text"].encode("latin-1") for r in recs if r.get("kind") == "print")


def run(*args, stdin=b"", cwd=None, timeout=120):
    return subprocess.run([TRACE, *args], input=stdin, capture_output=True, timeout=timeout,
                          cwd=cwd)


def traced(args, stdin=b"", cwd=None):
    out = TMP / "trace.jsonl"
    out.unlink(missing_ok=True)
    p = run("-o", str(out), *args, stdin=stdin, cwd=cwd)
    return p.returncode, p.stdout, out.read_bytes() if out.exists() else b""


def golden_traces():
    """Programs that cover every kind of step and every rule, each beside its expected trace;
    the output is moxa's own, to the byte, whether the run ends well or at an error."""
    cases = sorted((HERE / "trace").glob("*.mox"))
    expect("golden traces found", len(cases) >= 6, True)
    for mox in cases:
        rc, out, trace = traced([mox.name], input_of(mox), cwd=mox.parent)
        want, got = records(mox.with_suffix(".jsonl").read_bytes()), records(trace)
        for i, (g, w) in enumerate(zip(got, want)):
            expect(f"{mox.name} record {i + 1}", g, w)
        expect(f"{mox.name} records, exit and output", (len(got), rc, out),
               (len(want), 0, run_on([MOXA], mox).stdout))


def stopped_by_signal():
    prog = program("quiet_loop.mox", b"{ @i -> 0; w2 (1) { @i -> @i + 1; } w2_end; } .\n")
    out = TMP / "signal.jsonl"
    # Without a bound on the trace: the signal, not the bound, is to stop the run.
    p = subprocess.Popen([TRACE, "-o", str(out), "--max-bytes", "0", prog], stdout=subprocess.PIPE)
    time.sleep(0.5)
    p.send_signal(signal.SIGTERM)
    p.communicate(timeout=30)
    recs = records(out.read_bytes())
    expect("signal: exit, end, steps; many steps, the last in the loop",
           (p.returncode, recs[-1], len(recs) > 1000, recs[-2]["kind"] in ("assign", "while")),
           (-signal.SIGTERM, {"end": "stopped", "steps": len(recs) - 1}, True, True))


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
    recs = records(b"".join(lines))
    expect("limit: result (MOXA_STOPPED), one record a call, end, prints",
           (rc, all(line.endswith(b"\n") and line.count(b"\n") == 1 for line in lines), recs[-1],
            printed(recs)), (2, True, {"end": "stopped", "steps": len(recs) - 1}, b"".join(output)))


def command_line():
    missing = str(TMP / "missing.mox")
    rc, out, trace = traced([missing])
    expect("missing file: output, no trace", (out, trace),
           (subprocess.run([MOXA, missing], capture_output=True).stdout, b""))
    # Without -o the trace goes to standard error; '- -' reads the program from stdin.
    p = run("-", "-", stdin=b"{ cti(@x);7\n pis(@x); } .")
    expect("stdin: output and trace", (p.stdout, [r.get("kind") for r in records(p.stderr)]),
           (HELLO + b"7" + OK + BYE, ["read", "print", None]))
    p = run("--help")
    expect("--help with the bound", (p.returncode, p.stdout.startswith(b"usage: moxa-trace"),
                                     b"--max-bytes N" in p.stdout and b"104857600" in p.stdout),
           (0, True, True))
    p = run("-o", str(TMP / "no" / "such"), missing)
    expect("-o unwritable", (p.returncode, p.stdout), (2, b""))
    p = run("--max-bytes", "lots", missing)
    expect("bound: not a number", (p.returncode, b"--max-bytes" in p.stderr), (2, True))

def bounded():
    """An endless run stops once its trace would pass the bound: the trace ends with
    "stopped" within the bound, the output has nothing after the stop, the status is 3."""
    prog, out = program("loop.mox", ENDLESS), TMP / "bounded.jsonl"
    for args, bound in ((["--max-bytes", "200000"], 200000), ([], 100 << 20)):
        p = run("-o", str(out), *args, prog, timeout=600)
        text = out.read_bytes()
        recs, steps = records(text), text[:text.rindex(b"{\"end\"")]
        expect(f"bound {bound}: status, message, end, within the bound, output, nothing after "
               "the stop", (p.returncode, b"bound of %d bytes" % bound in p.stderr,
                            recs[-1]["end"], bound - 1000 < len(steps) <= bound,
                            p.stdout.startswith(HELLO + printed(recs)), p.stdout.endswith(BYE)),
               (3, True, "stopped", True, True, False))


def unwritable():
    """A trace that cannot be written stops the run with a message and status 2: a full
    device and, for an endless run, standard error whose reader has gone."""
    p = run("-o", "/dev/full", program("short.mox", b"{ pis_ln(1); } .\n"))
    expect("/dev/full: status and message", (p.returncode,
           b"moxa-trace: /dev/full: the trace cannot be written" in p.stderr), (2, True))
    p = subprocess.Popen([TRACE, program("loop.mox", ENDLESS)], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    p.stderr.close()
    expect("closed pipe: status", p.wait(timeout=120), 2)


def on_a_terminal():
    """With standard output and the trace on one terminal, the whole trace comes after the
    program's output instead of mixed into it (the trace here is many times larger than the
    pieces it is written in elsewhere)."""
    prog = program("lines.mox", b'{ @i -> 0; w2 (@i < 3000) { pis_ln("radek " + @i); '
                   b'@i -> @i + 1; } w2_end; } .\n')
    _, shown, _, status = on_terminal([TRACE, prog], limit=120)
    shown = shown.replace(b"\r\n", b"\n")
    # The program's lines hold a real line feed; in the trace it is written \n.
    last_line, first_step = shown.find(b"radek 2999.000000\n"), shown.find(b'{"step": 1,')
    expect("terminal: exit, output and trace shown, the trace after the output",
           (status, last_line > 0, first_step > last_line), (0, True, True))
    recs = records(b"".join(line for line in shown[first_step:].splitlines(True)
                            if line.startswith(b"{")))
    expect("terminal: whole trace", recs[-1], {"end": "ok", "steps": len(recs) - 1})


finish("moxa-trace", (golden_traces, bounded, unwritable, stopped_by_signal,
                     stopped_by_limit, command_line, on_a_terminal))
