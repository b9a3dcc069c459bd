#!/usr/bin/env python3
"""moxa-similar from outside: a corpus of two tasks ranked as a teacher needs, the reports read
back (json, csv, the HTML page in headless Chromium), identical, hostile and huge submissions.

    similar_test.py MOXA_SIMILAR CORPUS_DIR [CHROMIUM]
"""
import csv
import html
import io
import json
import pathlib
import re
import shutil
import subprocess
import sys

TOOL = sys.argv[1]
CORPUS = pathlib.Path(sys.argv[2]).resolve()
CHROMIUM = sys.argv[3] if len(sys.argv) > 3 else shutil.which("chromium")

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import check, expect, finish_in_folder, help_and_unknown_option, write  # noqa: E402


def similar(*args, status=0):
    args = [str(a) for a in args]
    result = subprocess.run([TOOL, *args], capture_output=True, timeout=300)
    check(result.returncode == status,
          f"moxa-similar {' '.join(args)}: exit {result.returncode}, not {status}: "
          f"{result.stderr.decode(errors='replace')}")
    return result


def as_json(*args):
    return json.loads(similar("-f", "json", "--top", "0", *args).stdout)


def texts(doc):
    return [p["text"] for p in doc["pairs"]]


def task_files(task):
    """The task's independent solutions and its disguised copies."""
    return [sorted((CORPUS / task / kind).glob("*.mox")) for kind in ("solutions", "copies")]


def pairs_of(doc):
    return {frozenset((p["first"], p["second"])): p for p in doc["pairs"]}


def among(pairs, files, field):
    """`field` of each pair of `files` (0 for a pair the report does not list)."""
    return [pairs.get(frozenset((a.stem, b.stem)), {field: 0})[field]
            for i, a in enumerate(files) for b in files[i + 1:]]


def corpus(_tmp):
    """Every disguised copy (named after its original: s01-jmena copies s01) ranks above every
    pair of independent solutions once behaviour counts."""
    for task in ("statistika", "prvocisla"):
        solutions, copies = task_files(task)
        check(len(solutions) >= 12 and len(copies) >= 6, f"{task}: corpus too small")
        runs = as_json("-a", CORPUS / task / "assignment", *solutions, *copies)
        pairs = pairs_of(runs)
        independent = max(among(pairs, solutions, "score"))
        for copy in copies:
            original = copy.stem.split("-")[0]
            pair = pairs.get(frozenset((copy.stem, original)))
            check(pair is not None and pair["score"] > independent and pair["behaviour"] >= 90,
                  f"{task}: {copy.stem} and {original}: {pair}, not above every independent "
                  f"pair ({independent:.1f}) or behaving alike")
        check(all(s["failed_runs"] == 0 and s["stopped_runs"] == 0 for s in runs["submissions"]),
              f"{task}: a correct program failed or was stopped: {runs['submissions']}")
        # The copy that only renames and re-lays-out its original is the same text.
        renamed = next(c for c in copies if c.name.endswith("-jmena.mox"))
        original = CORPUS / task / "solutions" / (renamed.stem.split("-")[0] + ".mox")
        expect(f"{task}: renamed copy", texts(as_json(renamed, original)), [100.0])


def identity(tmp):
    """A file named twice, or through its folder, is no pair; the template leaves nothing of
    a file that is all template."""
    source = CORPUS / "prvocisla" / "solutions" / "p03.mox"
    text = source.read_text()
    folder = write(tmp / "eva" / "ukol.mox", text).parent
    doc = as_json(source, source, folder / "ukol.mox", f"{folder}/.")
    # The copy in the folder pairs with the original, named either way, but not with itself.
    expect("a file against itself", sorted((p["first"], p["second"]) for p in doc["pairs"]),
           [("p03", "eva"), ("p03", "eva"), ("p03", "ukol"), ("p03", "ukol")])
    doc = as_json("--base", source, source, folder / "ukol.mox")
    expect("all template", (doc["pairs"], doc["submissions"][0]["tokens"]), ([], 0))


