"""What the Python tests share: checks that collect their failures instead of stopping at the
first, groups of checks of which one that breaks fails by its name while the others still run,
the summary with the exit status, a tool's --help and unknown option, what a run prints around
a program's own output (typed out here, not taken from the interpreter, so that a changed byte
there fails), files written for a run, a run on a terminal of its own, and a process spoken to
in framed JSON messages (the language server, the debugger).

A test puts this folder on its path and imports it:
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
    from checks import check, expect, failures, finish
"""
import fcntl
import json
import os
import pathlib
import queue
import select
import subprocess
import sys
import tempfile
import termios
import threading
import time

failures = []

HELLO, BYE = b"\nhello\n\n", b"\nbye\n\n"
USPECH, VERDIKT = b"\nProgram probehl bez chyb.\n", b"\nV programu se vyskytla chyba.\n"


def uspech(vystup):
    """The whole output of a run that prints `vystup` and succeeds."""
    return HELLO + vystup + USPECH + BYE


def chyba(vystup, zprava):
    """The whole output of a run that prints `vystup`, then fails with `zprava`."""
    return HELLO + vystup + zprava + VERDIKT + BYE


def write(path, data):
    """Writes `data` (bytes or text) to `path`, making its folders; returns the path."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)
    return path


def input_of(mox):
    """The input beside the program `mox` (a pathlib.Path): its .in file, or none."""
    return mox.with_suffix(".in").read_bytes() if mox.with_suffix(".in").exists() else b""


def run_on(command, mox):
    """`command` run on the program `mox`, with its input; the completed process."""
    return subprocess.run([*command, str(mox)], input=input_of(mox), capture_output=True,
                          timeout=120)


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}:\n  want {want!r}\n  got  {got!r}")


def check(condition, what):
    if not condition:
        failures.append(what)


def help_and_unknown_option(tool, refusal=None):
    """`tool --help` prints its usage, status 0; `tool --bogus` is refused with status 2, on
    standard error only: the tool's name, the option and `refusal` (by default the usage)."""
    name = os.path.basename(tool).encode()
    helped, bogus = (subprocess.run([tool, a], input=b"", capture_output=True, timeout=60)
                     for a in ("--help", "--bogus"))
    expect(f"{tool} --help and --bogus", (helped.returncode, helped.stdout[:7 + len(name)],
           helped.stderr, bogus.returncode, bogus.stdout, bogus.stderr), (0, b"usage: " + name,
           b"", 2, b"", b"%s: unknown option --bogus\n%s" % (name, refusal or helped.stdout)))


def finish(name, groups=(), *args):
    """Runs each group with `args`, then prints every failure and exits 1 when there was one."""
    for group in groups:
        try:
            group(*args)
        except Exception as e:  # noqa: BLE001 - a hang or a broken reply fails its group only
            failures.append(f"{group.__name__}: {type(e).__name__}: {e}")
    for f in failures:
        print("FAIL", f)
    print(f"{name}: {len(failures)} failures")
    sys.exit(1 if failures else 0)


def finish_in_folder(name, groups):
    """`finish`, each group given the same temporary folder (a pathlib.Path), removed after."""
    with tempfile.TemporaryDirectory() as folder:
        finish(name, groups, pathlib.Path(folder))


def reap(proc, what, limit=60.0):
    """Waits for the process to end and returns its status; kills it (and fails) when it does
    not end within `limit` seconds."""
    try:
        return proc.wait(limit)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        expect(f"{what}: the run did not end", "hung", "ended")
        return None


def on_terminal(command, wanted=None, typed=b"", limit=60.0, look=lambda proc: proc.poll() is None):
    """Runs `command` with a new pseudo-terminal as its controlling terminal; once the terminal
    shows `wanted`, types `typed`. Returns what was shown before that and in all (until the end,
    or a second without more after the typing), what `look` saw of the run when `wanted` came
    (by default, whether it was still running), and its status (None, and a failure, for a run
    that `reap` had to kill)."""
    master, slave = os.openpty()
    proc = subprocess.Popen(command, stdin=slave, stdout=slave, stderr=slave,
                            start_new_session=True,
                            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
    os.close(slave)
    seen, before, running = b"", None, False
    end = time.monotonic() + limit
    while True:
        if before is None and wanted is not None and wanted in seen:
            before, running = seen, look(proc)
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
    status = reap(proc, f"on a terminal: {command}", limit)
    return before, seen.replace(b"^C", b""), running, status


def frame(obj):
    body = json.dumps(obj).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


class Ramce:
    """A process that reads and writes JSON messages each after a Content-Length header. Its
    output is read on a thread of its own, so that a process that stops answering fails its
    test after `watchdog` seconds instead of hanging it; `get` raises EOFError at its end.
    `next` waits for a message a test takes; the others are kept, in order, in `kept`."""

    def __init__(self, command, watchdog):
        self.p = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE)
        self.watchdog = watchdog
        self.kept = []
        self.inbox = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.p.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.inbox.put(None)
                    return
                line = line.rstrip(b"\r\n")
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value)
            self.inbox.put(json.loads(out.read(length)))

    def raw(self, data):
        self.p.stdin.write(data)
        self.p.stdin.flush()

    def send(self, obj):
        self.raw(frame(obj))

    def get(self):
        m = self.inbox.get(timeout=self.watchdog)
        if m is None:
            raise EOFError(f"{self.p.args[0]} ended")
        return m

    def next(self, test):
        for i, m in enumerate(self.kept):
            if test(m):
                return self.kept.pop(i)
        while not test(m := self.get()):
            self.kept.append(m)
        return m
