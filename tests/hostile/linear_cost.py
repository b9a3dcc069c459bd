#!/usr/bin/env python3
"""Linear cost: for each kind of program that can grow without limit, programs of size N, 2N
and 4N through the real executable. The instructions that the second N units cost (counted
by callgrind, so that a busy machine changes nothing) may be at most 2.5 times what the first
N cost: twice for a cost that grows linearly, four times for one that grows with the square.
Start-up and the final print fall out of the differences. The peak memory at 4N may be at
most 2.5 times that at 2N.

    linear_cost.py path/to/moxa

Needs valgrind. Exits non-zero when a kind grows faster than that.
"""
import os
import pathlib
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
from callgrind import instructions  # noqa: E402

POMER = 2.5
N = 20_000  # units of the smallest program of most kinds

# name, N, program of size n. Kinds of another N: levels open at once (at most 10,000 may be
# open, and deeper than 4,000 levels the run's stack is too much for valgrind), bytes of text.
DRUHY = [
    ("statements in one block", N, lambda n: "{@a->0;" + "@a->@a + 1;" * n + "pis_ln(@a);}."),
    ("operators in one chain", N, lambda n: "{pis_ln(0" + " + 1" * n + ");}."),
    # The joined text must stay within the longest value, 1 MiB.
    ("joins in one chain", N, lambda n: "{@a->\"\"" + " + \"ab\"" * n + ";pis_ln(@a);}."),
    ("arguments of one call", N, lambda n: "{~f(" + "1;" * n + ");}."),
    ("parameters of one declaration", N, lambda n: "?f(" + "p2 @a;" * n + "){}{}."),
    ("declarations", N, lambda n: "?f(){}" * n + "{}."),
    ("distinct variables", N,
     lambda n: "{" + "".join("@v%d->%d;" % (i, i) for i in range(n)) + "pis_ln(@v0);}."),
    ("iterations of a loop", N,
     lambda n: "{@i->0;w2(@i<%d){@i->@i + 1;}w2_end;pis_ln(@i);}." % n),
    ("loops nested in loops", 1_000,
     lambda n: "{@w->1;" + "w2(@w){" * n + "@w->0;" + "}w2_end;" * n + "}."),
    ("a long comment", 1 << 18, lambda n: "{::" + "x" * n + "\n:!" + "y" * n + "!:}."),
    ("a long literal", 1 << 18, lambda n: "{pis_ln(\"" + "x" * n + "\");}."),
]
TIME = "/usr/bin/time"


def pamet(moxa, soubor):
    """The peak memory of a run in KiB."""
    zprava = soubor + ".rss"
    subprocess.run([TIME, "-f", "%M", "-o", zprava, moxa, soubor], check=True,
                   stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    return int(pathlib.Path(zprava).read_text().split()[-1])


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    moxa = sys.argv[1]
    selhalo = 0
    with tempfile.TemporaryDirectory() as tmp:
        soubor = os.path.join(tmp, "p.mox")
        for jmeno, n, generator in DRUHY:
            pocty, kib = [], []
            for k in (1, 2, 4):
                pathlib.Path(soubor).write_text(generator(k * n))
                pocty.append(instructions([moxa, soubor], tmp))
                kib.append(pamet(moxa, soubor))
            prvni, druhe = pocty[1] - pocty[0], pocty[2] - pocty[1]
            spatne = druhe > POMER * prvni or kib[2] > POMER * kib[1]
            print("%-32s N=%-7d %12d -> %12d instructions (x%.2f)   %7d -> %7d KiB  %s"
                  % (jmeno, n, prvni, druhe, druhe / prvni, kib[1], kib[2],
                     "FAIL" if spatne else "ok"))
            sys.stdout.flush()
            selhalo += spatne
    return 1 if selhalo else 0


if __name__ == "__main__":
    sys.exit(main())
