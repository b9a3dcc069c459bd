#!/usr/bin/env python3
"""The tables of the run's error messages in the student's guides of README.md, made from
check/diagnostics.json: a row for each message, with the routines that report it, its code
and its explanation, in English in "A student's guide" and in Czech in "Pruvodce pro
studenty".

    guide.py [--check | --write] [README.md] [diagnostics.json]

Without an option it prints both tables. --write puts them into the README between the
marker lines; --check exits 1, saying which table differs, when the README's are not what
the data file makes.
"""
import json
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BEGIN = "<!-- made from check/diagnostics.json by check/guide.py: edit the data file, not this table -->"
END = "<!-- end of the table made by check/guide.py -->"
SECTIONS = {"en": "A student's guide", "cs": "Pruvodce pro studenty"}
HEADER = {
    "en": "| the message ends in | code | what it means and what to do |",
    "cs": "| hlaska konci | kod | co znamena a co delat |",
}


def cell(text):
    """Text in a table cell: a | would end the cell."""
    return text.replace("|", "\\|")


def table(data, lang):
    rows = [HEADER[lang], "|---|---|---|"]
    for code in data["codes"]:
        if not code.get("routines"):
            continue
        routines = ", ".join("`%s`" % r for r in code["routines"])
        if code.get("expected"):
            ends = 'X = `%s`' % code["expected"]
        else:
            ends = "`%s`" % code["tail"]
        rows.append("| %s (%s) | %s | %s |" % (cell(ends), routines, code["code"],
                                              cell(code["explanation"][lang])))
    return "\n".join(rows) + "\n"


def section_bounds(text, heading):
    m = re.search(r"^## " + re.escape(heading) + r"\n.*?(?=^## |\Z)", text, re.M | re.S)
    if not m:
        raise SystemExit("README.md has no section " + heading)
    return m.start(), m.end()


def replace_tables(text, data):
    """The README with the table of each guide made anew; the tables it held before."""
    old = {}
    for lang, heading in SECTIONS.items():
        start, end = section_bounds(text, heading)
        section = text[start:end]
        m = re.search(re.escape(BEGIN) + r"\n(.*?)" + re.escape(END), section, re.S)
        if not m:
            raise SystemExit("the section %s has no table markers" % heading)
        old[lang] = m.group(1)
        section = section[:m.start(1)] + table(data, lang) + section[m.end(1):]
        text = text[:start] + section + text[end:]
    return text, old


def main(argv):
    mode = argv[1] if len(argv) > 1 and argv[1] in ("--check", "--write") else None
    rest = argv[2:] if mode else argv[1:]
    readme = rest[0] if rest else os.path.join(ROOT, "README.md")
    data_path = rest[1] if len(rest) > 1 else os.path.join(ROOT, "check", "diagnostics.json")
    with open(data_path, encoding="utf-8") as f:
        data = json.load(f)
    if mode is None:
        for lang in SECTIONS:
            sys.stdout.write(table(data, lang) + "\n")
        return 0
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    new, old = replace_tables(text, data)
    if mode == "--write":
        if new != text:
            with open(readme, "w", encoding="utf-8") as f:
                f.write(new)
        return 0
    stale = [SECTIONS[lang] for lang in SECTIONS if old[lang] != table(data, lang)]
    for heading in stale:
        print("%s, %s: the table of messages differs from what %s makes; run "
              "check/guide.py --write" % (os.path.basename(readme), heading,
                                             os.path.basename(data_path)))
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
