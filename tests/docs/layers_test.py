#!/usr/bin/env python3
"""The layers of the source: every `#include "..."` of the tree's C and C++ files goes to its
own folder or to a layer below it. LAYERS below is the one table of the layers (CONTRIBUTING.md
shows it and points here); a folder with C or C++ sources that is in no layer fails too, so that
a new folder is placed in the table when it is made.

Usage: layers_test.py SOURCE_DIR
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from checks import failures, finish  # noqa: E402

# From the top: a file includes only from its own folder and the layers below its own. The
# folders of one layer do not include each other.
LAYERS = [
    ("fuzz",),  # the fuzz targets; they share the tests' texts and replaced operator new
    ("bench",),  # the benchmarks; they share the tests' programs
    ("tests", "web", "examples"),  # programs on the library and the tools
    ("tools",),  # the commands, the language server, the debugger, the grader
    ("check",),  # the checker and the formatter, as a library
    ("api",),  # the C API over the interpreter
    ("driver",),  # the command line and the run sequence
    ("parser",),  # the grammar routines
    ("vm",),  # the machine: the effects, the compiled code of loops, its runner, the messages
    ("trace",),  # the trace of a run
    ("lexer",),  # tokens, the scanner, Lex, the token tape
    ("storage",),  # the variable table and the value stack
    ("expr",),  # values and the number rules
    ("limits",),  # the fixed limits and the memory budget
    ("io",),  # buffered input and output, waits, the requests a run serves
    ("include",),  # moxa.h, the C API
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
SOURCES = (".c", ".h", ".cpp", ".hpp")
# The folders the build adds to the include path, besides the root and the including file's own.
SEARCHED = ("include", "tools")
SKIPPED = {"node_modules", "corpus-run"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def sources(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders
                               if not d.startswith((".", "build")) and d not in SKIPPED)
        for name in sorted(files):
            if name.endswith(SOURCES):
                yield os.path.relpath(os.path.join(folder, name), root)


def included(root, source, name):
    """The included file's path from the root, or the name itself when no such file is in the
    tree (a header the build generates, e.g. check/diagnostics_data.hpp)."""
    for base in (os.path.dirname(source), "") + SEARCHED:
        path = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, path)):
            return path
    return os.path.normpath(name)


def faults(root):
    found = []
    for source in sources(root):
        folder = source.split(os.sep)[0]
        if folder not in RANK:
            if os.sep in source:
                found.append("%s: the folder %s/ is in no layer" % (source, folder))
            continue
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for match in INCLUDE.finditer(text):
            line = text.count("\n", 0, match.start()) + 1
            target = included(root, source, match.group(1))
            below = target.split(os.sep)[0]
            if below == folder:
                continue
            if below not in RANK:
                found.append("%s:%d: includes %s, in no layer" % (source, line, match.group(1)))
            elif RANK[below] <= RANK[folder]:
                found.append("%s:%d: %s/ includes %s, which is not below it" %
                             (source, line, folder, target))
    return found


failures.extend(faults(sys.argv[1]))
finish("layers: %d sources checked" % sum(1 for _ in sources(sys.argv[1])))