def formats(tmp):
    """json, csv and the table agree on the ranking; --min and --top cut the list."""
    solutions, copies = task_files("statistika")
    files = solutions[:6] + copies[:3]
    doc = as_json(*files)
    ranked = [(p["first"], p["second"], round(p["score"], 1)) for p in doc["pairs"]]
    expect("json ranking: every pair, best first", (len(ranked), ranked),
           (len(files) * (len(files) - 1) // 2, sorted(ranked, key=lambda r: -r[2])))
    for region in (r for pair in doc["pairs"] for r in pair["regions"]):
        check(region["first"]["from"] < region["first"]["to"] and region["tokens"] >= 9 and
              region["first"]["line_from"] <= region["first"]["line_to"], f"json region {region}")
    rows = list(csv.DictReader(io.StringIO(similar("-f", "csv", "--top", "0", *files).stdout.decode())))
    expect("csv against json", [(r["first"], r["second"], float(r["score"])) for r in rows], ranked)
    check(all(r["behaviour"] == "" for r in rows), "csv: behaviour without an assignment")
    expect("csv regions", rows[0]["regions"].count(":"), len(doc["pairs"][0]["regions"]))
    table = similar(*files).stdout.decode().splitlines()
    first = [line.split() for line in table if line[:4].strip() == "1"][0]
    expect("table first row", first[4:6], list(ranked[0][:2]))
    limit = ranked[3][2]
    above = as_json("--min", limit, *files)["pairs"]
    check(above and all(p["score"] > limit for p in above) and
          len(above) == sum(1 for r in ranked if r[2] > limit), f"--min {limit}: {above}")
    for wrong in (["-f", "xml"], ["--min", "101"], ["-a", tmp / "none"]):
        similar(*wrong, files[0], status=2)
    help_and_unknown_option(TOOL, b"(moxa-similar --help lists the options)\n")


HOSTILE = ("{\n  :: </pre><script>document.title = 'pwned';</script>\n"
           "  pis_ln(\"<script>alert(1)</script> & <img src=x onerror=alert(2)>\");\n"
           "  @x -> 1; @y -> @x + 2; pis_ln(@y); w2 (@x < 3) { @x -> @x + 1; } w2_end;\n"
           "  pis_ln(\"\xff\xfe bytes\");\n} .\n")


def page(dom):
    """The page as Chromium leaves it: the script elements and on* handlers among its tags, and
    per program its text and marks [(region, class, text)]. Chromium writes every attribute as
    name="value" with no '"' inside, and every '<' of a text as &lt;."""
    tags = re.findall(r'<(\w+)((?:\s+[^\s=>]+="[^"]*")*)\s*>', dom)
    scripts = sum(tag == "script" or bool(re.search(r'\son[^\s=]*="', a)) for tag, a in tags)
    programs = []
    for body in re.findall(r"<pre\b[^>]*>(.*?)</pre>", dom, re.S):
        marks = [(dict(re.findall(r'([\w-]+)="([^"]*)"', a)), html.unescape(t))
                 for a, t in re.findall(r"<mark\b([^>]*)>(.*?)</mark>", body, re.S)]
        programs.append((html.unescape(re.sub(r"<[^>]*>", "", body)),
                         [(m.get("data-region"), m.get("class"), t) for m, t in marks]))
    return scripts, programs


def html_report(tmp):
    """The page in headless Chromium: no script runs, hostile text is shown as text, and each
    match is marked in both programs with the same colour."""
    if not CHROMIUM:
        check(False, "no chromium to open the HTML report")
        return
    bad = write(tmp / "zly.mox", HOSTILE.encode("latin-1"))
    copy = write(tmp / "zly2.mox", HOSTILE.replace("@x", "@q").encode("latin-1"))
    statistika = CORPUS / "statistika"
    similar("-f", "html", "-o", tmp / "report.html", bad, copy, statistika / "solutions/s01.mox",
            statistika / "copies/s03-poradi.mox", statistika / "solutions/s03.mox")
    dom = subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                          (tmp / "report.html").as_uri()], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=120).stdout.decode()
    scripts, programs = page(dom)
    check("<title>Similar submissions</title>" in dom, "the page's title changed: a script ran")
    expect("script elements or handlers in the page", scripts, 0)
    shown = [text for text, _ in programs]
    check(any("<script>alert(1)</script> & <img src=x onerror=alert(2)>" in t and
              "</pre><script>document.title" in t for t in shown),
          "the hostile program is not shown as its text")
    check(any("\ufffd\ufffd bytes" in t for t in shown), "bytes that are not UTF-8")
    pairs = [programs[i:i + 2] for i in range(0, len(programs), 2)]
    check(len(pairs) >= 2, f"{len(pairs)} pairs shown side by side")
    for (_, left), (_, right) in pairs:
        sides = [sorted((r, c) for r, c, _ in marks) for marks in (left, right)]
        expect("marks on the left, the same as on the right", (left != [], sides[0]),
               (True, sides[1]))
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
    loop = write(tmp / "smycka.mox", "{ @i -> 0; w2 (1) { @i -> @i + 1; pis(@i); } w2_end; } .\n")
    big = write(tmp / "velky.mox", "{\n" + "  @a -> @a + 1;\n" * 20000 + "} .\n")
    solutions, _ = task_files("prvocisla")
    doc = as_json("-a", CORPUS / "prvocisla" / "assignment", "--max-size", "100000",
                  loop, big, *solutions[:3])
    named = {s["name"]: s for s in doc["submissions"]}
    expect("endless loop: stopped runs", named["smycka"].get("stopped_runs"), 4)
    check("larger than 100000 bytes" in named["velky"].get("problem", ""),
          f"oversized: {named['velky']}")
    table = similar("--top", "1", big, big, *solutions).stdout.decode()
    expect("--top 1: rows listed", sum(1 for line in table.splitlines()
                                       if line[:4].strip().isdigit()), 1)
    # Nearly twins: one statement fewer, another name and constant. Every run of tokens
    # recurs thousands of times, and still the one long match is found.
    doc = as_json(big, write(tmp / "velky2.mox", "{\n" + "  @b -> @b + 7;\n" * 19999 + "} .\n"))
    check(doc["pairs"] and doc["pairs"][0]["text"] >= 99.9, f"repetitive near twins: {doc['pairs'][:1]}")


