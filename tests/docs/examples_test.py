#!/usr/bin/env python3
"""Runs the examples that the README, the man page and the playground's guide hold, and
checks the output each of them claims.

Usage: examples_test.py MOXA SOURCE_ROOT

What counts as an example:
  - in README.md, a ```mox block is a program; the first ```text block after it (before the
    next program) is what it prints between the lines `hello` and `bye`. A ```text block
    whose info string names a file (```text examples/x.mox) is what that file prints.
  - in README.md, in the tour and the student's guide, an inline claim "`E` is `V`" runs
    `pis(E);`, and "`S` prints `V`" runs the statement S; V must be what it prints.
  - in README.md a ```console block, and in the man page an .EX block whose lines start
    with "$ ", is a terminal session: every "$ " line runs in bash, in a fresh folder
    holding copies of the example programs and with MOXA first on the PATH, and must print
    the lines that follow it. "$ cat FILE" of a file that is not there yet creates it with
    the lines shown.
  - every guide (the README, the man page, the playground's page) names every message the
    interpreter prints that its table of messages leaves out.
"""

import html
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import BYE, HELLO, check, expect, failures, finish, write  # noqa: E402

# The messages and fixed lines the interpreter prints that the tables of messages leave out
# (those, with every routine, check/guide.py makes and the diagnostics_guide test compares).
MESSAGES = [
    "byl ocekavan znak:", "namisto toho se vyskytl tento znak:", "Program probehl bez chyb.",
    "V programu se vyskytla chyba.", "hodnota neurcena", "se nezdarilo otevrit.",
    "Soubor se nezdarilo uzavrit.", "Prilis mnoho argumentu.",
    "Prosim zadejte vstupni soubor ve tvaru: './moxa jmeno_souboru.mox'.",
]


def fail(where, what):
    failures.append(f"{where}: {what}")


def run_program(moxa, program, where):
    """What `moxa FILE` prints for the program, between the banners."""
    with tempfile.TemporaryDirectory() as folder:
        out = subprocess.run([moxa, write(os.path.join(folder, "p.mox"), program)],
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=60).stdout
    if not out.startswith(HELLO) or not out.endswith(BYE):
        fail(where, "the run did not end normally:\n" + out.decode("utf-8", "replace"))
        return None
    return out[len(HELLO):-len(BYE)].decode("utf-8", "replace")


def compare(where, expected, got):
    if got is not None and got != expected:
        fail(where, f"expected\n{expected!r}\ngot\n{got!r}")


def fenced_blocks(text):
    """(info string, content, line number) of every fenced block, indented ones included."""
    for m in re.finditer(r"^( *)```([^\n]*)\n(.*?)^ *```$", text, re.M | re.S):
        indent = len(m.group(1))
        body = [line[indent:] if line[:indent].strip() == "" else line
                for line in m.group(3).split("\n")[:-1]]
        yield m.group(2).strip(), "\n".join(body) + "\n", text.count("\n", 0, m.start()) + 1


# The programs a session of the interpreter may run; a session that runs another program
# (a tool with tests of its own) is not an example of the interpreter and is left out.
SESSION_PROGRAMS = {"moxa", "cat", "printf", "echo", "grep", "cmp", "diff"}


