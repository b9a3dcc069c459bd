#!/usr/bin/env python3
"""Output that a person can watch, runs that are interrupted, streams that make us wait,
all through the real executable:

  - on a terminal every line is visible while the program still runs, a prompt before the
    program waits, and Ctrl-C ends the run by SIGINT;
  - SIGINT, SIGTERM and SIGHUP sent to a running program whose output goes to a file or a
    pipe: every line printed before the signal is there, and the status is the signal's;
  - a file or a pipe sees the progress of a long computation, and a reader that goes away
    ends even a program that prints nothing more;
  - non-blocking pipes on standard input and output, and a source that is a FIFO: the
    interpreter waits for them and flushes its output before it waits;
  - a small address-space limit: hello world, and 10,000 levels of nesting, still run;
    when even the run's stack cannot be had, the error verdict;
  - whatever the stack limit (one the run may raise, one it may not, none), 10,000 levels
    of nesting run and one more gives the nesting message.

Usage: watch_and_interrupt.py path/to/moxa [--no-ulimit]
  --no-ulimit  leave out the address-space limits (a sanitizer needs more address space)
Waits are generous and poll for what they wait for: the tests run beside others on a
loaded machine and in the sanitizer build.
"""
import fcntl
import os
import pathlib
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import threading
import time

from runs import HELLO, chyba, uspech

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import checks  # noqa: E402

MOXA = os.path.abspath(sys.argv[1])
ULIMIT = "--no-ulimit" not in sys.argv[2:]
LIMIT = 60.0  # seconds to wait for anything that should come at once

FOREVER = b'{ pis_ln("first line"); @i -> 0; w2(1) { @i -> @i + 1; } w2_end; } .'
COUNTER = b"{ @i -> 0; w2(1) { @i -> @i + 1; pis_ln(@i); } w2_end; } ."
PROMPT = b'{ pis("Zadej: "); cti(@a); pis_ln("[" + @a + "]"); } .'


def check(ok, what, detail=""):
    checks.check(ok, what + (f"\n  {detail}" if detail and not ok else ""))


def wait_for(condition, limit=LIMIT):
    """Polls `condition` until it holds or `limit` seconds pass; returns its last value."""
    end = time.monotonic() + limit
    while not (value := condition()) and time.monotonic() <= end:
        time.sleep(0.02)
    return value


def counter_prefix_ok(out):
    """The output of COUNTER cut at a pass boundary: the banner, then whole lines 1, 2, ..."""
    body = out[len(HELLO):]
    got = body.split(b"\n")[:-1]
    return (out.startswith(HELLO) and (not body or body.endswith(b"\n")) and
            all(line == b"%d.000000" % (i + 1) for i, line in enumerate(got)))


class Collector:
    """Reads a descriptor to its end on a thread of its own, so that the writer never waits."""

    def __init__(self, fd):
        self.fd, self.data, self.lock = fd, b"", threading.Lock()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while True:
            try:
                chunk = os.read(self.fd, 65536)
            except OSError:
                break
            if not chunk:
                break
            with self.lock:
                self.data += chunk

    def get(self):
        with self.lock:
            return self.data

    def finish(self):
        self.thread.join(LIMIT)
        return self.get()


def reap(proc, what):
    """Waits for the run to end; kills it (and fails) when it does not."""
    try:
        return proc.wait(LIMIT)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        check(False, f"{what}: the run did not end")
        return None


def program(tmp, name, text):
    path = os.path.join(tmp, name)
    with open(path, "wb") as f:
        f.write(text)
    return path


def deep(shape, depth):
    if shape == "calls":
        return b"{pis_ln(" + b"~f(" * depth + b"7" + b")" * depth + b");}."
    return b"{" + b"@w->1;w2(@w){@w->0;" * depth + b"pis_ln(7);" + b"}w2_end;" * depth + b"}."


# --- A terminal --------------------------------------------------------------------------