def template(tmp):
    """Two students who kept the handout and wrote different code of their own: alike
    without --base, the handout's lines in no match with it; a name with a comma and a quote
    comes back whole from the csv."""
    handout = CORPUS / "statistika" / "zadani.mox"
    lines = handout.read_text().splitlines(keepends=True)
    own = {"ana": "  @s -> 0;\n  @i -> 0;\n  w2 (@i < @n) { cti(@x); @s -> @s + @x; @i -> @i + 1; } w2_end;\n",
           'bo,"b"': "  i2 (@n > 3) { pis_ln(\"velke\"); } e2 { pis_ln(\"male\"); } i2_end;\n"}
    files = [write(tmp / who / "ukol.mox", "".join(lines[:4]) + code + "".join(lines[4:])).parent
             for who, code in own.items()]
    plain = as_json(*files)["pairs"]
    check(plain and plain[0]["text"] > 40, f"the handout makes them alike: {plain}")
    based = as_json("--base", handout, *files)
    check(based["pairs"] == [] and all(s["tokens"] > 0 for s in based["submissions"]),
          f"with the handout taken out: {based}")
    rows = list(csv.reader(io.StringIO(similar("-f", "csv", *files).stdout.decode())))
    expect("csv names", rows[1][1:3], ["ana", 'bo,"b"'])


finish_in_folder("moxa-similar", (corpus, identity, formats, template, html_report, hostile))
