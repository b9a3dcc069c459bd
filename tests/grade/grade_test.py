#!/usr/bin/env python3
"""moxa-grade from outside: the sample assignment graded in every format, each report read back
by a standard reader (json, xml.etree, csv, Perl's TAP::Parser), with one thread and with eight;
files that are no programs, runs sharing the processor, signals mid-grading, bad settings.

    grade_test.py MOXA_GRADE EXAMPLES_GRADING_DIR
"""
import csv
import io
import json
import os
import pathlib
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import (BYE, HELLO, USPECH as OK, check, expect, finish_in_folder,  # noqa: E402
                    help_and_unknown_option, write)

GRADE = sys.argv[1]
SAMPLE = os.path.abspath(sys.argv[2])
ASSIGNMENT = os.path.join(SAMPLE, "soucet")
CLASS = os.path.join(SAMPLE, "trida")
EVA, SMYCKA = os.path.join(CLASS, "eva"), os.path.join(CLASS, "smycka.mox")
TESTS = ["mezery", "prazdny", "tajny", "zakladni"]
POINTS = {"mezery": 1, "prazdny": 1, "tajny": 2, "zakladni": 2}

# What each submission of the sample earns, test by test, worked out from its program:
# petr skips the first number (right only when there are none), mezery adds a space at
# each line end (right only where trailing blanks do not count), smycka never counts up
# (with no numbers it stops at once but prints no mean), zaplava prints for ever, pamet
# piles values on the stack, syntax and hloubka stop at an error message.
EXPECTED = {
    "eva": {"mezery": "passed", "prazdny": "passed", "tajny": "passed", "zakladni": "passed"},
    "petr": {"mezery": "wrong", "prazdny": "passed", "tajny": "wrong", "zakladni": "wrong"},
    "mezery": {"mezery": "passed", "prazdny": "wrong", "tajny": "wrong", "zakladni": "wrong"},
    "smycka": {"mezery": "limit", "prazdny": "wrong", "tajny": "limit", "zakladni": "limit"},
    "zaplava": {t: "output" for t in TESTS},
    "pamet": {t: "limit" for t in TESTS},
    "syntax": {t: "wrong" for t in TESTS},
    "hloubka": {t: "wrong" for t in TESTS},
}
NOT_GRADED = {"dvojice": "several .mox files", "chybi": "no such file"}
# The CSV's note of a program with a syntax error: where the checker finds its cause.
NOTES = {
    "syntax": "a syntax error on line 3: `;` missing after the statement",
    "hloubka": "a syntax error on line 3: V bloku: 'Faktor', na radku: 3 nastala chyba - "
               "prilis hluboke vnoreni.",
}
ORDER = ["eva", "petr", "mezery", "smycka", "zaplava", "pamet", "syntax", "hloubka", "dvojice",
         "chybi"]
SUBMISSIONS = [os.path.join(CLASS, n if n in ("eva", "petr", "dvojice") else n + ".mox")
               for n in ORDER]

# The checker's table, whose words the grader's feedback uses.
DATA = json.loads((pathlib.Path(__file__).resolve().parents[2] / "check" / "diagnostics.json")
                  .read_text(encoding="utf-8"))


def word(key, lang, *parts):
    return re.sub(r"\{(\d+)\}", lambda m: parts[int(m[1])], DATA["words"][key][lang])


def code_text(code, part, lang):
    return next(c for c in DATA["codes"] if c["code"] == code)[part][lang]


WATCHDOG = 300  # for every run of the grader: one that hangs fails its check, not the test


def grade(*args, jobs=2, **kwargs):
    command = [GRADE] + (["-j", str(jobs)] if jobs else []) + list(args)
    try:
        return subprocess.run(command, capture_output=True, timeout=WATCHDOG, **kwargs)
    except subprocess.TimeoutExpired:
        check(False, "the grader hung: %s" % command)
        return subprocess.CompletedProcess(command, None, b"", b"")


def sample(*args, **kwargs):
    """The sample assignment and its whole class, graded with `args`."""
    return grade(*args, ASSIGNMENT, *SUBMISSIONS, **kwargs)


def results(folder, name):
    return json.loads(pathlib.Path(folder, name, "results.json").read_bytes())


def refused(what, result, status, *said):
    """The grader ended with `status` and a message of its own that says each of `said`."""
    check(result.returncode == status and result.stderr.startswith(b"moxa-grade: ") and
          all(s in result.stderr for s in said),
          "%s: %s %r" % (what, result.returncode, result.stderr))


def earned(name, test):
    """The points a submission of the sample earns on a test: all of them or none."""
    return POINTS[test] if EXPECTED.get(name, {}).get(test) == "passed" else 0


def score(name):
    return sum(earned(name, t) for t in TESTS)


