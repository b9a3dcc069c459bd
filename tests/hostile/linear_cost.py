#!/usr/bin/env python3
"""Linear cost: for each kind of program that can grow without limit, a program of size N
and one of size 2N, through the real executable; the larger may take at most 2.5 times the
time and 2.5 times the peak memory of the smaller.

    linear_cost.py path/to/moxa

N is found per kind: doubled from a small start until the program runs for a quarter of a
second, so that the times compared are well above the noise. Each time is the processor
time of the process, the best of three runs (of seven, when a first comparison fails).
Exits non-zero when a kind grows faster than that.
"""
import os
import subprocess
import sys
import tempfile
import time

POMER = 2.5
CIL_SEKUND = 0.25
NEJVIC_BAJTU = 200 << 20  # no program above this size is generated

# name -> program of size n, or "" where n is beyond what the kind allows
GENERATORY = {
    "statements in one block":
        lambda n: "{@a->0;" + "@a->@a + 1;" * n + "pis_ln(@a);}.",
    "operators in one chain":
        lambda n: "{pis_ln(0" + " + 1" * n + ");}.",
    # The joined text must stay within the longest value, 1 MiB.
    "joins in one chain":
        lambda n: "{@a->\"\"" + " + \"ab\"" * n + ";pis_ln(@a);}." if n <= 500_000 else "",
    "arguments of one call":
        lambda n: "{~f(" + "1;" * n + ");}.",
    "parameters of one declaration":
        lambda n: "?f(" + "p2 @a;" * n + "){}{}.",
    "declarations":
        lambda n: "?f(){}" * n + "{}.",
    "distinct variables":
        lambda n: "{" + "".join("@v%d->%d;" % (i, i) for i in range(n)) + "pis_ln(@v0);}.",
    "iterations of a loop":
        lambda n: "{@i->0;w2(@i<%d){@i->@i + 1;}w2_end;pis_ln(@i);}." % n,
    # At most 10,000 levels may be open.
    "loops nested in loops":
        lambda n: ("{@w->1;" + "w2(@w){" * n + "@w->0;" + "}w2_end;" * n + "}."
                   if n <= 9_000 else ""),
    "a long comment":
        lambda n: "{::" + "x" * n + "\n:!" + "y" * n + "!:}.",
    "a long literal":
        lambda n: "{pis_ln(\"" + "x" * n + "\");}.",
}

TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None


def zmer(moxa, soubor, kolikrat=3):
    """Best processor time (user and system) of `kolikrat` runs, and the peak memory in
    KiB. Processor time, not wall time: other work on the machine disturbs it less."""
    nejlepsi = None
    rss = 0
    zprava = soubor + ".rss"
    for _ in range(kolikrat):
        prikaz = [moxa, soubor]
        if TIME:
            prikaz = [TIME, "-f", "%M", "-o", zprava] + prikaz
        p = subprocess.Popen(prikaz, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        _, status, rusage = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
        if p.returncode != 0:
            raise RuntimeError("%s exited with status %d" % (soubor, p.returncode))
        trvani = rusage.ru_utime + rusage.ru_stime
        r = rusage.ru_maxrss
        if TIME:
            with open(zprava) as f:
                r = int(f.read().split()[-1])
            os.unlink(zprava)
        nejlepsi = trvani if nejlepsi is None else min(nejlepsi, trvani)
        rss = max(rss, r)
    return nejlepsi, rss


def porovnej(moxa, soubor, generator, n, kolikrat):
    with open(soubor, "w") as f:
        f.write(generator(n))
    t1, m1 = zmer(moxa, soubor, kolikrat)
    with open(soubor, "w") as f:
        f.write(generator(2 * n))
    t2, m2 = zmer(moxa, soubor, kolikrat)
    return t1, m1, t2, m2


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    moxa = sys.argv[1]
    if not TIME:
        print("note: /usr/bin/time is missing; peak memory includes this script's own")
    selhalo = 0
    with tempfile.TemporaryDirectory() as tmp:
        soubor = os.path.join(tmp, "p.mox")
        for jmeno, generator in GENERATORY.items():
            n = 1000
            while True:
                text = generator(n)
                with open(soubor, "w") as f:
                    f.write(text)
                if zmer(moxa, soubor)[0] >= CIL_SEKUND or len(text) * 4 > NEJVIC_BAJTU:
                    break
                if not generator(4 * n):
                    break
                n *= 2
            t1, m1, t2, m2 = porovnej(moxa, soubor, generator, n, 3)
            if t2 > POMER * t1 or m2 > POMER * m1:
                # Once more, with more runs, before it counts: the machine may have been busy.
                t1, m1, t2, m2 = porovnej(moxa, soubor, generator, n, 7)
            spatne = t2 > POMER * t1 or m2 > POMER * m1
            print("%-32s N=%-9d %6.3f s -> %6.3f s (x%.2f)   %7d -> %7d KiB (x%.2f)  %s"
                  % (jmeno, n, t1, t2, t2 / t1, m1, m2, m2 / m1, "FAIL" if spatne else "ok"))
            sys.stdout.flush()
            selhalo += spatne
    return 1 if selhalo else 0


if __name__ == "__main__":
    sys.exit(main())
