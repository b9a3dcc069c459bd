#!/usr/bin/env python3
"""Output that a person can watch, runs that are interrupted, streams that make us wait, all
through the real executable: a terminal (lines and prompts shown at once, Ctrl-C); SIGINT,
SIGTERM and SIGHUP to runs writing to a file or a pipe (every line printed before the signal
is there, the status is the signal's); a reader that goes away; non-blocking pipes and a FIFO
as the source; small address-space and stack limits (10,000 levels of nesting still run).

Usage: watch_and_interrupt.py path/to/moxa [--no-ulimit]
  --no-ulimit  leave out the address-space limits (a sanitizer needs more address space)
Waits are generous and poll for what they wait for (a loaded machine, the sanitizer build).
"""
import fcntl
import os
import pathlib
import re
import select
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import (HELLO, chyba, expect, finish_in_folder, on_terminal, reap,  # noqa: E402
                    uspech, write)

MOXA = os.path.abspath(sys.argv[1])
ULIMIT = "--no-ulimit" not in sys.argv[2:]
LIMIT = 60.0  # seconds to wait for anything that should come at once

FOREVER = b'{ pis_ln("first line"); @i -> 0; w2(1) { @i -> @i + 1; } w2_end; } .'
COUNTER = b"{ @i -> 0; w2(1) { @i -> @i + 1; pis_ln(@i); } w2_end; } ."
PROMPT = b'{ pis("Zadej: "); cti(@a); pis_ln("[" + @a + "]"); } .'


def wait_for(condition, limit=LIMIT):
    end = time.monotonic() + limit
    while not (value := condition()) and time.monotonic() <= end:
        time.sleep(0.02)
    return value


def counter_prefix_ok(out):
    """The output of COUNTER cut at a pass boundary: the banner, then whole lines 1, 2, ..."""
    body = out[len(HELLO):]
    return (out.startswith(HELLO) and (not body or body.endswith(b"\n")) and
            all(line == b"%d.000000" % (i + 1) for i, line in enumerate(body.split(b"\n")[:-1])))


class Collector:
    """Reads a descriptor to its end on a thread of its own, so that the writer never waits."""

    def __init__(self, fd):
        self.data = b""  # each read makes a new object, which another thread may take whole
        self.thread = threading.Thread(target=self._run, args=(fd,), daemon=True)
        self.thread.start()

    def _run(self, fd):
        try:
            for chunk in iter(lambda: os.read(fd, 65536), b""):
                self.data += chunk
        except OSError:
            pass

    def finish(self):
        self.thread.join(LIMIT)
        return self.data


def deep(shape, depth):
    if shape == "calls":
        return b"{pis_ln(" + b"~f(" * depth + b"7" + b")" * depth + b");}."
    return b"{" + b"@w->1;w2(@w){@w->0;" * depth + b"pis_ln(7);" + b"}w2_end;" * depth + b"}."


def terminal(tmp):
    forever, prompt = write(f"{tmp}/forever.mox", FOREVER), write(f"{tmp}/prompt.mox", PROMPT)
    # Every line is on the screen while the loop still runs, each written as it was printed
    # (the banner's lines and the first line: two writes, where a timer's flush makes one);
    # Ctrl-C, as typed (the terminal sends SIGINT), then ends the run with nothing more printed.
    def writes(proc):
        io = pathlib.Path(f"/proc/{proc.pid}/io").read_text()
        return proc.poll() is None, int(re.search(r"^syscw: (\d+)$", io, re.M)[1]) >= 2
    before, seen, running, status = on_terminal([MOXA, forever], b"first line\r\n", b"\x03",
                                                look=writes)
    expect("terminal: the first line shown, line by line, while the loop runs; Ctrl-C ends it",
           (before is not None, running, status, seen),
           (True, (True, True), -signal.SIGINT, b"\r\nhello\r\n\r\nfirst line\r\n"))
    # A prompt without a line end is visible before cti waits; the word typed is read.
    before, seen, _, status = on_terminal([MOXA, prompt], b"Zadej: ", b"slovo\n")
    expect("terminal: the prompt shown before cti waits, the typed word read",
           (before is not None and before.endswith(b"Zadej: "), status,
            b"[slovo]\r\n\r\nProgram probehl bez chyb.\r\n\r\nbye\r\n\r\n" in seen), (True, 0, True))