def without_times(text):
    return re.sub(rb'(time="|"execution_time": )[0-9.e+-]+', rb"\1T", text)


def csv_table(out):
    return list(csv.reader(io.StringIO(out.decode(), newline="")))


def csv_rows(result):
    return {r[0]: r[1:] for r in csv_table(result.stdout)[1:]}


def tap(stdout):
    """The stream as Perl's own TAP parser reads it: each test point ("ok"/"not ok" and its
    description), the message and the number of keys of each YAML block, and the plan."""
    script = r'''use TAP::Parser; use JSON::PP; local $/;
my $p = TAP::Parser->new({ tap => scalar <STDIN> }); my (@t, %m, @y);
while (my $r = $p->next) {
  push @t, ($r->is_ok ? "ok" : "not ok") . " " . $r->description if $r->is_test;
  if ($r->is_yaml) { $m{$t[-1] =~ s/^(not )?ok //r} = $r->data->{message};
                     push @y, scalar(keys %{$r->data}); } }
print encode_json({ tests => \@t, messages => \%m, yaml => \@y, summary => "planned " .
  $p->tests_planned . " run " . $p->tests_run . " errors " . scalar($p->parse_errors) .
  " version " . $p->version });'''
    return json.loads(subprocess.run(["perl", "-e", script], input=stdout, stdout=subprocess.PIPE,
                                     check=True).stdout)


def table_report(stdout):
    lines = stdout.decode().split("\n")
    rows = {line.split()[0]: line.split()[1:] for line in lines[2:2 + len(ORDER)]}
    expect("table: header and points, rows in the order given, summary",
           ([line.split() for line in lines[:2]], list(rows), lines[-2]),
           ([["submission"] + TESTS + ["total"], ["(points)", "1", "1", "2", "2", "6"]], ORDER,
            "8 submissions graded, 2 not graded; 1 with full points; mean score 1.00 of 6"))
    for name, verdicts in EXPECTED.items():
        cells = [str(POINTS[t]) if verdicts[t] == "passed" else verdicts[t] for t in TESTS]
        expect("table row " + name, rows.get(name), cells + ["%d/6" % score(name)])
    for name, why in NOT_GRADED.items():
        check(why in " ".join(rows.get(name, [])), "table row %s: %s" % (name, rows.get(name)))
    details = grade("--details", ASSIGNMENT, os.path.join(CLASS, "mezery.mox"),
                    os.path.join(CLASS, "zaplava.mox")).stdout.decode()
    # The diff marks the space the program adds where the expected line has none.
    for shown in ("first difference: line 4, column 17", "-soucet:\u00b76.000000\n",
                  "+soucet:\u00b76.000000\u00b7\n", "the output reached its limit of 10000 bytes",
                  "... (cut: 2000 of 10008 bytes shown)"):
        check(shown in details, "details: %r in\n%s" % (shown, details))


def junit_report(stdout):
    root = ET.fromstring(stdout)
    suites = root.findall("testsuite")
    expect("junit: root, suites", (root.tag, root.get("name"), [s.get("name") for s in suites]),
           ("testsuites", "soucet", ORDER))
    for suite in suites:
        name = suite.get("name")
        cases = suite.findall("testcase")
        check([(c.get("name"), c.get("classname")) for c in cases] == [(t, name) for t in TESTS],
              name + ": test cases")
        if name in EXPECTED:
            failed = {c.get("name"): c.find("failure").get("type") for c in cases
                      if c.find("failure") is not None}
            want = {t: v for t, v in EXPECTED[name].items() if v != "passed"}
            expect(name + ": failed cases, counts of failures and errors, properties",
                   (failed, suite.get("failures"), suite.get("errors"),
                    {p.get("name"): p.get("value") for p in suite.iter("property")}),
                   (want, str(len(want)), "0", {"score": str(score(name)), "max_score": "6"}))
        else:
            check(all(c.find("error") is not None for c in cases), name + ": errors")
            check(NOT_GRADED[name] in cases[0].find("error").get("message"), name + ": message")


def tap_report(stdout):
    parsed = tap(stdout)
    want = ["%s - %s: %s" % ("ok" if earned(name, t) else "not ok", name, t)
            for name in ORDER for t in TESTS]
    expect("tap: plan, test points, a YAML block of four keys for each failure",
           (parsed["summary"], parsed["tests"], parsed["yaml"]),
           ("planned 40 run 40 errors 0 version 13", want,
            [4] * sum(w.startswith("not ok") for w in want)))


