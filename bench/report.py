#!/usr/bin/env python3
"""Prints the benchmark table that run.sh collects, and checks the checksums.

Usage: report.py RESULTS_FOLDER WORKLOAD[,WORKLOAD...] INTERPRETER[,INTERPRETER...]

The first interpreter is moxa; the others are its peers. For every workload W
and interpreter I the folder holds, from run.sh:
  W.json     hyperfine's --export-json file, one result per interpreter, named I
  W.I.out    standard output of one separate run of I on W
  W.I.err    its standard error
  W.I.rc     its exit status
  W.I.mem    /usr/bin/time -f %M output of that run: peak resident set in KiB
             on its last line

moxa wraps the program's output in its banners and success line; the one line
between them is the checksum. A peer prints just the checksum line. Every
peer's checksum must be the same text as moxa's. Exit status: 0 when every
run succeeded and every checksum agrees, 1 otherwise.
"""

import json
import os
import sys

MOXA_HEAD = "\nhello\n\n"
MOXA_TAIL = "\n\nProgram probehl bez chyb.\n\nbye\n\n"


def read(path, default=None):
    try:
        with open(path, encoding="utf-8", errors="replace") as handle:
            return handle.read()
    except OSError:
        return default


def checksum_of(name, output):
    """The checksum line of one run's output, or None when the output does not
    have the expected shape (an error message, a missing line, extra lines)."""
    if output is None:
        return None
    if name == "moxa":
        if not (output.startswith(MOXA_HEAD) and output.endswith(MOXA_TAIL)):
            return None
        body = output[len(MOXA_HEAD):len(output) - len(MOXA_TAIL)]
        # body is the checksum line without its newline (the tail holds it).
    else:
        if not output.endswith("\n"):
            return None
        body = output[:-1]
    if body == "" or "\n" in body:
        return None
    return body


def peak_mib(text):
    if not text:
        return None
    last = text.strip().splitlines()[-1] if text.strip() else ""
    try:
        return int(last) / 1024.0
    except ValueError:
        return None


def medians(path):
    data = read(path)
    if data is None:
        return {}
    return {r["command"]: r["median"] for r in json.loads(data)["results"]}


def short(text, limit=60):
    text = text.replace("\n", "\\n")
    return text if len(text) <= limit else text[:limit] + "..."


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    folder, workloads, names = argv[1], argv[2].split(","), argv[3].split(",")
    header = ("workload", "interpreter", "median s", "peak MiB", "moxa/peer", "checksum")
    rows = []
    problems = []
    for work in workloads:
        times = medians(os.path.join(folder, work + ".json"))
        sums = {}
        for name in names:
            base = os.path.join(folder, "%s.%s" % (work, name))
            output = read(base + ".out")
            rc = (read(base + ".rc", "") or "").strip()
            sums[name] = checksum_of(name, output)
            if rc != "0":
                err = read(base + ".err", "") or ""
                problems.append("%s/%s: exit status %s%s" % (
                    work, name, rc or "unknown", ("; stderr: " + short(err, 200)) if err else ""))
            if sums[name] is None:
                problems.append("%s/%s: output is not a single checksum line: %s" % (
                    work, name, short(output or "(none)", 200)))
        reference = sums.get("moxa")
        moxa_time = times.get("moxa")
        for name in names:
            median = times.get(name)
            mem = peak_mib(read(os.path.join(folder, "%s.%s.mem" % (work, name))))
            if name == "moxa":
                ratio = "-"
                check = reference if reference is not None else "BAD OUTPUT"
            else:
                if moxa_time is not None and median:
                    ratio = "%.2f" % (moxa_time / median)
                else:
                    ratio = "?"
                if sums[name] is None:
                    check = "BAD OUTPUT"
                elif reference is None:
                    check = "no moxa checksum to compare: " + short(sums[name])
                elif sums[name] == reference:
                    check = "same"
                else:
                    check = "MISMATCH: " + short(sums[name])
                    problems.append("%s/%s: checksum %r differs from moxa's %r" % (
                        work, name, sums[name], reference))
            rows.append((work, name,
                         "%.3f" % median if median is not None else "?",
                         "%.1f" % mem if mem is not None else "?",
                         ratio, check))
        peer_sums = {sums[n] for n in names if n != "moxa"}
        if (len(names) > 2 and len(peer_sums) == 1 and None not in peer_sums
                and reference not in peer_sums):
            problems.append("%s: every peer printed %r; moxa printed %r" % (
                work, peer_sums.pop(), reference))
        rows.append(None)
    if rows and rows[-1] is None:
        rows.pop()

    widths = [max(len(header[i]), *(len(r[i]) for r in rows if r)) for i in range(len(header))]
    right = {2, 3, 4}

    def line(cells):
        out = []
        for i, cell in enumerate(cells):
            if i == len(cells) - 1:
                out.append(cell)
            elif i in right:
                out.append(cell.rjust(widths[i]))
            else:
                out.append(cell.ljust(widths[i]))
        return "  ".join(out).rstrip()

    print(line(header))
    print(line(["-" * w for w in widths]))
    for row in rows:
        print(line(row) if row else "")
    print()
    print("moxa/peer: moxa's median time divided by the peer's (below 1: moxa is faster).")
    if problems:
        print()
        print("PROBLEMS:")
        for problem in problems:
            print("  " + problem)
        return 1
    print("All runs succeeded; every peer printed the same checksum as moxa.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
