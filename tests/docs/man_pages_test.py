#!/usr/bin/env python3
"""The man pages as a reader sees them: one for each program of packaging/programs.txt, every
page in packaging/ clean under `mandoc -T lint`, rendered from the tree with nothing left for
the installation to fill in, the JSON of moxa-trace's page shown with its quotes, and the trace
in its example the one moxa-trace writes for that program.

Usage: man_pages_test.py MOXA_TRACE SOURCE_DIR
"""
import glob
import os
import pathlib
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import check, expect, finish, write  # noqa: E402


def rendered(page):
    out = subprocess.run(["mandoc", "-T", "ascii", page], capture_output=True, check=True)
    # mandoc marks bold and italic letters by overstriking them.
    return re.sub(r".\x08", "", out.stdout.decode())


def main():
    moxa_trace, root = sys.argv[1:3]
    pages = sorted(glob.glob(os.path.join(root, "packaging", "*.1")))
    # One page for each installed program, and no page without one.
    programs = pathlib.Path(root, "packaging", "programs.txt").read_text().splitlines()
    expect("the man pages, one for each program", [os.path.basename(p) for p in pages],
           sorted(line.split()[0] + ".1" for line in programs if line.strip() and line[0] != "#"))
    texts = {os.path.basename(page): rendered(page) for page in pages}
    for name, text in texts.items():
        lint = subprocess.run(["mandoc", "-T", "lint", os.path.join(root, "packaging", name)],
                              capture_output=True)
        check(lint.returncode == 0 and not lint.stdout and not lint.stderr,
              "mandoc -T lint %s:\n%s%s" % (name, lint.stdout.decode(), lint.stderr.decode()))
        check(not re.search(r"@MOXA|@[A-Z_]+@", text) and "SYNOPSIS" in text and
              "DESCRIPTION" in text, "%s shows a placeholder or has no synopsis" % name)

    trace = texts.get("moxa-trace.1", "")
    flat = " ".join(trace.split())
    for shown in ['{"step": N, "line": L, "col": C, "kind": K, ...}',
                  '"stack": {"keep": K, "push": [...]}',
                  '{"end": "ok" | "error" | "stopped", "steps": N}',
                  '"assign", "read"', '"var" (the variable) and "value"']:
        check(shown in flat, "moxa-trace.1 does not show %s" % shown)

    # The example: the program it writes, traced by moxa-trace, gives the lines it shows.
    m = re.search(r"\$ printf '(.*)\\n' > p\.mox", trace)
    check(m is not None, "moxa-trace.1: no example program")
    shown = [line.strip() for line in trace.splitlines() if line.strip().startswith('{"')]
    shown = [line for line in shown if '"step": 1,' in line or '"step": 2,' in line
             or line.startswith('{"end": "ok"')]
    if m:
        with tempfile.TemporaryDirectory() as tmp:
            program = write(os.path.join(tmp, "p.mox"), m.group(1) + "\n")
            out = os.path.join(tmp, "p.jsonl")
            subprocess.run([moxa_trace, "-o", out, program], capture_output=True, check=True)
            with open(out) as f:
                written = [line.rstrip("\n") for line in f]
        # The page writes the line feed of a value as \n, as JSON does.
        check(written == shown, "moxa-trace.1's example:\n%s\nmoxa-trace writes:\n%s"
              % ("\n".join(shown), "\n".join(written)))

    finish("man pages (%d)" % len(pages))


if __name__ == "__main__":
    main()