def csv_report(stdout):
    rows = csv_table(stdout)
    expect("csv header and rows", (rows[0], [r[0] for r in rows[1:]]),
           (["submission"] + TESTS + ["total", "note"], ORDER))
    for name, *row in rows[1:]:
        note = NOTES.get(name, "") == row[-1] if name in EXPECTED else NOT_GRADED[name] in row[-1]
        check(row[:-1] == [str(earned(name, t)) for t in TESTS] + [str(score(name))] and note,
              "csv row %s %s" % (name, row))


def reports_on_standard_output(_tmp):
    """Each report of the sample, with -j 1, -j 8 and -j 8 again: exit status 0, the same
    bytes but for the times, and what the format's reader finds in it."""
    for fmt, read in (("table", table_report), ("junit", junit_report), ("tap", tap_report),
                      ("csv", csv_report)):
        runs = [sample("--format", fmt, jobs=j) for j in (1, 8, 8)]
        check([r.returncode for r in runs] == [0] * 3 and
              len(set(without_times(r.stdout) for r in runs)) == 1,
              fmt + ": an exit status not 0, or -j 1, -j 8 and again differ")
        read(runs[0].stdout)


def gradescope_report(tmp):
    def run(jobs):
        out = os.path.join(tmp, "gradescope%d" % jobs)
        result = sample("--format", "gradescope", "--out", out, jobs=jobs)
        return (result.returncode, sorted(os.listdir(out)),
                [without_times(pathlib.Path(out, n, "results.json").read_bytes()) for n in ORDER])
    one = run(1)
    expect("gradescope: exit status and folders", one[:2], (0, sorted(ORDER)))
    check(one == run(8), "gradescope: -j 1 and -j 8 differ")
    for name in ORDER:
        data = results(os.path.join(tmp, "gradescope1"), name)
        check(set(data) == {"score", "execution_time", "output", "tests"} and
              isinstance(data["execution_time"], (int, float)) and
              [t["name"] for t in data["tests"]] == TESTS, name + ": top-level keys, test names")
        for test in data["tests"]:
            t = test["name"]
            want = {"name": t, "score": earned(name, t), "max_score": POINTS[t],
                    "output": test["output"], "status": "passed" if earned(name, t) else "failed",
                    "visibility": "hidden" if t == "tajny" else "visible"}
            check(test == want and (test["output"] == "") == bool(earned(name, t)),
                  "%s: %s, not %s" % (name, test, want))
        shown = [earned(name, t) for t in TESTS if t != "tajny"]
        summary = "%d of 3 tests passed; %d of 4 points; 1 hidden test (2 points) not counted " \
            "here" % (len(list(filter(None, shown))), sum(shown))
        check(data["score"] == score(name) and (data["output"].split("\n")[0] == summary
              if name in EXPECTED else NOT_GRADED[name] in data["output"]),
              "%s: score %s, the student's summary %r" % (name, data["score"], data["output"]))


def assignment(folder, files):
    """An assignment (or any folder of files) written from {name: bytes}; its path."""
    for name, data in files.items():
        write(os.path.join(folder, name), data)
    return folder


def submissions(folder, programs):
    """Each of {name: source} written to folder/name.mox; their paths, in that order."""
    assignment(folder, {name + ".mox": program for name, program in programs.items()})
    return [os.path.join(folder, name + ".mox") for name in programs]


def comparison_modes_and_bytes(tmp):
    expected = HELLO + b"x: 3.000000\ty: 0.5\n" + OK + BYE
    a = assignment(os.path.join(tmp, 'modes & "<xml>"'), {
        **{t + ".out": expected for t in "etwn"},
        "grading.json": json.dumps({"tests": {"t": {"mode": "trailing"}, "w": {"mode": "whitespace"},
                                              "n": {"mode": "numbers"}}}).encode()})
    # Each program, and which of the tests e, n, t and w it passes (1) or not (0).
    programs = {
        "same": (b'{ pis("x: 3.000000"); pis("\t"); pis_ln("y: 0.5"); } .', "1111"),
        "trail": (b'{ pis("x: 3.000000"); pis("\t"); pis_ln("y: 0.5  "); } .', "0111"),
        "spaced": (b'{ pis_ln("x:   3.000000"); pis_ln("y:"); pis_ln("0.5"); } .', "0101"),
        "numeric": (b'{ pis("x: 3"); pis("\t"); pis_ln("y: 0.5000001"); } .', "0100"),
        "off": (b'{ pis("x: 3.01"); pis("\t"); pis_ln("y: 0.5"); } .', "0000"),
        "ctrl": (b'{ pis("x: 3.000000\x01"); pis("\t"); pis_ln("y: 0.5"); } .', "0000"),
        "binary": (bytes(range(256)) * 4, "0000"),
    }
    subs = submissions(os.path.join(tmp, "subs"), {n: p for n, (p, _) in programs.items()})
    rows = csv_table(grade("-f", "csv", a, *subs).stdout)
    expect("modes: columns, verdicts", (rows[0][1:5], {r[0]: "".join(r[1:5]) for r in rows[1:]}),
           (["e", "n", "t", "w"], {n: passed for n, (_, passed) in programs.items()}))
    # A control byte in the output is an escape in the XML, which stays well-formed.
    root = ET.fromstring(grade("-f", "junit", a, *subs).stdout)
    check(root.get("name") == 'modes & "<xml>"', "junit: the assignment's name " + root.get("name"))
    texts = " ".join(f.text or "" for f in root.iter("failure"))
    check("3.000000\\x01" in texts, "junit: the control byte as an escape")
    detail = grade("--details", a, subs[1]).stdout.decode()
    check("+x:\u00b73.000000\u2192y:\u00b70.5\u00b7\u00b7" in detail, "details: tab and spaces\n" + detail)


