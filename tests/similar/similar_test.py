#!/usr/bin/env python3
"""moxa-similar from outside: a corpus of two tasks ranked as a teacher needs, the reports read
back (json, csv, the HTML page in headless Chromium), identical, hostile and huge submissions.

    similar_test.py MOXA_SIMILAR CORPUS_DIR [CHROMIUM]
"""
import csv
import glob
import html.parser
import io
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

TOOL = sys.argv[1]
CORPUS = os.path.abspath(sys.argv[2])
CHROMIUM = sys.argv[3] if len(sys.argv) > 3 else shutil.which("chromium")
TASKS = ("statistika", "prvocisla")

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import check, finish, write  # noqa: E402


def similar(*args, status=0):
    result = subprocess.run([TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=300)
    check(result.returncode == status,
          f"moxa-similar {' '.join(args)}: exit {result.returncode}, not {status}: "
          f"{result.stderr.decode(errors='replace')}")
    return result


def as_json(*args):
    return json.loads(similar("-f", "json", "--top", "0", *args).stdout)


def scores(doc):
    return {frozenset((p["first"], p["second"])): p for p in doc["pairs"]}


def task_files(task):
    solutions = sorted(glob.glob(os.path.join(CORPUS, task, "solutions", "*.mox")))
    copies = sorted(glob.glob(os.path.join(CORPUS, task, "copies", "*.mox")))
    return solutions, copies


def name(path):
    return os.path.basename(path)[:-4]


def corpus(_tmp):
    """Every disguised copy (named after its original: s01-jmena copies s01) ranks above every
    pair of independent solutions once behaviour counts; the template lowers the text scores
    of independent solutions, which share it."""
    for task in TASKS:
        solutions, copies = task_files(task)
        check(len(solutions) >= 12 and len(copies) >= 6, f"{task}: corpus too small")
        folder = os.path.join(CORPUS, task)
        runs = as_json("-a", os.path.join(folder, "assignment"), *solutions, *copies)
        pairs = scores(runs)
        independent = [pairs.get(frozenset((name(a), name(b))), {"score": 0})["score"]
                       for i, a in enumerate(solutions) for b in solutions[i + 1:]]
        for copy in copies:
            original = name(copy).split("-")[0]
            pair = pairs.get(frozenset((name(copy), original)))
            check(pair is not None and pair["score"] > max(independent) and pair["behaviour"] >= 90,
                  f"{task}: {name(copy)} and {original}: {pair}, not above every independent "
                  f"pair ({max(independent):.1f}) or behaving alike")
        check(all(s["failed_runs"] == 0 and s["stopped_runs"] == 0 for s in runs["submissions"]),
              f"{task}: a correct program failed or was stopped: {runs['submissions']}")
        # The copy that only renames and re-lays-out its original is the same text.
        renamed = [c for c in copies if c.endswith("-jmena.mox")][0]
        text = scores(as_json(renamed, os.path.join(folder, "solutions",
                                                     name(renamed).split("-")[0] + ".mox")))
        check([p["text"] for p in text.values()] == [100.0], f"{task}: renamed copy {text}")

        def text_mean(extra):
            pairs = scores(as_json(*extra, *solutions))
            values = [pairs.get(frozenset((name(a), name(b))), {"text": 0})["text"]
                      for i, a in enumerate(solutions) for b in solutions[i + 1:]]
            return sum(values) / len(values)

        plain = text_mean([])
        based = text_mean(["--base", os.path.join(folder, "zadani.mox")])
        check(based < plain, f"{task}: the template did not lower the text scores ({plain}, {based})")


def identity(tmp):
    """Identical programs score 100% whatever their names, layout and comments; a file
    named twice, or through its folder, is no pair; the template leaves nothing of a file
    that is all template."""
    source = os.path.join(CORPUS, "prvocisla", "solutions", "p03.mox")
    with open(source) as f:
        text = f.read()
    twin = write(os.path.join(tmp, "dvojce.mox"),
                 ":: mine\n" + text.replace("@p", "@cislo").replace("  ", "\t"))
    doc = as_json(source, twin)
    check(len(doc["pairs"]) == 1 and doc["pairs"][0]["text"] == 100.0,
          f"identical programs: {doc['pairs']}")
    doc = as_json(write(os.path.join(tmp, "kratky.mox"), "{ pis(1); } .\n"),
                  write(os.path.join(tmp, "kratsi.mox"), "{pis(2);}."))
    check([p["text"] for p in doc["pairs"]] == [100.0], f"identical short programs: {doc}")
    folder = os.path.dirname(write(os.path.join(tmp, "eva", "ukol.mox"), text))
    doc = as_json(source, source, os.path.join(folder, "ukol.mox"), os.path.join(folder, "."))
    # The copy in the folder pairs with the original, named either way, but not with itself.
    pairs = sorted((p["first"], p["second"]) for p in doc["pairs"])
    check(pairs == [("p03", "eva"), ("p03", "eva"), ("p03", "ukol"), ("p03", "ukol")],
          f"a file against itself: {pairs}")
    doc = as_json("--base", source, source, twin)
    check(doc["pairs"] == [] and doc["submissions"][0]["tokens"] == 0,
          f"all template: {doc['pairs']} {doc['submissions']}")


def formats(tmp):
    """json, csv and the table agree on the ranking; --min and --top cut the list."""
    solutions, copies = task_files("statistika")
    files = solutions[:6] + copies[:3]
    doc = as_json(*files)
    ranked = [(p["first"], p["second"], round(p["score"], 1)) for p in doc["pairs"]]
    check(len(ranked) == len(files) * (len(files) - 1) // 2 and
          ranked == sorted(ranked, key=lambda r: -r[2]), f"json ranking {ranked}")
    for pair in doc["pairs"]:
        for region in pair["regions"]:
            check(region["first"]["from"] < region["first"]["to"] and region["tokens"] >= 9 and
                  region["first"]["line_from"] <= region["first"]["line_to"],
                  f"json region {region}")
    rows = list(csv.DictReader(io.StringIO(similar("-f", "csv", "--top", "0", *files).stdout.decode())))
    check([(r["first"], r["second"], float(r["score"])) for r in rows] == ranked,
          f"csv {rows[:3]} against json {ranked[:3]}")
    check(all(r["behaviour"] == "" for r in rows), "csv: behaviour without an assignment")
    check(rows[0]["regions"].count(":") == len(doc["pairs"][0]["regions"]),
          f"csv regions {rows[0]['regions']}")
    table = similar(*files).stdout.decode().splitlines()
    first = [line.split() for line in table if line[:4].strip() == "1"][0]
    check(first[4:6] == list(ranked[0][:2]), f"table first row {first}")
    limit = ranked[3][2]
    above = as_json("--min", str(limit), *files)["pairs"]
    check(above and all(p["score"] > limit for p in above) and
          len(above) == sum(1 for r in ranked if r[2] > limit), f"--min {limit}: {above}")
    check(len(as_json("--top", "2", *files)["pairs"]) == 2, "--top 2")
    for wrong in (["-f", "xml"], ["--min", "101"], ["-a", os.path.join(tmp, "none")], ["--bogus"]):
        similar(*wrong, files[0], status=2)
    check(b"usage: moxa-similar" in similar("--help").stdout, "--help")


HOSTILE = ("{\n  :: </pre><script>document.title = 'pwned';</script>\n"
           "  pis_ln(\"<script>alert(1)</script> & <img src=x onerror=alert(2)>\");\n"
           "  @x -> 1; @y -> @x + 2; pis_ln(@y); w2 (@x < 3) { @x -> @x + 1; } w2_end;\n"
           "  pis_ln(\"\xff\xfe bytes\");\n} .\n")


class Page(html.parser.HTMLParser):
    """The page as Chromium leaves it: scripts, and per program the text and its marks."""

    def __init__(self):
        super().__init__()
        self.scripts = 0
        self.programs = []  # [(text, [(region, class, text)])]
        self.in_pre = False
        self.mark = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "script" or any(k.startswith("on") for k in attrs):
            self.scripts += 1
        if tag == "pre":
            self.in_pre = True
            self.programs.append(["", []])
        if tag == "mark" and self.in_pre:
            self.mark = [attrs.get("data-region"), attrs.get("class"), ""]

    def handle_endtag(self, tag):
        if tag == "pre":
            self.in_pre = False
        if tag == "mark" and self.mark:
            self.programs[-1][1].append(tuple(self.mark))
            self.mark = None

    def handle_data(self, data):
        if self.in_pre:
            self.programs[-1][0] += data
            if self.mark:
                self.mark[2] += data


def html_report(tmp):
    """The page in headless Chromium: no script runs, hostile text is shown as text, and each
    match is marked in both programs with the same colour."""
    if not CHROMIUM:
        check(False, "no chromium to open the HTML report")
        return
    bad = write(os.path.join(tmp, "zly.mox"), HOSTILE.encode("latin-1"))
    copy = write(os.path.join(tmp, "zly2.mox"), HOSTILE.replace("@x", "@q").encode("latin-1"))
    page = os.path.join(tmp, "report.html")
    similar("-f", "html", "-o", page, bad, copy,
            os.path.join(CORPUS, "statistika", "solutions", "s01.mox"),
            os.path.join(CORPUS, "statistika", "copies", "s03-poradi.mox"),
            os.path.join(CORPUS, "statistika", "solutions", "s03.mox"))
    dom = subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
                          "--dump-dom", "file://" + page], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=120).stdout.decode()
    parsed = Page()
    parsed.feed(dom)
    check("<title>Similar submissions</title>" in dom, "the page's title changed: a script ran")
    check(parsed.scripts == 0, f"{parsed.scripts} script elements or handlers in the page")
    texts = [text for text, _ in parsed.programs]
    check(any("<script>alert(1)</script> & <img src=x onerror=alert(2)>" in t and
              "</pre><script>document.title" in t for t in texts),
          "the hostile program is not shown as its text")
    check(any("\ufffd\ufffd bytes" in t for t in texts), "bytes that are not UTF-8")
    pairs = [parsed.programs[i:i + 2] for i in range(0, len(parsed.programs), 2)]
    check(len(pairs) >= 2, f"{len(pairs)} pairs shown side by side")
    for (left, left_marks), (right, right_marks) in pairs:
        check(left_marks and [(r, c) for r, c, _ in left_marks] != [] and
              sorted((r, c) for r, c, _ in left_marks) == sorted((r, c) for r, c, _ in right_marks),
              f"marks differ between the two sides: {left_marks} / {right_marks}")
    # s03 and its reordered copy: the marked text of each match is the same on both sides
    # once names, numbers and layout are set aside.
    def shape(text):
        return re.sub(r"@\w+", "@", re.sub(r"-?\d+", "0", re.sub(r"\s+", "", text)))

    for (left, left_marks), (right, right_marks) in pairs:
        if "@suma -> @suma + @a" in left and "@suma -> @suma + @a" in right:
            by_region = {r: shape(t) for r, _, t in right_marks}
            check(all(by_region.get(r) == shape(t) for r, _, t in left_marks),
                  "a match marks different text on its two sides")
            break
    else:
        check(False, "s03 and its copy are not shown")


