#!/usr/bin/env python3
"""Hostile inputs of great size, through the real executable.

Each program is fed to `moxa - -` on standard input as it is generated, so nothing is
written to disk; the whole output is checked (exactly, or by its shape where the input is
random) and so is the peak memory of the process.

    big_inputs.py path/to/moxa            the full sizes (100 MB, 2^31 + 1 line feeds)
    big_inputs.py path/to/moxa --quick    the same shapes at 1 MB, no memory bounds

Exits non-zero when a case fails; prints one line per case with its time and peak memory.
"""
import hashlib
from itertools import chain
import os
import pathlib
import random
import subprocess
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import BYE, HELLO, USPECH, VERDIKT, chyba, uspech  # noqa: E402

MIB = 1 << 20
CHUNK = MIB

# Bytes that the scanner drops between tokens.
DROPPED = bytes(
    [b for b in range(256)
     if b <= 8 or 11 <= b <= 31 or b >= 127 or chr(b) in "#$',[\\]`"
     or ord("A") <= b <= ord("Z")])


def otisk(kusy):
    h, delka = hashlib.sha256(), 0
    for kus in kusy:
        h.update(kus)
        delka += len(kus)
    return h.hexdigest(), delka


class Vystup:
    """Reads a process's output to its end, keeping its hash and size, its head and tail."""

    def __init__(self, proud):
        self.head = self.tail = b""
        self.vlakno = threading.Thread(target=lambda: setattr(self, "otisk", otisk(self._kusy(proud))))
        self.vlakno.start()

    def _kusy(self, proud):
        for kus in iter(lambda: proud.read(CHUNK), b""):
            if len(self.head) < 4096:
                self.head += kus[:4096]
            self.tail = (self.tail + kus)[-4096:]
            yield kus


# The peak memory of a process is taken by /usr/bin/time, a small process that forks the
# interpreter itself: a process started straight from this script would inherit this
# script's memory peak into its own count. Without it, the count of wait4 is used.
TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None