def diff_of_a_missing_line(tmp):
    letters = "abcdefghijkl"
    a = assignment(os.path.join(tmp, "diffs"), {
        "lines.out": HELLO + "".join(c + "\n" for c in letters).encode() + OK + BYE})
    program = "{ " + " ".join('pis_ln("%s");' % c for c in letters if c != "e") + " } ."
    details = grade("-d", a, write(os.path.join(tmp, "skips_e.mox"), program)).stdout.decode()
    # HELLO takes lines 1-3, so "e" is line 8; the diff starts three lines before it and
    # holds ten lines of each output.
    want = "\n".join("    " + line for line in [
        "first difference: line 8, column 1", "--- expected", "+++ actual",
        "@@ -5,10 +5,10 @@", " b", " c", " d", "-e", " f", " g", " h", " i", " j", " k", "+l",
        "(the diff stops here)"])
    check(want in details, "diff of a missing line:\n" + details)


# An endless loop, with no step budget: only the clock stops it.
TIMED = {"t.in": b"3\n1 2 3\n", "t.out": b""}


def time_limit(tmp):
    a = assignment(os.path.join(tmp, "timed"), {
        **TIMED, "grading.json": b'{"defaults": {"max_steps": 0, "max_time": 300}}'})
    en, cs = (ET.fromstring(grade("-f", "junit", "--lang", lang, a, SMYCKA).stdout)
              .find("testsuite/testcase/failure") for lang in ("en", "cs"))
    expect("time limit: verdict and message, the limit in Czech first",
           (en.get("type"), "the run took its limit of 300 ms" in en.text, cs.get("message")),
           ("time", True, word("grade_time", "cs", "300")))


def unusable(tmp):
    """Assignments and options the grader cannot use: status 2 and a message that says why;
    the most points allowed; a report that cannot be written, status 1."""
    refused("missing assignment", grade(os.path.join(tmp, "nowhere"), EVA), 2)
    refused("assignment without tests", grade(assignment(os.path.join(tmp, "empty"), {}), EVA), 2)
    for i, (file, text, why) in enumerate([
            ("grading.json", b'{"tests": {"nosuch": {}}}', b""),
            ("grading.toml", b'[defaults]\nmode = "fuzzy"\n', b""),
            ("grading.json", b'{"defaults": {"pointz": 1}}', b""),
            ("grading.json", b'{"defaults": {"max_steps": -1}}', b""),
            ("grading.toml", b'[defaults\n', b""),
            ("grading.json", b'{"defaults": {"points": 1e308}}', b"from 0 to 1000000"),
            ("grading.toml", b'[defaults]\npoints = inf\n', b"from 0 to 1000000"),
            ("grading.json", b'{"defaults": {"points": 1, "points": 2}}',
             b'the key "points" appears twice in defaults'),
            ("grading.json", b'{"tests": {"x": {}}, "tests": {}}',
             b'the key "tests" appears twice at the top'),
            ("grading.toml", b'[defaults]\npoints = 1\npoints = 2\n', b"points")]):
        r = grade(assignment(os.path.join(tmp, "bad%d" % i), {"x.out": b"", file: text}), EVA)
        refused("unusable %s %r" % (file, text), r, 2, why)
    most = assignment(os.path.join(tmp, "most"), {"x.out": b"", "y.out": b"",
                                                   "grading.json": b'{"defaults": {"points": 1000000}}'})
    check(grade("-f", "csv", most, EVA).stdout.split(b"\r\n")[0].endswith(b"total,note"),
          "the most points are allowed")
    for args in (["--format", "pdf"], ["-j", "0"], ["--bogus"], ["--format", "gradescope"]):
        refused("bad options %s" % args, grade(*args, ASSIGNMENT, EVA, EVA), 2)
    help_and_unknown_option(GRADE, b"(moxa-grade --help lists the options)\n")
    for out in (os.path.join(tmp, "no such folder", "r.csv"), str(tmp)):
        refused("unwritable -o " + out, grade("-f", "csv", "-o", out, ASSIGNMENT, EVA), 1,
                b"cannot write")