def hostile(tmp):
    """Hostile submissions: an endless loop and an output flood stopped by the assignment's
    limits, an oversized file left out with a note, the output bounded by --top."""
    loop = write(os.path.join(tmp, "smycka.mox"),
                 "{ @i -> 0; w2 (1) { @i -> @i + 1; pis(@i); } w2_end; } .\n")
    big = write(os.path.join(tmp, "velky.mox"), "{\n" + "  @a -> @a + 1;\n" * 20000 + "} .\n")
    solutions, _ = task_files("prvocisla")
    doc = as_json("-a", os.path.join(CORPUS, "prvocisla", "assignment"), "--max-size", "100000",
                  loop, big, *solutions[:3])
    named = {s["name"]: s for s in doc["submissions"]}
    check(named["smycka"].get("stopped_runs") == 4, f"endless loop: {named['smycka']}")
    check("larger than 100000 bytes" in named["velky"].get("problem", ""),
          f"oversized: {named['velky']}")
    table = similar("--top", "1", big, big.replace("velky", "velky"), *solutions).stdout.decode()
    check(sum(1 for line in table.splitlines() if line[:4].strip().isdigit()) == 1,
          f"--top 1 listed more: {table}")
    # A file that repeats one statement thousands of times against itself renamed: still
    # one comparison that ends, with everything matched.
    twin = shutil.copy(big, os.path.join(tmp, "velky2.mox"))
    doc = as_json(big, twin)
    check(doc["pairs"] and doc["pairs"][0]["text"] == 100.0, "repetitive twins")
    # Nearly twins: one statement fewer, another name and constant. Every run of tokens
    # recurs thousands of times, and still the one long match is found.
    doc = as_json(big, write(twin, "{\n" + "  @b -> @b + 7;\n" * 19999 + "} .\n"))
    check(doc["pairs"] and doc["pairs"][0]["text"] >= 99.9, f"repetitive near twins: {doc['pairs'][:1]}")


