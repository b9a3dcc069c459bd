#!/usr/bin/env python3
"""Arithmetic on values at the edges, each operand held three ways: a literal (whose reading
the compiled code keeps beside its text), a variable holding a computed number (kept as its
double until its text is looked at) and a variable holding a plain text (read when used).
Every result must be the text that reading the operands' texts, applying the operator and
writing "%f" gives, computed here independently of the interpreter: so a kept number is the
number its text reads as, and a text written from a number is the one written today. The
statements run outside a loop, on a loop's first pass and on its recorded later passes.

Usage: edge_values.py MOXA
"""
import itertools
import math
import operator
import pathlib
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import expect, finish, uspech  # noqa: E402

MOXA = sys.argv[1]
NUMBER = re.compile(r"[+-]?[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?")

# Texts at the edges: signs and zeros, the limits of 32- and 64-bit integers and of exact
# doubles, long and many-digit texts, exponents, overflow, and values around the rounding
# to six decimals.
EDGES = [
    "0", "-0", "+0", "1", "-1", "+7", "007", "3", "-3", "10", "2147483647", "-2147483648",
    "4294967296", "9007199254740991", "9007199254740992", "9007199254740993",
    "-9007199254740993", "4611686018427387903", "4611686018427387904", "-4611686018427387905",
    "9223372036854775807", "-9223372036854775808", "9223372036854775808",
    "18446744073709551616", "123456789012345678901234567890", "9" * 200, "-" + "9" * 40,
    "1e15", "1e16", "1e22", "1e23", "-1e23", "1e300", "1.7976931348623157e308",
    "1.7976931348623158e308", "1e309", "-1e999", "1e-999", "-1e-999", "5e-324",
    "2.5", "-2.5", "0.5", "1.5", "0.1", "0.000001", "0.0000005", "0.00000050000000001",
    "0.0000004999999", "-0.0000005", "-0.0000004", "1.9999995", "2.0000005", "0.1234565",
    "1e-7", "1.000000", "1.", "1.e3", "1e", "1e+", "12abc", "1,5", "0x10",
    "3.14159265358979323846264338327950288", "0.333333", "0.666667", "1.0000000000000002",
]
COMPARISONS = {"<": operator.lt, ">": operator.gt, "=": operator.eq, "!=": operator.ne,
               "<=": operator.le, ">=": operator.ge}
ARITHMETIC = {"+": operator.add, "-": operator.sub, "*": operator.mul, "/": operator.truediv,
              "%": math.fmod}
OPERATORS = list(ARITHMETIC) + list(COMPARISONS)


def reading(text):
    """The number a text reads as, or None for a text that is no number."""
    m = NUMBER.match(text)
    return float(m.group(0)) if m else None


def apply(op, a, b):
    """The text that operator `op` gives on two number texts, or None when it gives none."""
    x, y = reading(a), reading(b)
    if x is None or y is None:
        return None
    if op in COMPARISONS:
        return "1" if COMPARISONS[op](x, y) else "0"
    if op == "/" and y == 0:
        r = math.nan if x == 0 or math.isnan(x) else math.copysign(math.inf, x) * \
            math.copysign(1, y)
    else:
        try:
            r = ARITHMETIC[op](x, y)
        except (ValueError, OverflowError):
            r = math.nan
    return "%f" % r  # Python writes a NaN of either sign as "nan", as the interpreter does


def kept(text):
    """The text of the number `text` holds once computed (`text * 1`), or None."""
    return apply("*", text, "1")


def cases(rng):
    """(a, op, b, op2, c) with the expected text of `a op b` and of `(a op b) op2 c`, the
    latter only where each first result is a number again."""
    pairs = list(itertools.product(EDGES[:24], EDGES[:24]))
    pairs += [(rng.choice(EDGES), rng.choice(EDGES)) for _ in range(1500)]
    for a, b in pairs:
        op, op2, c = rng.choice(OPERATORS), rng.choice(OPERATORS), rng.choice(EDGES)
        first = apply(op, a, b)
        second = None
        if reading(first or "") is not None and reading(apply(op, a, kept(b)) or "") is not None:
            second = apply(op2, first, c)
        yield a, op, b, op2, c, first, second


def program(rows):
    """The statements of every row, run outside a loop and then in a loop of two passes, and
    the lines they print."""
    body, lines = [], []
    for a, op, b, op2, c, first, second in rows:
        ca, cb = kept(a), kept(b)
        body += [f'@ta -> "{a}"; @tb -> "{b}";',  # plain texts
                 f'@ca -> "{a}" * 1; @cb -> "{b}" * 1;',  # computed numbers
                 f'pis_ln("{a}" {op} "{b}");',
                 f"pis_ln(@ta {op} @tb);",
                 f"pis_ln(@ca {op} @cb);",
                 f'pis_ln(@ca {op} "{b}");',
                 f'pis_ln("{a}" {op} @tb);']
        lines += [first, first, apply(op, ca, cb), apply(op, ca, b), first]
        if second is not None:
            body += [f'pis_ln(("{a}" {op} "{b}") {op2} "{c}");',
                     f'@r -> @ta {op} @cb; pis_ln(@r {op2} "{c}");']
            lines += [second, apply(op2, apply(op, a, cb), c)]
    text = "\n".join(body)
    return ("{\n" + text + "\n@i -> 0;\nw2 (@i < 2) {\n" + text +
            "\n@i -> @i + 1;\n} w2_end;\n} .\n"), lines * 3


def run_rows(rows, tmp, name):
    path = tmp / f"{name}.mox"
    text, lines = program(rows)
    path.write_text(text)
    got = subprocess.run([MOXA, str(path)], capture_output=True, timeout=120).stdout
    want = uspech(("\n".join(lines) + "\n").encode())
    if got == want:
        return
    for i, (g, w) in enumerate(zip(got.decode("latin-1").split("\n")[3:], lines)):
        if g != w:
            expect(f"{name}: line {i + 1} of the results", g, w)
            return
    expect(f"{name}: the whole output", got, want)


def edge_values():
    rng = random.Random(20261208)
    # Operands that are no number ('+' joins them, the rest stops the run) stay out.
    rows = [r for r in cases(rng) if r[5] is not None and reading(kept(r[0])) is not None
            and reading(kept(r[2])) is not None]
    with tempfile.TemporaryDirectory() as t:
        tmp = pathlib.Path(t)
        for k in range(0, len(rows), 400):
            run_rows(rows[k:k + 400], tmp, f"rows{k}")


finish("edge values", [edge_values])