COUNT = b'{ @i -> 0; w2 (@i < 3000000) { @i -> @i + 1; } w2_end; pis_ln("hotovo"); } .'
COUNTED = HELLO + b"hotovo\n" + OK + BYE


def hostile_files(tmp):
    # Things a submission archive can carry in place of a program: each is refused unread
    # and the grading goes on with the rest, within the watchdog.
    sub = os.path.join(tmp, "hostile")
    os.makedirs(os.path.join(sub, "inner"))
    os.mkfifo(os.path.join(sub, "inner", "q.mox"))
    os.mkfifo(os.path.join(sub, "fifo.mox"))
    os.symlink("/dev/zero", os.path.join(sub, "zero.mox"))
    listening = socket.socket(socket.AF_UNIX)
    listening.bind(os.path.join(sub, "socket.mox"))
    eva = pathlib.Path(EVA, "soucet.mox").read_bytes()
    assignment(sub, {"big.mox": eva + b" " * 3000, "ok.mox": eva})
    subs = [os.path.join(sub, n + ".mox") for n in ("fifo", "zero", "ok", "socket", "big")]
    a = os.path.join(tmp, "capped")
    shutil.copytree(ASSIGNMENT, a)
    toml = os.path.join(a, "grading.toml")
    write(toml, b"max_program = 2000\n" + open(toml, "rb").read())
    result = grade("-f", "csv", a, *subs, os.path.join(sub, "inner"))
    rows = csv_rows(result)
    expect("hostile files: exit status, ok graded", (result.returncode, rows.get("ok", [])[:5]),
           (0, ["1", "1", "2", "2", "6"]))
    for name, why in (("fifo", "a FIFO"), ("zero", "a device"), ("socket", "a socket"),
                      ("inner", "a FIFO"), ("big", "more than 2000 bytes")):
        check(why in rows.get(name, [""])[-1] and rows[name][-1].startswith("not graded: "),
              "hostile files: %s %s" % (name, rows.get(name)))
    # The option wins over the settings.
    rows = csv_rows(grade("-f", "csv", "--max-program", "0", a, os.path.join(sub, "big.mox")))
    check(rows.get("big", [])[4:5] == ["6"], "--max-program 0: any size %s" % rows.get("big"))
    # A test's input that is a FIFO makes the assignment unusable, without a wait.
    os.remove(os.path.join(a, "mezery.in"))
    os.mkfifo(os.path.join(a, "mezery.in"))
    refused("a FIFO as input", grade(a, os.path.join(sub, "ok.mox")), 2, b"a FIFO")
    listening.close()


def processor_time_at_any_jobs(tmp):
    # Sixteen copies of a program that runs a while: under a time limit it keeps alone, they
    # pass whether they run one by one or sixteen at once on however few processors.
    count = write(os.path.join(tmp, "count.mox"), COUNT)
    # A limit far above what one copy needs in any build (a fraction of a second, a few
    # seconds under the sanitizers): the limit counts each run's own processor time, so
    # sixteen runs sharing the processors do not bring a copy nearer to it.
    a = assignment(os.path.join(tmp, "sweep"), {
        "count.out": COUNTED, "steps.out": COUNTED, "grading.json": json.dumps({
            "defaults": {"max_steps": 0, "max_time": 10000},
            "tests": {"steps": {"max_steps": 2000000}}}).encode()})
    forever = write(os.path.join(tmp, "forever.mox"),
                    b'{ @i -> 0; w2 (0 < 1) { @i -> @i + 1; } w2_end; } .')
    for jobs in (1, 16):
        result = grade("-f", "tap", a, *[count] * 16, forever, jobs=jobs)
        told = re.findall(rb"verdict: \w+", result.stdout)
        expect("sweep -j %d: every copy within 10000 ms, the step budget and the time limit told "
               "apart" % jobs, (len(re.findall(rb"^ok \d+ - count: count$", result.stdout, re.M)), told),
               (16, [b"verdict: limit"] * 16 + [b"verdict: time", b"verdict: limit"]))
    # A time limit of any size is one that is never reached.
    write(os.path.join(a, "grading.json"),
          b'{"defaults": {"max_time": 18446744073709551615, "max_steps": 0}}')
    rows = csv_rows(grade("-f", "csv", a, count))
    check(rows.get("count", [])[:3] == ["1", "1", "2"], "the largest max_time: %s" % rows.get("count"))

    # Without -j, as many runs at once as the processors the grader may use: on one, one run
    # at a time, which the threads of the process show (the main thread, the one that waits
    # for signals, a worker and its run's thread).
    one = sorted(os.sched_getaffinity(0))[:1]
    write(os.path.join(a, "grading.json"), b'{"defaults": {"max_steps": 0}}')
    os.remove(os.path.join(a, "steps.out"))

    def most_threads(*jobs):
        process = subprocess.Popen([GRADE, *jobs, a] + [count] * 8, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL,
                                   preexec_fn=lambda: os.sched_setaffinity(0, one))
        most, deadline = 0, time.monotonic() + WATCHDOG
        while process.poll() is None and time.monotonic() < deadline:
            try:
                most = max(most, len(os.listdir("/proc/%d/task" % process.pid)))
            except OSError:
                pass
            time.sleep(0.002)
        process.kill()
        process.wait()
        return most

    explicit = most_threads("-j", "3")
    check(explicit >= 5, "two runs at once are seen among the threads: %d" % explicit)
    default = most_threads()
    check(0 < default <= 4, "one processor, one run at a time by default: %d threads" % default)