def template(tmp):
    """Two students who kept the handout and wrote different code of their own: alike
    without --base, the handout's lines in no match with it; a name with a comma and a quote
    comes back whole from the csv."""
    handout = os.path.join(CORPUS, "statistika", "zadani.mox")
    with open(handout) as f:
        lines = f.read().splitlines(keepends=True)
    own = {"ana": "  @s -> 0;\n  @i -> 0;\n  w2 (@i < @n) { cti(@x); @s -> @s + @x; @i -> @i + 1; } w2_end;\n",
           'bo,"b"': "  i2 (@n > 3) { pis_ln(\"velke\"); } e2 { pis_ln(\"male\"); } i2_end;\n"}
    files = [os.path.dirname(write(os.path.join(tmp, who, "ukol.mox"),
                                   "".join(lines[:4]) + code + "".join(lines[4:])))
             for who, code in own.items()]
    plain = as_json(*files)["pairs"]
    check(plain and plain[0]["text"] > 40, f"the handout makes them alike: {plain}")
    based = as_json("--base", handout, *files)
    check(based["pairs"] == [] and all(s["tokens"] > 0 for s in based["submissions"]),
          f"with the handout taken out: {based}")
    rows = list(csv.reader(io.StringIO(similar("-f", "csv", *files).stdout.decode())))
    check(rows[1][1:3] == ["ana", 'bo,"b"'], f"csv names: {rows}")


with tempfile.TemporaryDirectory() as tmp:
    for group in (corpus, identity, formats, template, html_report, hostile):
        sub = os.path.join(tmp, group.__name__)
        os.mkdir(sub)
        group(sub)
finish("moxa-similar")
