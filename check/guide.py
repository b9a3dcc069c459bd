#!/usr/bin/env python3
"""The tables of the run's error messages in the student's guides, made from
check/diagnostics.json: a row for each message, with the routines that report it, its code
and its explanation, in English and in Czech, in README.md ("A student's guide", "Pruvodce
pro studenty"), in the playground's guide page (web/src/guide.html) and in the manual page
(packaging/moxa.1).

    guide.py [--check | --write] [README.md] [diagnostics.json] [guide.html] [moxa.1]

Without an option it prints the README's tables. --write puts every table into its file
between the marker lines; --check exits 1, saying which table differs, when a file's table
is not what the data file makes.
"""
import html
import json
import unicodedata
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
# The page's guide: the tables between these markers, English first, then Czech.
HTML_BEGIN = "<!-- made from check/diagnostics.json by check/guide.py: edit the data file, not this table -->"
HTML_END = "<!-- end of the table made by check/guide.py -->"
HTML_HEADER = {
    "en": "<tr><th>the message ends in</th><th>code</th><th>what it means and what to do</th></tr>",
    "cs": "<tr><th>hláška končí</th><th>kód</th><th>co znamená a co dělat</th></tr>",
}


def cell(text):
    """Text in a table cell: a | would end the cell."""
    return text.replace("|", "\\|")


def messages(data):
    """(what the message ends in, routines, code, explanations), in Markdown, for each
    message of a run."""
    for code in data["codes"]:
        if not code.get("routines"):
            continue
        routines = ", ".join("`%s`" % r for r in code["routines"])
        if code.get("expected"):
            ends = 'X = `%s`' % code["expected"]
        else:
            ends = "`%s`" % code["tail"]
        yield ends, routines, code["code"], code["explanation"]


def table(data, lang):
    rows = [HEADER[lang], "|---|---|---|"]
    for ends, routines, code, explanation in messages(data):
        rows.append("| %s (%s) | %s | %s |" % (cell(ends), routines, code, cell(explanation[lang])))
    return "\n".join(rows) + "\n"


def as_html(markdown):
    """Text with `code` spans as HTML."""
    parts = markdown.split("`")
    return "".join(("<code>%s</code>" if i % 2 else "%s") % html.escape(p, quote=False)
                   for i, p in enumerate(parts))


def html_table(data, lang):
    rows = [HTML_HEADER[lang]]
    for ends, routines, code, explanation in messages(data):
        rows.append("<tr><td>%s (%s)</td><td>%s</td><td>%s</td></tr>"
                    % (as_html(ends), as_html(routines), code, as_html(explanation[lang])))
    return "\n".join(rows) + "\n"


# The manual page's lists: between these comment lines, English first, then Czech.
ROFF_BEGIN = '.\\" made from check/diagnostics.json by check/guide.py: edit the data file, not this list'
ROFF_END = '.\\" end of the list made by check/guide.py'


def wrapped(text, width=78):
    """Lines of at most `width` bytes (a word longer than that alone on its line)."""
    lines, line = [], ""
    for word in text.split(" "):
        if line and len((line + " " + word).encode()) > width:
            lines.append(line)
            line = word
        else:
            line = line + " " + word if line else word
    return lines + [line] if line else lines


def as_roff(markdown):
    """Text with `code` spans in bold, as lines of a manual page: a sentence a line, no line
    longer than 80 bytes, none that a formatter would take for a request."""
    parts = markdown.replace("\\", "\\e").split("`")
    text = "".join(("\\fB%s\\fR" % p.replace("-", "\\-")) if i % 2 else p
                   for i, p in enumerate(parts))
    lines = []
    for sentence in re.split(r"(?<=[.!?:]) +(?=[A-Z])", text):
        lines += wrapped(sentence)
    return "\n".join("\\&" + l if l.startswith((".", "'")) else l for l in lines)


def ascii_letters(text):
    """Czech without diacritics, as the manual page writes it throughout."""
    return "".join(c for c in unicodedata.normalize("NFD", text) if not unicodedata.combining(c))


def roff_list(data, lang):
    rows = []
    for ends, routines, code, explanation in messages(data):
        text = ascii_letters("%s (%s): %s" % (ends, routines, explanation[lang]))
        rows += [".TP", ".B " + code, as_roff(text)]
    return "\n".join(rows) + "\n"


def replace_marked(begin, end, make, what):
    """A replacer for a file that holds two lists between the lines `begin` and `end`, the
    English one first: the file with both made anew by `make`, and the lists it held."""
    def replace(text, data):
        found = list(re.finditer(re.escape(begin) + r"\n(.*?)" + re.escape(end), text, re.S))
        if len(found) != 2:
            raise SystemExit("the %s must hold two lists between markers" % what)
        old = {}
        for lang, m in reversed(list(zip(("en", "cs"), found))):
            old[lang] = m.group(1)
            text = text[:m.start(1)] + make(data, lang) + text[m.end(1):]
        return text, old
    return replace


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
    page = rest[2] if len(rest) > 2 else os.path.join(ROOT, "web", "src", "guide.html")
    manual = rest[3] if len(rest) > 3 else os.path.join(ROOT, "packaging", "moxa.1")
    with open(data_path, encoding="utf-8") as f:
        data = json.load(f)
    if mode is None:
        for lang in SECTIONS:
            sys.stdout.write(table(data, lang) + "\n")
        return 0
    stale = []
    for path, replace, make in ((readme, replace_tables, table),
                                (page, replace_marked(HTML_BEGIN, HTML_END, html_table,
                                                      "guide page"), html_table),
                                (manual, replace_marked(ROFF_BEGIN, ROFF_END, roff_list,
                                                        "manual page"), roff_list)):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        new, old = replace(text, data)
        if mode == "--write":
            if new != text:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(new)
            continue
        stale += ["%s, %s" % (os.path.basename(path), SECTIONS[lang])
                  for lang in SECTIONS if old[lang] != make(data, lang)]
    for where in stale:
        print("%s: the table of messages differs from what %s makes; run "
              "check/guide.py --write" % (where, os.path.basename(data_path)))
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