def start(path, to_file, tmp, **popen):
    """Starts moxa on `path`; returns (process, a function that returns the output so far,
    a function that waits for the rest and returns all of it)."""
    popen.setdefault("stdin", subprocess.DEVNULL)
    if not to_file:
        proc = subprocess.Popen([MOXA, path], stdout=subprocess.PIPE, **popen)
        collector = Collector(proc.stdout.fileno())
        return proc, lambda: collector.data, collector.finish
    with open(f"{tmp}/out", "wb") as out:
        proc = subprocess.Popen([MOXA, path], stdout=out, **popen)
    return proc, pathlib.Path(f"{tmp}/out").read_bytes, pathlib.Path(f"{tmp}/out").read_bytes


def interrupt(path, sig, ready, tmp, to_file=False, **popen):
    """Starts moxa on `path`, waits until `ready(output so far)` holds (or, without `ready`,
    half a second), sends `sig`: whether it was ready, the status and the whole output."""
    proc, read, finish_reading = start(path, to_file, tmp, **popen)
    seen = wait_for(lambda: ready(read())) if ready else time.sleep(0.5) is None
    proc.send_signal(sig)
    status = reap(proc, f"{sig.name} to {path}")
    return seen, status, finish_reading()


def signals(tmp):
    forever = write(f"{tmp}/forever.mox", FOREVER)
    counter = write(f"{tmp}/counter.mox", COUNTER)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        for to_file in (True, False):
            where = f"{sig.name} to a run writing to {'a file' if to_file else 'a pipe'}"
            # A quiet computation after one line: the line comes out on the timer, and the
            # signal ends the run with the output exactly as printed.
            seen, status, out = interrupt(forever, sig, lambda o: b"first line\n" in o, tmp,
                                          to_file)
            expect(f"{where}: the first line while the loop runs, the status, the output",
                   (seen, status, out), (True, -sig, HELLO + b"first line\n"))
            # A program that prints all the time: whatever it printed is there, in whole lines.
            _, status, out = interrupt(counter, sig, lambda o: len(o) > 200_000, tmp, to_file)
            expect(f"{where}, printing: the status, every line printed and none cut",
                   (status, len(out) > 200_000 and counter_prefix_ok(out)), (-sig, True))

    # SIGTERM while cti waits for a pipe that stays open and silent: the prompt is out.
    _, status, out = interrupt(write(f"{tmp}/prompt.mox", PROMPT), signal.SIGTERM,
                               lambda o: b"Zadej: " in o, tmp, stdin=subprocess.PIPE)
    expect("SIGTERM while cti waits", (status, out), (-signal.SIGTERM, HELLO + b"Zadej: "))

    # Output stuck in a pipe that nobody reads: the signal still ends the process, late.
    proc = subprocess.Popen([MOXA, counter], stdout=subprocess.PIPE)
    time.sleep(0.5)  # long enough to fill the pipe; the check holds either way
    proc.send_signal(signal.SIGTERM)
    status = reap(proc, "SIGTERM while the output is stuck")
    proc.stdout.close()
    expect("SIGTERM while the output is stuck in a full pipe", status, -signal.SIGTERM)

    # A signal the run was started ignoring (as nohup leaves SIGHUP) stays ignored.
    proc, read, finish_reading = start(forever, False, tmp, preexec_fn=lambda: signal.signal(
        signal.SIGHUP, signal.SIG_IGN))
    wait_for(lambda: b"first line\n" in read())
    proc.send_signal(signal.SIGHUP)
    time.sleep(0.5)
    expect("an ignored SIGHUP leaves the run running", proc.poll(), None)
    proc.send_signal(signal.SIGTERM)
    expect("SIGTERM after an ignored SIGHUP", reap(proc, "SIGTERM after SIGHUP"), -signal.SIGTERM)
    finish_reading()

    # A reader that takes one line and goes away ends a program that prints nothing more,
    # quietly: `moxa forever.mox | head -1` does not wait for a timeout.
    proc = subprocess.Popen([MOXA, forever], stdout=subprocess.PIPE)
    ready, _, _ = select.select([proc.stdout], [], [], LIMIT)
    first = proc.stdout.readline() if ready else b""
    proc.stdout.close()
    expect("a silent loop whose reader has gone: its line, then status 0",
           (first, reap(proc, "a silent loop whose reader has gone")), (b"\n", 0))


def nonblocking_pipe(end):
    """A pipe whose end `end` (0 for reading, 1 for writing) is non-blocking."""
    fds = os.pipe()
    fcntl.fcntl(fds[end], fcntl.F_SETFL, fcntl.fcntl(fds[end], fcntl.F_GETFL) | os.O_NONBLOCK)
    return fds


def feed(fd, data):
    """Writes to the run's input; a run that has already gone is reported by its output."""
    try:
        os.write(fd, data)
    except BrokenPipeError:
        pass