def spust(moxa, kusy, timeout):
    """Runs `moxa - -` with the concatenation of `kusy` on standard input. Returns the
    output reader, the exit status, the peak resident memory in KiB and the wall time."""
    start = time.monotonic()
    zprava = "%s/big_inputs.%d.rss" % (os.environ.get("TMPDIR", "/tmp"), os.getpid())
    prikaz = ([TIME, "-f", "%M", "-o", zprava] if TIME else []) + [moxa, "-", "-"]
    p = subprocess.Popen(prikaz, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    vystup = Vystup(p.stdout)
    hlidac = threading.Timer(timeout, p.kill)
    hlidac.start()
    try:
        for kus in kusy:
            p.stdin.write(kus)
        p.stdin.close()
    except BrokenPipeError:
        pass  # the run stopped reading (it ended at an error): the rest is never read
    _, status, rusage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    hlidac.cancel()
    vystup.vlakno.join()
    rss = rusage.ru_maxrss
    if TIME:
        rss = int(pathlib.Path(zprava).read_text().split()[-1])
        os.unlink(zprava)
    return vystup, p.returncode, rss, time.monotonic() - start


def opakuj(vzor, n):
    blok = vzor * (CHUNK // len(vzor))
    while n > 0:
        yield blok[:min(n, len(blok))]
        n -= len(blok)


def nahodne(n, seed, tabulka=None):
    g = random.Random(seed)
    while n > 0:
        kus = g.randbytes(min(n, CHUNK))
        yield kus.translate(tabulka) if tabulka else kus
        n -= CHUNK


def tabulka_bez(zakazane, nahrada=b"x"):
    return bytes(nahrada[0] if b in zakazane else b for b in range(256))


def tabulka_do(mnozina):
    return bytes(mnozina[b % len(mnozina)] for b in range(256))


PRIKAZ = b"@a -> @a + 1;"


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    moxa = sys.argv[1]
    quick = "--quick" in sys.argv[2:]
    velikost = MIB if quick else 100 * 1000 * 1000
    radku = 100_000 if quick else 2**31 + 1
    mez_kib = None if quick else 64 * 1024  # 64 MiB, for inputs that need not be stored
    prikazu = velikost // len(PRIKAZ)

    def literal():
        """The text of the long literal: the same random bytes each time, without `"`."""
        return nahodne(velikost, 4, tabulka_bez(b'"/\0'))

    pripady = [
        # name, chunks, expected output (bytes, chunks or None for a shape check), memory bound
        ("random bytes", lambda: nahodne(velikost, 1), None, mez_kib),
        ("bytes dropped between tokens, then a program",
         lambda: chain(nahodne(velikost, 2, tabulka_do(DROPPED)), [b"{pis_ln(1);}."]),
         uspech(b"1\n"), mez_kib),
        ("a long line comment",
         lambda: chain([b"{::"], nahodne(velikost, 3, tabulka_bez(b"\n")), [b"\npis_ln(2);}."]),
         uspech(b"2\n"), mez_kib),
        ("a long block comment",
         lambda: chain([b"{:!"], nahodne(velikost, 5, tabulka_bez(b"!")), [b"!:pis_ln(3);}."]),
         uspech(b"3\n"), mez_kib),
        # A literal is kept whole and printed whole: memory grows with it, within a bound.
        ("a long string literal, printed", lambda: chain([b'{pis("'], literal(), [b'");}.']),
         lambda: chain([HELLO], literal(), [USPECH + BYE]),
         None if quick else 4 * velikost // 1024),
        # A loop body of that many bytes, run twice: its compiled form costs at most 4 bytes
        # per byte of it, and memory does not grow with the iterations.
        ("a loop body of %d statements, run twice" % prikazu,
         lambda: chain([b"{@a->0;@i->0;w2(@i<2){@i->@i + 1;"],
                       opakuj(PRIKAZ, prikazu * len(PRIKAZ)), [b"}w2_end;pis_ln(@a);}."]),
         uspech(b"%d.000000\n" % (2 * prikazu)),
         None if quick else (4 * velikost + 16 * MIB) // 1024),
        # The line counter does not wrap: {, the line feeds, then a word that starts no
        # statement, read when every line feed has been counted.
        ("%d line feeds, then an error" % radku,
         lambda: chain([b"{"], opakuj(b"\n", radku), [b"x;}."]),
         chyba(b"", b"V bloku: 'Prikaz', na radku: %d nastala chyba - byl ocekavan znak: "
               b"\"prikaz\", namisto toho se vyskytl tento znak: \"x\".\n" % (radku + 1)),
         mez_kib),
    ]

    selhalo = 0
    for jmeno, kusy, ocekavano, mez in pripady:
        vystup, status, rss, trvani = spust(moxa, kusy(), timeout=600)
        chyby = []
        if status != 0:
            chyby.append("exit status %d" % status)
        if ocekavano is not None:
            digest, delka = otisk(ocekavano() if callable(ocekavano) else [ocekavano])
            if vystup.otisk != (digest, delka):
                chyby.append("output of %d bytes differs from the expected %d bytes, ending %r"
                             % (vystup.otisk[1], delka, vystup.tail[-300:]))
        elif not (vystup.head.startswith(HELLO) and vystup.tail.endswith(BYE) and
                  vystup.tail[:-len(BYE)].endswith((USPECH, VERDIKT))):
            chyby.append("the run did not end as a run ends: %r" % vystup.tail[-300:])
        if mez is not None and rss > mez:
            chyby.append("peak memory %d KiB over the bound of %d KiB" % (rss, mez))
        print("%-48s %7.1f s  %8d KiB peak  %s" % (jmeno, trvani, rss,
                                                 "ok" if not chyby else "FAIL: " + "; ".join(chyby)))
        sys.stdout.flush()
        selhalo += bool(chyby)
    return 1 if selhalo else 0


if __name__ == "__main__":
    sys.exit(main())