def on_terminal(path, wanted, typed):
    """Runs moxa on `path` with a new pseudo-terminal as its controlling terminal; once the
    terminal shows `wanted`, types `typed`. Returns what was shown before and in all, whether
    the run was still running when `wanted` came, and its status."""
    master, slave = os.openpty()
    proc = subprocess.Popen([MOXA, path], stdin=slave, stdout=slave, stderr=slave,
                            start_new_session=True,
                            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
    os.close(slave)
    seen, before, running = b"", None, False
    end = time.monotonic() + LIMIT
    while True:  # until `wanted` is shown, then until nothing more comes for a second
        if before is None and wanted in seen:
            before, running = seen, proc.poll() is None
            os.write(master, typed)
        try:
            ready, _, _ = select.select([master], [], [], 0.1 if before is None else 1.0)
            chunk = os.read(master, 4096) if ready else None
        except OSError:  # the other side is closed
            chunk = b""
        if chunk:
            seen += chunk
        elif chunk == b"" or before is not None or time.monotonic() > end:
            break
    os.close(master)
    return before, seen, running, reap(proc, f"terminal: {path}")


def terminal(tmp):
    forever, prompt = program(tmp, "forever.mox", FOREVER), program(tmp, "prompt.mox", PROMPT)
    # Every line is on the screen while the loop still runs; Ctrl-C, as typed (the terminal
    # sends SIGINT), then ends the run with nothing more printed.
    before, seen, running, status = on_terminal(forever, b"first line\r\n", b"\x03")
    check(before is not None and running,
          "terminal: the banner and the first line are visible while the loop runs", repr(seen))
    check(status == -signal.SIGINT, "terminal: Ctrl-C ends the run by SIGINT", f"status {status}")
    check(seen.replace(b"^C", b"") == b"\r\nhello\r\n\r\nfirst line\r\n",
          "terminal: nothing more is printed after Ctrl-C", repr(seen))
    # A prompt without a line end is visible before cti waits; the word typed is read.
    before, seen, _, status = on_terminal(prompt, b"Zadej: ", b"slovo\n")
    check(before is not None and before.endswith(b"Zadej: "),
          "terminal: the prompt is visible before cti waits", repr(before))
    check(status == 0, "terminal: the prompt program ends with status 0", f"status {status}")
    check(b"[slovo]\r\n\r\nProgram probehl bez chyb.\r\n\r\nbye\r\n\r\n" in seen,
          "terminal: the typed word is read", repr(seen))
    # Ctrl-C while cti waits ends the wait and the run at once.
    _, seen, _, status = on_terminal(prompt, b"Zadej: ", b"\x03")
    check(status == -signal.SIGINT, "terminal: Ctrl-C while cti waits ends the run by SIGINT",
          f"status {status}")
    check(seen.replace(b"^C", b"") == b"\r\nhello\r\n\r\nZadej: ",
          "terminal: Ctrl-C while cti waits prints nothing more", repr(seen))


# --- Signals to a run that writes to a file or a pipe ------------------------------------

def start(path, to_file, tmp, **popen):
    """Starts moxa on `path`; returns (process, a function that returns the output so far,
    a function that waits for the rest and returns all of it)."""
    popen.setdefault("stdin", subprocess.DEVNULL)
    if not to_file:
        proc = subprocess.Popen([MOXA, path], stdout=subprocess.PIPE, **popen)
        collector = Collector(proc.stdout.fileno())
        return proc, collector.get, collector.finish
    out_path = os.path.join(tmp, "out")
    with open(out_path, "wb") as out:
        proc = subprocess.Popen([MOXA, path], stdout=out, **popen)
    return proc, pathlib.Path(out_path).read_bytes, pathlib.Path(out_path).read_bytes


def signals(tmp):
    forever = program(tmp, "forever.mox", FOREVER)
    counter = program(tmp, "counter.mox", COUNTER)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        for to_file in (True, False):
            where = f"{sig.name} to a run writing to {'a file' if to_file else 'a pipe'}"
            # A quiet computation after one line: the line comes out on the timer, and the
            # signal ends the run with the output exactly as printed.
            proc, read, finish = start(forever, to_file, tmp)
            seen = wait_for(lambda: b"first line\n" in read())
            check(seen, f"{where}: the first line comes out while the loop runs", repr(read()))
            proc.send_signal(sig)
            status = reap(proc, where)
            out = finish()
            check(status == -sig, f"{where}: the status is the signal's", f"status {status}")
            check(out == HELLO + b"first line\n", f"{where}: the output", repr(out[:200]))
            # A program that prints all the time: whatever it printed is there, in whole lines.
            proc, read, finish = start(counter, to_file, tmp)
            wait_for(lambda: len(read()) > 200_000)
            proc.send_signal(sig)
            status = reap(proc, where)
            out = finish()
            check(status == -sig, f"{where}, printing: the status is the signal's",
                  f"status {status}")
            check(len(out) > 200_000 and counter_prefix_ok(out),
                  f"{where}, printing: every line printed, none cut", repr(out[-100:]))

    # SIGTERM while cti waits for a pipe that stays open and silent: the prompt is out.
    proc, read, finish = start(program(tmp, "prompt.mox", PROMPT), False, tmp,
                               stdin=subprocess.PIPE)
    wait_for(lambda: b"Zadej: " in read())
    proc.send_signal(signal.SIGTERM)
    status = reap(proc, "SIGTERM while cti waits")
    out = finish()
    proc.stdin.close()
    check(status == -signal.SIGTERM, "SIGTERM while cti waits: the status", f"status {status}")
    check(out == HELLO + b"Zadej: ", "SIGTERM while cti waits: the output", repr(out))

    # Output stuck in a pipe that nobody reads: the signal still ends the process, late.
    proc = subprocess.Popen([MOXA, counter], stdout=subprocess.PIPE)
    time.sleep(0.5)  # long enough to fill the pipe; the check holds either way
    proc.send_signal(signal.SIGTERM)
    status = reap(proc, "SIGTERM while the output is stuck")
    proc.stdout.close()
    check(status == -signal.SIGTERM, "SIGTERM while the output is stuck in a full pipe",
          f"status {status}")

    # A signal the run was started ignoring (as nohup leaves SIGHUP) stays ignored.
    proc, read, finish = start(forever, False, tmp, preexec_fn=lambda: signal.signal(
        signal.SIGHUP, signal.SIG_IGN))
    wait_for(lambda: b"first line\n" in read())
    proc.send_signal(signal.SIGHUP)
    time.sleep(0.5)
    check(proc.poll() is None, "an ignored SIGHUP leaves the run running")
    proc.send_signal(signal.SIGTERM)
    status = reap(proc, "SIGTERM after an ignored SIGHUP")
    finish()
    check(status == -signal.SIGTERM, "SIGTERM after an ignored SIGHUP", f"status {status}")

    # A reader that takes one line and goes away ends a program that prints nothing more,
    # quietly: `moxa forever.mox | head -1` does not wait for a timeout.
    proc = subprocess.Popen([MOXA, forever], stdout=subprocess.PIPE)
    ready, _, _ = select.select([proc.stdout], [], [], LIMIT)
    first = proc.stdout.readline() if ready else b""
    proc.stdout.close()
    status = reap(proc, "a silent loop whose reader has gone")
    check(first == b"\n", "a silent loop: the reader gets its line", repr(first))
    check(status == 0, "a silent loop whose reader has gone ends with status 0", f"status {status}")


# --- Streams that make the interpreter wait ----------------------------------------------

def feed(fd, data):
    """Writes to the run's input; a run that has already gone is reported by its output."""
    try:
        os.write(fd, data)
    except BrokenPipeError:
        pass


def nonblocking_pipe(end):
    """A pipe whose end `end` (0 for reading, 1 for writing) is non-blocking."""
    fds = os.pipe()
    fcntl.fcntl(fds[end], fcntl.F_SETFL, fcntl.fcntl(fds[end], fcntl.F_GETFL) | os.O_NONBLOCK)
    return fds


def waiting_streams(tmp):
    # Standard output left non-blocking by the parent, and a reader slower than the writer.
    n = 100_000
    path = program(tmp, "many.mox", b"{ @i -> 0; w2(@i < %d) { @i -> @i + 1; pis_ln(@i); } "
                   b"w2_end; } ." % n)
    r, w = nonblocking_pipe(1)
    proc = subprocess.Popen([MOXA, path], stdin=subprocess.DEVNULL, stdout=w)
    os.close(w)
    time.sleep(0.3)  # the pipe fills up meanwhile; the writer must wait, not give up
    collector = Collector(r)
    status = reap(proc, "a non-blocking standard output")
    out = collector.finish()
    os.close(r)
    check(status == 0, "a non-blocking standard output: status 0", f"status {status}")
    lines = b"".join(b"%d.000000\n" % i for i in range(1, n + 1))
    check(out == uspech(lines), "a non-blocking standard output: every byte",
          f"{len(out)} bytes, ending {out[-60:]!r}")

    # Standard input left non-blocking, with pieces that come slowly: cti waits for its
    # words, and so does the reading of the program itself.
    two = program(tmp, "two.mox", b'{ cti(@a); cti(@b); pis_ln(@a + "-" + @b); } .')
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
        out = collector.finish()
        check(out == uspech(want), f"a non-blocking standard input: {what}", repr(out))

    # A source that is a FIFO: what was printed comes out before the reader waits for more.
    fifo = os.path.join(tmp, "fifo.mox")
    os.mkfifo(fifo)
    proc, read, finish = start(fifo, False, tmp)
    f = os.open(fifo, os.O_WRONLY)
    feed(f, b'{ pis_ln("before"); ')
    seen = wait_for(lambda: b"before\n" in read())
    check(seen, "a FIFO source: the output is flushed before the reader waits", repr(read()))
    feed(f, b'pis_ln("after"); } .')
    os.close(f)
    reap(proc, "a FIFO source")
    out = finish()
    check(out == uspech(b"before\nafter\n"), "a FIFO source: the output", repr(out))

    # A signal while the source, a FIFO, waits for a writer in open(): the run ends as during
    # a read, with no message and no closing banner, by the signal.
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        fifo = os.path.join(tmp, f"fifo-{sig.name}.mox")
        os.mkfifo(fifo)
        proc, read, finish = start(fifo, False, tmp)
        time.sleep(0.5)  # in open() by now; were it not, the signal would end it all the same
        proc.send_signal(sig)
        status = reap(proc, f"{sig.name} while a FIFO source is opened")
        out = finish()
        check(status == -sig, f"{sig.name} while a FIFO source is opened: the status",
              f"status {status}")
        check(out == HELLO, f"{sig.name} while a FIFO source is opened: the output", repr(out))


# --- Address-space and stack limits ------------------------------------------------------

def limited(setting, path):
    proc = subprocess.run(["bash", "-c", setting + ' && exec "$0" "$1"', MOXA, path],
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=LIMIT)
    return proc.returncode, proc.stdout


def address_space(tmp):
    hello = program(tmp, "ahoj.mox", b'{ pis_ln("Ahoj, svete!"); } .')
    status, out = limited("ulimit -v 100000", hello)
    check(status == 0 and out == uspech(b"Ahoj, svete!\n"),
          "hello world under ulimit -v 100000", repr(out))
    for shape in ("calls", "loops"):  # 9,999 levels and the main block: the deepest allowed
        status, out = limited("ulimit -v 100000", program(tmp, "deep.mox", deep(shape, 9_999)))
        check(status == 0 and out == uspech(b"7\n"),
              f"10,000 levels of {shape} under ulimit -v 100000", repr(out[-200:]))
    # So little that the run's stack cannot be had: the error verdict, not a crash.
    status, out = limited("ulimit -v 12000", hello)
    check(status == 0 and out == chyba(b"", b""),
          "no room for the run's stack gives the error verdict", f"status {status}, {out!r}")


def stack_limits(tmp):
    nesting = {"calls": b"V bloku: 'Faktor', na radku: 1 nastala chyba - prilis hluboke vnoreni.\n",
               "loops": b"V bloku: 'Blok', na radku: 1 nastala chyba - prilis hluboke vnoreni.\n"}
    # A soft limit below the run's stack that the hard one lets the run raise, a hard limit
    # below it, and no limit at all.
    for setting in ("ulimit -S -s 1024", "ulimit -s 1024", "ulimit -s unlimited"):
        for shape in ("calls", "loops"):
            for depth, expected in ((9_999, uspech(b"7\n")), (10_000, chyba(b"", nesting[shape]))):
                status, out = limited(setting, program(tmp, "deep.mox", deep(shape, depth)))
                check(status == 0 and out == expected, f"{depth + 1} levels of {shape} under "
                      f"{setting}", f"status {status}, {out[-200:]!r}")


def main():
    tmp = tempfile.mkdtemp()
    try:
        try:
            for fd in os.openpty():
                os.close(fd)
        except OSError:
            print("note: no pseudo-terminal can be had here; the terminal is not tried")
        else:
            terminal(tmp)
        signals(tmp)
        waiting_streams(tmp)
        stack_limits(tmp)
        if ULIMIT:
            address_space(tmp)
        else:
            print("note: the address-space limits are left out in this build")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    checks.finish("watch_and_interrupt")


if __name__ == "__main__":
    main()
