#!/usr/bin/env python3
"""Writes the scan workload: one straight-line program of N statements (no
loops, no calls) as scan.mox and as its equivalents scan.py, scan.lua,
scan.tcl, scan.pl and scan.awk, all into the folder given as the first
argument. N is the optional second argument (default 1,000,000; the .mox
file is then about 35 MB).

Every program keeps four running totals a, b, c, d, changes one of them per
statement in a rotation of four statement shapes, and prints a + b + c + d
with "%f" at the end. A comment line stands before every tenth statement.
All values are integers far below 2^53, and '%' only ever sees non-negative
operands, so every language computes exactly the same total.

Usage: gen_scan.py FOLDER [N]
"""

import argparse
import os
import sys


def constant(k):
    """The literal used in statement k: varied digits, 1 to 5 of them."""
    return (k * 7919 + 13) % 100000


# Thirty variables, one to eleven letters long, so that the names a scanner and
# a variable table meet vary in length as they do in real programs. None is a
# keyword or a built-in name in any of the languages.
NAMES = ("a", "b", "c", "d", "x1", "y2", "suma", "pocet", "delka_radku",
         "mez_dolni", "mez_horni", "soucet", "prumer", "max_hodnota",
         "min_hodnota", "krok", "citac", "zbytek", "podil", "nasobek",
         "vysledek", "pomocna", "tmp9", "q", "r", "s_t", "u_v", "w",
         "kvocient", "akumulator")

# Per language: how a variable is written, the line that sets one variable to
# 0, the four statement shapes, the comment line (two %d: first and last
# statement it announces), and the final print of the total (one %s: the sum
# of all variables, written with "var").
#
# A shape is filled in with t (the variable assigned), s and u (two variables
# read) and k (the statement's literal). Every variable stays a non-negative
# integer far below 2^53: shape 0 adds at most 2,997, shape 1 at most 201,998,
# shape 2 at most 7, and shape 3 never lowers its variable. So '%' only ever
# sees non-negative operands and every language computes the same total.
#
# The moxa shapes carry the whole token mix without changing a value: number
# literals with ',' fractions and exponents (k,25 and k,5 read as k; 3e0 is 3;
# -1e0 is -1), a text literal in arithmetic ("k" % 7), all thirteen binary
# operators, and a relational chain that ends as (s < u) again:
# x > 0 >= 1 = 1 != 0 is x, <= 0 negates it, = 0 negates it back, | 0 & 1
# keeps it. The peers compute the same values the plain way.
LANGUAGES = {
    "mox": (
        lambda v: "@" + v,
        "{t} -> 0;\n",
        ("{t} -> {t} + {k},25 % 1000 * 3e0 / 1;\n",
         "{t} -> {t} + ({k} + {s} % 1000) * 2;\n",
         "{t} -> {t} + ({s} < {u} > 0 >= 1 = 1 != 0 <= 0 = 0 | 0 & 1) + \"{k}\" % 7;\n",
         "{t} -> {t} - {k},5e+2 % 100 + 100 + -1e0;\n"),
        ":: statements %d to %d\npis(\"\");\n",
        "pis_ln(%s);\n",
        ("{\n", "} .\n"),
    ),
    "py": (
        lambda v: v,
        "{t} = 0\n",
        ("{t} = {t} + {k} % 1000 * 3 // 1\n",
         "{t} = {t} + ({k} + {s} % 1000) * 2\n",
         "{t} = {t} + ({s} < {u}) + {k} % 7\n",
         "{t} = {t} - {k} % 100 + 100 + -1\n"),
        "# statements %d to %d\n",
        'print("%%f" %% (%s))\n',
        ("", ""),
    ),
    "lua": (
        lambda v: v,
        "local {t} = 0\n",
        ("{t} = {t} + {k} % 1000 * 3 // 1\n",
         "{t} = {t} + ({k} + {s} % 1000) * 2\n",
         "{t} = {t} + ({s} < {u} and 1 or 0) + {k} % 7\n",
         "{t} = {t} - {k} % 100 + 100 + -1\n"),
        "-- statements %d to %d\n",
        'print(string.format("%%f", %s))\n',
        ("", ""),
    ),
    # Inside a proc, so that Tcl compiles the whole body to bytecode once.
    "tcl": (
        lambda v: "$" + v,
        "    set {n} 0\n",
        ("    set {n} [expr {{{t} + {k} % 1000 * 3 / 1}}]\n",
         "    set {n} [expr {{{t} + ({k} + {s} % 1000) * 2}}]\n",
         "    set {n} [expr {{{t} + ({s} < {u}) + {k} % 7}}]\n",
         "    set {n} [expr {{{t} - {k} % 100 + 100 + -1}}]\n"),
        "    # statements %d to %d\n",
        "    puts [format %%f [expr {%s}]]\n",
        ("proc main {} {\n", "}\nmain\n"),
    ),
    "pl": (
        lambda v: "$v_" + v,
        "my {t} = 0;\n",
        ("{t} = {t} + {k} % 1000 * 3 / 1;\n",
         "{t} = {t} + ({k} + {s} % 1000) * 2;\n",
         "{t} = {t} + ({s} < {u} ? 1 : 0) + {k} % 7;\n",
         "{t} = {t} - {k} % 100 + 100 + -1;\n"),
        "# statements %d to %d\n",
        'printf("%%f\\n", %s);\n',
        ("", ""),
    ),
    "awk": (
        lambda v: v,
        "    {t} = 0\n",
        ("    {t} = {t} + {k} % 1000 * 3 / 1\n",
         "    {t} = {t} + ({k} + {s} % 1000) * 2\n",
         "    {t} = {t} + ({s} < {u}) + {k} % 7\n",
         "    {t} = {t} - {k} % 100 + 100 + -1\n"),
        "    # statements %d to %d\n",
        '    printf "%%f\\n", %s\n',
        ("BEGIN {\n", "}\n"),
    ),
}


def write_program(path, spell, init, shapes, comment, tail, frame, count):
    """Statement j assigns NAMES[j % 30] and reads two others, picked so that
    every variable is read by some statement before the end."""
    width = len(NAMES)
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(frame[0])
        out.write("".join(init.format(t=spell(v), n=v) for v in NAMES))
        chunk = []
        for j in range(count):
            if j % 10 == 0:
                chunk.append(comment % (j, min(j + 9, count - 1)))
            target = NAMES[j % width]
            chunk.append(shapes[j % 4].format(
                t=spell(target), n=target, k=constant(j),
                s=spell(NAMES[(j * 7 + 3) % width]),
                u=spell(NAMES[(j * 11 + 5) % width])))
            if len(chunk) >= 10000:
                out.write("".join(chunk))
                chunk = []
        out.write("".join(chunk))
        out.write(tail % " + ".join(spell(v) for v in NAMES))
        out.write(frame[1])


def main(argv):
    parser = argparse.ArgumentParser(
        prog="gen_scan.py", description=__doc__.split("\n\n")[0],
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", metavar="FOLDER", help="where the six programs are written")
    parser.add_argument("count", metavar="N", type=int, nargs="?", default=1000000,
                        help="the number of statements (default 1,000,000)")
    args = parser.parse_args(argv[1:])
    if args.count < 1:
        parser.error("N must be at least 1")
    os.makedirs(args.folder, exist_ok=True)
    for ext, parts in LANGUAGES.items():
        write_program(os.path.join(args.folder, "scan." + ext), *parts, args.count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