def interrupted(tmp):
    # A signal mid-grading: the report file is left as it was, or is whole; a report on the
    # standard output ends where the grading stopped and still parses; the grader ends by
    # the signal.
    a = assignment(os.path.join(tmp, "slow"), {
        **TIMED, "grading.json": b'{"defaults": {"max_steps": 0, "max_time": 200}}'})

    def interrupt(sig, *args):
        process = subprocess.Popen([GRADE, "-j", "2", *args, a, *[SMYCKA] * 30],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)

        def send():
            # Once the grader has taken the signals over (or after two seconds), and a few
            # runs later.
            wanted = (1 << (signal.SIGINT - 1)) | (1 << (signal.SIGTERM - 1)) | (1 << (signal.SIGHUP - 1))
            for _ in range(200):
                status = open("/proc/%d/status" % process.pid).read()
                if int(re.search(r"SigBlk:\s*([0-9a-f]+)", status).group(1), 16) & wanted == wanted:
                    break
                time.sleep(0.01)
            time.sleep(0.5)
            process.send_signal(sig)

        sender = threading.Thread(target=send)
        sender.start()
        try:
            stdout, stderr = process.communicate(timeout=WATCHDOG)
        except subprocess.TimeoutExpired:
            process.kill()
            stdout, stderr = process.communicate()
        sender.join()
        check(process.returncode == -sig and signal.Signals(sig).name.encode() in stderr,
              "%s %s: status %s, said so %r" % (sig, args, process.returncode, stderr))
        return stdout

    def whole_junit(text):
        try:
            return ET.fromstring(text).tag == "testsuites"
        except ET.ParseError:
            return False

    for sig, fmt, whole in (
            (signal.SIGTERM, "csv", lambda text: csv_table(text)[:1] == [["submission", "t", "total",
             "note"]] and all(len(r) == 4 for r in csv_table(text))),
            (signal.SIGINT, "junit", whole_junit),
            (signal.SIGHUP, "tap", lambda text: len(re.findall(rb"^(?:not )?ok \d+ ", text, re.M)) == 30)):
        out = write(os.path.join(tmp, "report." + fmt), b"the old report")
        interrupt(sig, "-f", fmt, "-o", out)
        kept = open(out, "rb").read()
        check(kept == b"the old report" or whole(kept), "%s: the old report or a whole one" % fmt)
        check(sorted(os.listdir(tmp)).count("report." + fmt) == 1 and
              not [n for n in os.listdir(tmp) if n.startswith(".report.")],
              "%s: no temporary file left: %s" % (fmt, os.listdir(tmp)))
        if fmt != "tap":
            check(whole(interrupt(sig, "-f", fmt)), fmt + " on standard output: whole")
    tap_out = interrupt(signal.SIGHUP, "-f", "tap").decode()
    check(re.search(r"^Bail out! stopped by SIGHUP after \d+ of 30 submissions$", tap_out, re.M),
          "tap on standard output: a bail-out\n" + tap_out)


