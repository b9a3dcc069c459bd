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

import os
import sys


def constant(k):
    """The literal used in statement k: varied digits, 1 to 5 of them."""
    return (k * 7919 + 13) % 100000


# Per language: text before the statements, the four statement shapes (each
# with one %d for the literal), the comment line (two %d: first and last
# statement it announces) and the text after the statements, written as it
# stands.
LANGUAGES = {
    "mox": (
        "{\n@a -> 0;\n@b -> 0;\n@c -> 0;\n@d -> 0;\n",
        ("@a -> @a + %d %% 1000 * 3;\n",
         "@b -> @b + (%d - @a %% 1000) * 2;\n",
         "@c -> @c + (@a < @b) + %d %% 7;\n",
         "@d -> @d - %d %% 100 + 50;\n"),
        ":: statements %d to %d\n",
        "pis_ln(@a + @b + @c + @d);\n} .\n",
    ),
    "py": (
        "a = 0\nb = 0\nc = 0\nd = 0\n",
        ("a = a + %d %% 1000 * 3\n",
         "b = b + (%d - a %% 1000) * 2\n",
         "c = c + (a < b) + %d %% 7\n",
         "d = d - %d %% 100 + 50\n"),
        "# statements %d to %d\n",
        'print("%f" % (a + b + c + d))\n',
    ),
    "lua": (
        "local a, b, c, d = 0, 0, 0, 0\n",
        ("a = a + %d %% 1000 * 3\n",
         "b = b + (%d - a %% 1000) * 2\n",
         "c = c + (a < b and 1 or 0) + %d %% 7\n",
         "d = d - %d %% 100 + 50\n"),
        "-- statements %d to %d\n",
        'print(string.format("%f", a + b + c + d))\n',
    ),
    # Inside a proc, so that Tcl compiles the whole body to bytecode once.
    "tcl": (
        "proc main {} {\n    set a 0\n    set b 0\n    set c 0\n    set d 0\n",
        ("    set a [expr {$a + %d %% 1000 * 3}]\n",
         "    set b [expr {$b + (%d - $a %% 1000) * 2}]\n",
         "    set c [expr {$c + ($a < $b) + %d %% 7}]\n",
         "    set d [expr {$d - %d %% 100 + 50}]\n"),
        "    # statements %d to %d\n",
        "    puts [format %f [expr {$a + $b + $c + $d}]]\n}\nmain\n",
    ),
    "pl": (
        "my $ta = 0;\nmy $tb = 0;\nmy $tc = 0;\nmy $td = 0;\n",
        ("$ta = $ta + %d %% 1000 * 3;\n",
         "$tb = $tb + (%d - $ta %% 1000) * 2;\n",
         "$tc = $tc + ($ta < $tb ? 1 : 0) + %d %% 7;\n",
         "$td = $td - %d %% 100 + 50;\n"),
        "# statements %d to %d\n",
        'printf("%f\\n", $ta + $tb + $tc + $td);\n',
    ),
    "awk": (
        "BEGIN {\n    a = 0; b = 0; c = 0; d = 0\n",
        ("    a = a + %d %% 1000 * 3\n",
         "    b = b + (%d - a %% 1000) * 2\n",
         "    c = c + (a < b) + %d %% 7\n",
         "    d = d - %d %% 100 + 50\n"),
        "    # statements %d to %d\n",
        '    printf "%f\\n", a + b + c + d\n}\n',
    ),
}


def write_program(path, head, shapes, comment, tail, count):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(head)
        chunk = []
        for k in range(count):
            if k % 10 == 0:
                chunk.append(comment % (k, min(k + 9, count - 1)))
            chunk.append(shapes[k % 4] % constant(k))
            if len(chunk) >= 10000:
                out.write("".join(chunk))
                chunk = []
        out.write("".join(chunk))
        out.write(tail)


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    count = int(argv[2]) if len(argv) == 3 else 1000000
    if count < 1:
        sys.stderr.write("gen_scan.py: N must be at least 1\n")
        return 2
    os.makedirs(folder, exist_ok=True)
    for ext, (head, shapes, comment, tail) in LANGUAGES.items():
        write_program(os.path.join(folder, "scan." + ext), head, shapes, comment, tail, count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