def session(moxa, root, where, lines):
    """Runs a terminal session: "$ " lines and the output each must print."""
    steps = []
    for line in lines:
        if line.startswith("$ "):
            steps.append([line[2:], []])
        elif steps:
            steps[-1][1].append(line)
        else:
            fail(where, "a session that does not begin with a command")
            return
    programs = set()  # the words that start a command
    for command, _ in steps:
        lexer = shlex.shlex(command, posix=True, punctuation_chars=True)
        lexer.whitespace_split = True
        words = [";"] + list(lexer)
        programs |= {w for before, w in zip(words, words[1:]) if before in ("|", "||", "&&", ";")}
    if not programs <= SESSION_PROGRAMS:
        print(f"left out: the session at {where} runs {', '.join(sorted(programs - SESSION_PROGRAMS))}")
        return
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(moxa)) + os.pathsep +
               os.environ.get("PATH", ""), LC_ALL="C")
    with tempfile.TemporaryDirectory() as folder:
        created = {c.split()[1] for c, _ in steps if re.fullmatch(r"cat \S+", c)}
        examples = os.path.join(root, "examples")
        for name in os.listdir(examples):
            if name.endswith(".mox") and name not in created:
                shutil.copy(os.path.join(examples, name), folder)
        for command, shown in steps:
            expected = "".join(line + "\n" for line in shown)
            m = re.fullmatch(r"cat (\S+)", command)
            if m and not os.path.exists(os.path.join(folder, m.group(1))):
                write(os.path.join(folder, m.group(1)), expected)
            result = subprocess.run(["bash", "-c", command], cwd=folder, env=env,
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
            expect(f"{where}: `{command}`, its status and output (it said {result.stderr!r})",
                   (result.returncode, result.stdout.decode("utf-8", "replace")), (0, expected))


def section(text, heading):
    """The text of the section under a level-2 heading, up to the next one."""
    m = re.search(r"^## " + re.escape(heading) + r"\n(.*?)(?=^## |\Z)", text, re.M | re.S)
    return m.group(1) if m else ""


def check_readme(moxa, root):
    text = pathlib.Path(root, "README.md").read_text(encoding="utf-8")
    program = None
    # A last empty program after the blocks fails a program left without its output.
    for info, body, line in [*fenced_blocks(text), ("mox", "", "end")]:
        where = f"README.md:{line}"
        words = info.split()
        if words[:1] == ["mox"]:
            if program is not None:
                fail(program[1], "a program whose output the README does not show")
            program = (body, where)
        elif words[:1] == ["text"] and len(words) == 2:
            program_file = pathlib.Path(root, words[1]).read_text(encoding="utf-8")
            compare(where, body, run_program(moxa, program_file, where))
        elif words[:1] == ["text"] and program is not None:
            compare(where, body, run_program(moxa, program[0], program[1]))
            program = None
        elif words[:1] == ["console"]:
            session(moxa, root, where, body[:-1].split("\n"))

    # Inline claims in the tour and the guide.
    prose = section(text, "A tour of the language") + section(text, "A student's guide")
    prose = re.sub(r"```.*?```", "", prose, flags=re.S)
    prose = re.sub(r"\s+", " ", prose)
    claims = 0
    for m in re.finditer(r"`([^`]+)` (is|prints) (?:`([^`]+)`|(\d+)\b)", prose):
        left, verb = m.group(1), m.group(2)
        value = m.group(3) if m.group(3) is not None else m.group(4)
        statement = f"pis({left});" if verb == "is" else left.rstrip(";") + ";"
        if verb == "is" and (left.startswith("@") and " " not in left or left.isalpha()):
            continue  # "`@n` is the text ..." names a value, it claims no result
        compare(f"README.md: `{left}` {verb} `{value}`",
                value + "\nProgram probehl bez chyb.\n",
                run_program(moxa, "{ " + statement + " } .\n", f"`{left}`"))
        claims += 1
    check(claims >= 10, f"README.md: only {claims} inline claims found in the tour and the guide")
    return text


def roff_text(line):
    for escape, plain in [(r"\-", "-"), (r"\(aq", "'"), (r"\(dq", '"'), (r"\&", ""),
                          (r"\(lq", '"'), (r"\(rq", '"'), (r"\e", "\\")]:
        line = line.replace(escape, plain)
    return line


def check_man_page(moxa, root):
    source = pathlib.Path(root, "packaging", "moxa.1").read_text(encoding="utf-8")
    sessions = 0
    for m in re.finditer(r"^\.EX\n(.*?)^\.EE$", source, re.M | re.S):
        lines = [roff_text(line) for line in m.group(1)[:-1].split("\n")]
        if lines and lines[0].startswith("$ "):
            sessions += 1
            line = source[:m.start()].count("\n") + 1
            session(moxa, root, f"packaging/moxa.1:{line}", lines)
    check(sessions >= 3, f"packaging/moxa.1: only {sessions} example sessions found")
    # The two guides as text: escapes resolved, requests other than fonts dropped.
    guides = {}
    for name, heading in [("packaging/moxa.1", "A STUDENT'S GUIDE"),
                          ("packaging/moxa.1 (cesky)", "PRUVODCE PRO STUDENTY")]:
        m = re.search(r'^\.SH "' + re.escape(heading) + r'"\n(.*?)(?=^\.SH )', source, re.M | re.S)
        body = m.group(1) if m else ""
        guides[name] = "\n".join(roff_text(line) for line in body.split("\n")
                                 if not line.startswith(".") or line.startswith(".B"))
    return guides


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    moxa, root = sys.argv[1], sys.argv[2]
    readme = check_readme(moxa, root)
    page = pathlib.Path(root, "web", "src", "guide.html").read_text(encoding="utf-8")
    guides = {"README.md": section(readme, "A student's guide"),
              "README.md (cesky)": section(readme, "Pruvodce pro studenty"),
              **check_man_page(moxa, root),
              "web/src/guide.html": html.unescape(re.sub(r"<[^>]+>", "", page))}
    for where, guide in guides.items():
        flat = re.sub(r"\s+", " ", guide.replace("\\|", "|"))
        expect(f"{where}: what the guide does not name", [m for m in MESSAGES if m not in flat],
               [])
    finish("doc examples")


if __name__ == "__main__":
    main()