def names_in_utf8(tmp):
    # Names keep their letters in every report; only bytes that are not UTF-8 and control
    # characters become escapes.
    a = assignment(os.path.join(tmp, "\u00falohy"), {
        "\u010d\u00edsla.out": COUNTED, "grading.json": b'{"defaults": {"max_steps": 0}}'})
    sub = os.path.join(tmp, "names")
    bad = write(os.path.join(sub.encode(), b"x\xff\xc2\x85\x01.mox"), COUNT)
    subs = [write(os.path.join(sub, "\u017dofie.mox"), COUNT), bad.decode("utf-8", "surrogateescape")]
    good, test, escaped = "\u017dofie", "\u010d\u00edsla", "x\\xff\\xc2\\x85\\x01"
    rows = csv_table(grade("-f", "csv", a, *subs).stdout)
    check(rows[0][1] == test and [r[0] for r in rows[1:]] == [good, escaped], "csv names %s" % rows)
    root = ET.fromstring(grade("-f", "junit", a, *subs).stdout)
    check(root.get("name") == "\u00falohy" and [s.get("name") for s in root.iter("testsuite")] ==
          [good, escaped] and root.find("testsuite/testcase").get("name") == test, "junit names")
    tap_out = grade("-f", "tap", a, *subs).stdout.decode()
    check("ok 1 - %s: %s\n" % (good, test) in tap_out and "ok 2 - %s: %s\n" % (escaped, test) in tap_out,
          "tap names\n" + tap_out)
    single = json.loads(grade("-f", "gradescope", a, subs[0]).stdout)
    check(single["tests"][0]["name"] == test, "gradescope names %s" % single["tests"])
    table = grade(a, *subs).stdout.decode()
    check(table.split("\n")[2].startswith(good + " ") and escaped in table, "table names\n" + table)


def bundle(tmp):
    out = os.path.join(tmp, "soucet.json")
    r = grade("--bundle", ASSIGNMENT, "-o", out, jobs=0)
    check(r.returncode == 0 and r.stderr == b"", "bundle: %d %r" % (r.returncode, r.stderr))
    raw = open(out, "rb").read()
    b = json.loads(raw)

    def read(name):
        return pathlib.Path(ASSIGNMENT, name).read_bytes()

    visible = [t for t in TESTS if t != "tajny"]
    modes = {"mezery": "trailing", "prazdny": "exact", "zakladni": "exact"}
    expect("bundle: format, version, task text as it is, visible tests, hidden ones", (b["format"],
           b["version"], b["task"].encode(), [t["name"] for t in b["tests"]], b["hidden"]),
           ("moxa-assignment", 1, read("task.md"), visible, {"count": 1, "points": 2}))
    for t in b["tests"]:
        name = t["name"]
        check((t["input"].encode(), t["expected"].encode(), t["points"], t["mode"],
               t["limits"]["max_steps"], t["limits"]["max_output"]) ==
              (read(name + ".in"), read(name + ".out"), POINTS[name], modes[name], 1000000, 10000),
              "bundle: test " + name)
    # Nothing of the hidden test gets in: no line of its input or output that the visible
    # tests do not share (its numbers, its sum and mean).
    shared = b"".join(read(t + ext) for t in visible for ext in (".in", ".out"))
    secret = [line for file in ("tajny.in", "tajny.out") for line in read(file).split(b"\n")
              if len(line) > 3 and line not in shared]
    check(len(secret) == 3, "bundle: the hidden test's own lines %r" % secret)
    check(not [line for line in secret + [b"-6901", b"tajny"] if line in raw],
          "bundle: the hidden test leaked")
    r = grade("--bundle", ASSIGNMENT, jobs=0)
    check(r.returncode == 0 and r.stdout == raw, "bundle on standard output")

    # Without a task text, the bundle is refused and says why; nothing is written.
    bare = os.path.join(tmp, "bare")
    shutil.copytree(ASSIGNMENT, bare)
    os.remove(os.path.join(bare, "task.md"))
    out = os.path.join(tmp, "bare.json")
    refused("bundle without task.md", grade("--bundle", bare, "-o", out, jobs=0), 2, b"task.md")
    check(not os.path.exists(out), "bundle without task.md: nothing written")
    # A visible test's output that is no UTF-8 cannot be carried; any other visibility of a
    # test keeps it out.
    assignment(bare, {"task.md": b"# T\n", "bin.out": b"\xff\n"})
    refused("bundle of bytes that are no UTF-8", grade("--bundle", bare, jobs=0), 2,
            b"bin", b"UTF-8")
    os.remove(os.path.join(bare, "grading.toml"))
    write(os.path.join(bare, "grading.json"),
          b'{"tests": {"bin": {"visibility": "after_due_date", "points": 3}}}')
    r = grade("--bundle", bare, jobs=0)
    b = json.loads(r.stdout) if r.returncode == 0 else {}
    check(b.get("hidden") == {"count": 1, "points": 3} and len(b.get("tests", [])) == 4,
          "bundle: a test shown after the due date is hidden: %r" % r.stderr)
    refused("bundle with a submission", grade("--bundle", bare, EVA, jobs=0), 2)