def waiting_streams(tmp):
    # Standard output left non-blocking by the parent, and a reader slower than the writer.
    n = 100_000
    path = write(f"{tmp}/many.mox", b"{ @i -> 0; w2(@i < %d) { @i -> @i + 1; pis_ln(@i); } "
                 b"w2_end; } ." % n)
    r, w = nonblocking_pipe(1)
    proc = subprocess.Popen([MOXA, path], stdin=subprocess.DEVNULL, stdout=w)
    os.close(w)
    time.sleep(0.3)  # the pipe fills up meanwhile; the writer must wait, not give up
    collector = Collector(r)
    status = reap(proc, "a non-blocking standard output")
    out = collector.finish()
    os.close(r)
    lines = b"".join(b"%d.000000\n" % i for i in range(1, n + 1))
    expect("a non-blocking standard output: status 0 and every byte",
           (status, len(out), out == uspech(lines)), (0, len(uspech(lines)), True))

    # Standard input left non-blocking, with pieces that come slowly: cti waits for its
    # words, and so does the reading of the program itself.
    two = write(f"{tmp}/two.mox", b'{ cti(@a); cti(@b); pis_ln(@a + "-" + @b); } .')
    for argv, pieces, want, what in (
            ([two], (b"prvni ", b"druhe\n"), b"prvni-druhe\n", "cti reads the later words"),
            (["-", "-"], (b"{ pis_ln(", b"6 * 7); pis_ln(", b"1); } ."), b"42.000000\n1\n",
             "a program from it is read whole")):
        r, w = nonblocking_pipe(0)
        proc = subprocess.Popen([MOXA] + argv, stdin=r, stdout=subprocess.PIPE)
        os.close(r)
        collector = Collector(proc.stdout.fileno())
        for piece in pieces:
            time.sleep(0.2)
            feed(w, piece)
        os.close(w)
        reap(proc, f"a non-blocking standard input: {what}")
        expect(f"a non-blocking standard input: {what}", collector.finish(), uspech(want))

    # A source that is a FIFO: what was printed comes out before the reader waits for more.
    fifo = f"{tmp}/fifo.mox"
    os.mkfifo(fifo)
    proc, read, finish_reading = start(fifo, False, tmp)
    f = os.open(fifo, os.O_WRONLY)
    feed(f, b'{ pis_ln("before"); ')
    expect("a FIFO source: the output is flushed before the reader waits",
           wait_for(lambda: b"before\n" in read()), True)
    feed(f, b'pis_ln("after"); } .')
    os.close(f)
    reap(proc, "a FIFO source")
    expect("a FIFO source: the output", finish_reading(), uspech(b"before\nafter\n"))

    # A signal while the source, a FIFO, waits for a writer in open(): the run ends as during
    # a read, with no message and no closing banner, by the signal. (Were it not in open()
    # after half a second, the signal would end it all the same.)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        os.mkfifo(f"{tmp}/fifo-{sig.name}.mox")
        _, status, out = interrupt(f"{tmp}/fifo-{sig.name}.mox", sig, None, tmp)
        expect(f"{sig.name} while a FIFO source is opened", (status, out), (-sig, HELLO))


def limited(setting, path):
    proc = subprocess.run(["bash", "-c", setting + ' && exec "$0" "$1"', MOXA, path],
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=LIMIT)
    return proc.returncode, proc.stdout[-300:]


def stack_limits(tmp):
    # A soft limit below the run's stack that the hard one lets the run raise, a hard limit
    # below it, no limit at all, and a small address space: the deepest nesting allowed still
    # runs. (One level more gives the nesting message whatever the stack: both_ways_test.cpp.)
    for setting in ["ulimit -S -s 1024", "ulimit -s 1024", "ulimit -s unlimited",
                    "ulimit -v 100000"][:4 if ULIMIT else 3]:
        for shape in ("calls", "loops"):  # 9,999 levels and the main block: the deepest allowed
            expect(f"10,000 levels of {shape} under {setting}",
                   limited(setting, write(f"{tmp}/deep.mox", deep(shape, 9_999))),
                   (0, uspech(b"7\n")))
    # So little address space that the run's stack cannot be had: the error verdict, not a crash.
    if ULIMIT:
        expect("no room for the run's stack gives the error verdict", limited(
            "ulimit -v 12000", write(f"{tmp}/ahoj.mox", b'{ pis_ln("Ahoj, svete!"); } .')),
            (0, chyba(b"", b"")))


groups = [signals, waiting_streams, stack_limits]
try:
    for fd in os.openpty():
        os.close(fd)
    groups.insert(0, terminal)
except OSError:
    print("note: no pseudo-terminal can be had here; the terminal is not tried")
if not ULIMIT:
    print("note: the address-space limits are left out in this build")
finish_in_folder("watch_and_interrupt", groups)