def feedback(tmp):
    """A failed test says why, in every report that carries a test's message, in English and
    in Czech: an empty submission, a syntax error (the message, its explanation, the line of
    the cause), a runtime error, the limit that stopped the run."""
    a = assignment(os.path.join(tmp, "feedback"), {
        "shown.out": HELLO + b"2\n" + OK + BYE, "secret.out": HELLO + b"2\n" + OK + BYE,
        "grading.json": b'{"defaults": {"max_steps": 200000, "max_output": 1000, "max_memory": '
                        b'1572864}, "tests": {"secret": {"visibility": "hidden"}}}'})
    programs = {
        "empty": b"  :: nothing yet\n\n",
        "syntax": b"{\n  pis_ln(2)\n  pis_ln(3);\n} .\n",  # the ; is missing on line 2
        "runtime": b'{\n  @a -> "x";\n  pis_ln(@a * 2);\n} .\n',
        "steps": b"{ w2 (1) { @i -> 1; } w2_end; } .\n",
        "output": b'{ w2 (1) { pis("ab"); } w2_end; } .\n',
        "memory": b'{ @a -> "0123456789"; w2 (1) { ~f(@a; @a; @a; @a); } w2_end; } .\n',
    }
    files = submissions(os.path.join(tmp, "feedback-in"), programs)
    # The interpreter's messages (fixed byte for byte) and the limits' English accounts.
    said = {"syntax": "V bloku: 'Vnitrni_blok', na radku: 3 nastala chyba - byl ocekavan znak: "
                      '";", namisto toho se vyskytl tento znak: "pis_ln".',
            "runtime": "V bloku: 'Vnitrni_term', na radku: 3 nastala chyba - nejedna se o cislo.",
            "steps": "stopped: the run used up its step budget (200000 steps)",
            "output": "stopped: the output reached its limit of 1000 bytes",
            "memory": "stopped: the run reached its memory limit (1.5 MiB)"}

    def want(name, lang):
        """The first lines of the test's message; the note on the program as a whole."""
        cause = code_text("M101", "message", lang)
        if name == "empty":
            return [word("grade_empty", lang)], word("grade_empty", lang)
        if name == "syntax":
            return [word("grade_syntax", lang, said[name]), "M003: " +
                    code_text("M003", "explanation", lang), word("grade_cause", lang, "2", cause)
                    ], word("grade_syntax_line", lang, "2", cause)
        if name == "runtime":
            return [word("grade_runtime", lang, said[name]),
                    "M014: " + code_text("M014", "explanation", lang)], ""
        value = {"steps": "200000", "output": "1000", "memory": "1.5"}[name]
        return [word("grade_" + name, lang, value)] * (lang == "cs") + [said[name]], ""

    def agrees(where, name, lang, message):
        lines = want(name, lang)[0]
        check(message.split("\n")[:len(lines)] == lines,
              "feedback %s, %s (%s):\n%s" % (where, name, lang, message))

    # The table, in the language of the locale; the student's results.json, in that of --lang:
    # the message, and a summary of the visible test alone.
    for lang, locale in (("en", "C"), ("cs", "cs_CZ.UTF-8")):
        table = grade("-d", a, *files, env=dict(os.environ, LC_ALL=locale)).stdout.decode()
        accounts = re.findall(r"^  shown: \w+\n((?:    .*\n)*)", table, re.M)
        check(len(accounts) == len(programs), "feedback table: %d accounts" % len(accounts))
        for name, account in zip(programs, accounts):
            agrees("table", name, lang, re.sub(r"(?m)^    ", "", account))
        out = os.path.join(tmp, "feedback-gs-" + lang)
        grade("-f", "gradescope", "--lang", lang, "-o", out, a, *files)
        for name in programs:
            data = results(out, name)
            agrees("gradescope", name, lang, data["tests"][1]["output"])
            note = want(name, lang)[1]
            check(data["output"] == "0 of 1 tests passed; 0 of 1 points; 1 hidden test (1 point)"
                  " not counted here" + ("\n" + note if note else ""),
                  "feedback gradescope summary %s: %r" % (name, data["output"]))
    for suite in ET.fromstring(grade("-f", "junit", "--lang", "en", a, *files).stdout):
        failure = suite.find("testcase[@name='shown']/failure")
        agrees("junit", suite.get("name"), "en", failure.text)
    messages = tap(grade("-f", "tap", "--lang", "en", a, *files).stdout)["messages"]
    for name in programs:
        agrees("tap", name, "en", messages.get("- %s: shown" % name, ""))
    rows = csv_rows(grade("-f", "csv", "--lang", "en", a, *files))
    check({n: r[-1] for n, r in rows.items()} == {n: want(n, "en")[1] for n in programs},
          "feedback csv notes: %s" % rows)


finish_in_folder("moxa-grade", (reports_on_standard_output, gradescope_report,
                                comparison_modes_and_bytes, diff_of_a_missing_line, time_limit,
                                unusable, hostile_files, processor_time_at_any_jobs, interrupted,
                                names_in_utf8, bundle, feedback))
