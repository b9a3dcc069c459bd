#!/usr/bin/env python3
"""moxa-lsp driven by a test client over pipes: whole sessions of every request it answers,
then wrong requests and broken framing (random bytes are the fuzz target's).

usage: moxa_lsp_test.py MOXA_LSP"""
import json
import pathlib
import sys

LSP = sys.argv[1]
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import Ramce, expect, finish, frame  # noqa: E402
URI = "file:///tmp/prog.mox"
DOC = {"textDocument": {"uri": URI}}


class Client(Ramce):
    def __init__(self):
        super().__init__([LSP, "--stdio"], 30)
        self.next_id = 0

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def request(self, method, params, whole=False):
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params})
        m = self.next(lambda m: m.get("id") == self.next_id and "method" not in m)
        return m if whole else m.get("result", m.get("error"))

    def code(self, method, params):
        """The code of the error a request is answered with."""
        return self.request(method, params, whole=True).get("error", {}).get("code")

    def diagnostics(self):
        return self.next(lambda m: m.get("method") == "textDocument/publishDiagnostics")["params"]

    def end(self):
        """The status and standard error of the server once its input ends."""
        self.p.stdin.close()
        return self.p.wait(timeout=30), self.p.stderr.read().decode()

    def close(self, shutdown=True):
        if shutdown:
            expect("shutdown", self.request("shutdown", None), None)
        self.notify("exit", None)
        return self.p.wait(timeout=30)

    def tokens(self, legend):
        """The semantic tokens of the document as absolute (line, column, length, type,
        modifiers), from their relative encoding."""
        data = self.request("textDocument/semanticTokens/full", DOC)
        out, line, col = [], 0, 0
        for i in range(0, len(data["data"]), 5):
            dl, dc, length, ty, mods = data["data"][i:i + 5]
            line += dl
            col = dc if dl else col + dc
            out.append((line, col, length, legend[ty], mods))
        return out


def initialize(c, related=True, **more):
    caps = {"textDocument": {"publishDiagnostics": {"relatedInformation": related}}}
    r = c.request("initialize", {"processId": None, "rootUri": None, "capabilities": caps, **more})
    c.notify("initialized", {})
    return r["capabilities"]


def rng(l1, c1, l2, c2):
    return {"start": {"line": l1, "character": c1}, "end": {"line": l2, "character": c2}}


def open_doc(c, text, version=1):
    c.notify("textDocument/didOpen", {"textDocument": {
        "uri": URI, "languageId": "moxa", "version": version, "text": text}})
    return c.diagnostics()


def change(c, text, version, range_=None):
    ch = {"text": text} if range_ is None else {"range": range_, "text": text}
    c.notify("textDocument/didChange", {"textDocument": {"uri": URI, "version": version},
                                        "contentChanges": [ch]})
    return c.diagnostics()


def at(line, character):
    return {**DOC, "position": {"line": line, "character": character}}


def severe(d, severity=1):
    return [x for x in d["diagnostics"] if x["severity"] == severity]


def session_diagnostics():
    """Diagnostics on open and change, at the token the message is about, in UTF-16 columns;
    the notes as related places or, for a client without them, diagnostics of their own."""
    c = Client()
    caps = initialize(c)
    expect("full sync", caps["textDocumentSync"], {"openClose": True, "change": 1})

    # The missing ';' after "@a -> 1" is found by a run at pis_ln, a line later: the error
    # stands at the 1, with its code and explanation, and the run's message is a related place.
    d = open_doc(c, "{\n  @a -> 1\n  pis_ln(@a);\n} .\n")
    expect("uri and version", (d["uri"], d.get("version")), (URI, 1))
    expect("one error at the 1, its message, explanation and the run's message at pis_ln",
           [(x["range"], x["code"], x["message"].split("\n")[0],
             "Every statement ends with a semicolon." in x["message"],
             [(r["location"]["range"], r["message"][:9]) for r in x["relatedInformation"]])
            for x in severe(d)],
           [(rng(1, 8, 1, 9), "M101", "`;` missing after the statement", True,
             [(rng(2, 2, 2, 8), "V bloku: ")])])

    # Before the token that lacks its ';': a four-byte character (two UTF-16 units) and a
    # two-byte one (one unit) in a comment.
    d = change(c, "{ :! \U0001F600\u00e9 !: pis_ln(1) } .", 2)
    expect("version after a change; error at ) and the run's at } in UTF-16 units",
           (d.get("version"), [(x["range"], x["relatedInformation"][0]["location"]["range"])
                               for x in severe(d)]),
           (2, [(rng(0, 20, 0, 21), rng(0, 22, 0, 23))]))


    # A capital dropped inside a name: a warning at the capital, on a CR LF line.
    d = change(c, "{\r\n  @Vysledek -> 1;\r\n  pis(@ysledek);\r\n} .\r\n", 4)
    expect("warning at the dropped V",
           {"line": 1, "character": 3} in [x["range"]["start"] for x in severe(d, 2)], True)

    # The statement that reads as "is_ln": the error at the word as written, the run's
    # message at is_ln as a related place.
    d = change(c, "{\n  Pis_ln(1);\n} .\n", 5)
    err = severe(d)
    related = [r["location"]["range"]["start"] for r in err[0].get("relatedInformation", [])]
    expect("error at Pis_ln, the run's message at is_ln",
           (err[0]["range"], related, all(x["severity"] != 3 for x in d["diagnostics"])),
           (rng(1, 2, 1, 8), [{"line": 1, "character": 3}], True))

    # A part of the document changed: "pis_ln(1)" becomes "pis_ln(1;" on line 2.
    expect("clean again", change(c, "{\n  pis_ln(1);\n} .\n", 6)["diagnostics"], [])
    expect("error after a ranged change",
           [x["range"]["start"]["line"] for x in severe(change(c, ";", 7, rng(1, 10, 1, 11)))], [1])
    c.notify("textDocument/didClose", DOC)
    expect("closing clears", c.diagnostics()["diagnostics"], [])
    expect("request on a closed document", c.request("textDocument/hover", at(0, 0)), None)
    expect("exit after shutdown", c.close(), 0)

    # Without related places, each note is a diagnostic of its own at the dropped capital.
    c = Client()
    initialize(c, related=False)
    expect("note as information", [x["range"]["start"] for x in severe(open_doc(
        c, "{\n  Pis_ln(1);\n} .\n"), 3)], [{"line": 1, "character": 3}])
    expect("exit without shutdown", c.close(shutdown=False), 1)


def session_actions():
    """Fixes as quick fixes, in the language initialize's locale asks for: applying the one
    offered for a missing ';' gives a program that checks clean."""
    c = Client()
    expect("code actions offered", initialize(c, locale="cs-CZ").get("codeActionProvider"),
           {"codeActionKinds": ["quickfix"]})
    text = "{\n  @a -> 1\n  pis_ln(@a);\n} .\n"
    err = severe(open_doc(c, text))[0]
    expect("Czech words", err["message"].split("\n"), [
        "za příkazem chybí `;`",
        "Každý příkaz končí středníkem. Interpret si ho všimne až u dalšího slova (viz poznámka), ale chybí tady."])
    actions = actions_at(c, err["range"], [err])
    expect("one quick fix", [(a["title"], a["kind"], a["isPreferred"]) for a in actions],
           [("vložit `;`", "quickfix", False)])
    expect("the edit", actions[0]["edit"]["changes"][URI],
           [{"range": rng(1, 9, 1, 9), "newText": ";"}])
    fixed = text.replace("@a -> 1", "@a -> 1;")  # the edit: line 1, column 9
    expect("clean after the fix", change(c, fixed, 2)["diagnostics"], [])
    # A keyword with a capital: the fix is safe, the preferred action; nothing offered away
    # from a finding.
    change(c, "{\n  Pis_ln(1);\n  pis_ln(2);\n} .\n", 3)
    expect("safe fix", [(a["edit"]["changes"][URI][0]["newText"], a["isPreferred"])
                        for a in actions_at(c, rng(1, 4, 1, 4))], [("pis_ln", True)])
    expect("nothing away from a finding", actions_at(c, rng(2, 4, 2, 4)), [])
    expect("exit", c.close(), 0)


def actions_at(c, range_, diagnostics=()):
    return c.request("textDocument/codeAction",
                     {**DOC, "range": range_, "context": {"diagnostics": list(diagnostics)}})


PROGRAM = ('?secti(p2 @a; p2 @b) {\n'
           '  pis(@a + @b);\n'
           '}\n'
           '{\n'
           '  w2 (@i < 3) { @i -> @i + 1; } w2_end; :: count\n'
           '  ~secti(1; 2);\n'
           '  pis("x\n'
           'y");\n'
           '} .\n')


def session_requests():
    """Semantic tokens, symbols, definition, hover, completion and formatting on one file."""
    c = Client()
    legend = initialize(c)["semanticTokensProvider"]["legend"]["tokenTypes"]
    open_doc(c, PROGRAM)
    toks = c.tokens(legend)
    expect("tokens of the declaration line", [t for t in toks if t[0] == 0], [
        (0, 0, 6, "function", 1), (0, 6, 1, "operator", 0), (0, 7, 2, "keyword", 0),
        (0, 10, 2, "variable", 0), (0, 12, 1, "operator", 0), (0, 14, 2, "keyword", 0),
        (0, 17, 2, "variable", 0), (0, 19, 1, "operator", 0), (0, 21, 1, "operator", 0)])
    expect("comment, call and the string over two lines",
           [t for t in toks if t[3] in ("comment", "string") or t[0] == 5][:3] +
           [t for t in toks if t[3] == "string"],
           [(4, 40, 8, "comment", 0), (5, 2, 6, "function", 0), (5, 8, 1, "operator", 0),
            (6, 6, 2, "string", 0), (7, 0, 2, "string", 0)])

    # Lines ended by a lone CR (the scanner drops the CR; an editor starts a line after it),
    # and a text holding a character beyond the first 65,536 (two UTF-16 units).
    change(c, '{\r  pis("\U0001F600");\r} .', 9)
    expect("tokens after lone CRs", [t[:4] for t in c.tokens(legend)],
           [(0, 0, 1, "operator"), (1, 2, 3, "keyword"), (1, 5, 1, "operator"),
            (1, 6, 4, "string"), (1, 10, 1, "operator"), (1, 11, 1, "operator"),
            (2, 0, 1, "operator"), (2, 2, 1, "keyword")])
    change(c, PROGRAM, 10)

    syms = c.request("textDocument/documentSymbol", DOC)
    expect("symbols", [(s["name"], s["kind"], s["range"], s["selectionRange"]) for s in syms],
           [("?secti", 12, rng(0, 0, 2, 1), rng(0, 0, 0, 6))])

    for what, method, line, character, want in (
            ("from the call", "definition", 5, 4, [{"uri": URI, "range": rng(0, 0, 0, 6)}]),
            ("from a keyword", "definition", 4, 2, None), ("on a number", "hover", 5, 9, None)):
        expect(f"{method} {what}", c.request(f"textDocument/{method}", at(line, character)), want)
    h = c.request("textDocument/hover", at(4, 3))
    expect("hover on w2 in both languages with its range",
           ("Cyklus" in h["contents"]["value"], "Loop" in h["contents"]["value"], h["range"]),
           (True, True, rng(4, 2, 4, 4)))

    # Typing "@" at the start of line 8 (just before "} ."): every variable, each replacing
    # the "@" typed.
    change(c, PROGRAM.replace("} .\n", "@} .\n"), 2)
    comp = c.request("textDocument/completion", at(8, 1))
    items = {i["label"]: i for i in comp["items"]}
    expect("variables offered", sorted(k for k in items if k.startswith("@")), ["@a", "@b", "@i"])
    expect("functions and keywords offered", ("~secti" in items, "pis_ln" in items, "w2" in items),
           (True, True, True))
    expect("the typed @ is replaced", items["@i"]["textEdit"]["range"], rng(8, 0, 8, 1))

    # Formatting; a program formatted already, or with an error (then with a message), is
    # left alone.
    for version, text, want in ((3, "{pis(1);}.", [{"range": rng(0, 0, 0, 10),
                                                   "newText": "{\n  pis(1);\n} .\n"}]),
                                (4, "{\n  pis(1);\n} .\n", []), (5, "{pis(1)}.", [])):
        change(c, text, version)
        expect(f"formatting {text!r}", c.request("textDocument/formatting", {
            **DOC, "options": {"tabSize": 2, "insertSpaces": True}}), want)
    expect("a message for the program with an error",
           len([n for n in c.kept if n.get("method") == "window/showMessage"]), 1)
    expect("exit", c.close(), 0)


def session_errors():
    """Answers to wrong requests: before initialize, unknown, malformed parameters, garbage."""
    c = Client()
    expect("before initialize", c.code("textDocument/hover", at(0, 0)), -32002)
    initialize(c)
    open_doc(c, "{ pis(1); } .")
    expect("unknown method", c.code("moxa/nothing", {}), -32601)
    for line, character in (("x", 1e300), (-1, 0)):
        expect(f"malformed position {line}, {character}",
               c.code("textDocument/hover", at(line, character)), -32602)
    expect("a position far past the end is the end: the final '.'",
           c.request("textDocument/hover", at(10 ** 12, 10 ** 12))["range"], rng(0, 12, 0, 13))
    c.notify("textDocument/didChange", {"textDocument": 7, "contentChanges": None})
    c.raw(b"Content-Length: 9\r\n\r\nnot json!")
    expect("parse error", c.get(), {"jsonrpc": "2.0", "id": None,
                                    "error": {"code": -32700, "message": "the message is not JSON"}})
    c.raw(frame([1, 2, 3]))
    expect("not a request", c.get()["error"]["code"], -32600)
    # Broken headers: no length, a negative one, an absurd one; the next message is found.
    for header in (b"Content-Type: x\r\n\r\n{}", b"Content-Length: -5\r\n\r\n{}",
                   b"Content-Length: 99999999999999999999999\r\n\r\n{}",
                   b"garbage line\r\nContent-Length: 2\r\n\r\n{}"):
        c.raw(header)
        expect(f"the next message after {header!r}", c.code("moxa/nothing", {}), -32601)
    expect("nothing answers the dropped ones", [n for n in c.kept if "id" in n], [])
    # A frame whose Content-Length is too small: the rest of its body runs on into the next
    # header, and the request after it is answered all the same.
    body = json.dumps({"jsonrpc": "2.0", "id": 900, "method": "moxa/nothing"}).encode()
    c.raw(b"Content-Length: 5\r\n\r\n" + body)
    expect("the request after a Content-Length too small", c.code("moxa/nothing", {}), -32601)
    expect("shutdown", c.request("shutdown", None), None)
    expect("requests after shutdown are refused", c.code("textDocument/hover", at(0, 0)), -32600)
    # A message cut off by the end of input: the server ends, without a signal.
    c.raw(b"Content-Length: 500\r\n\r\n{\"jsonrpc\":")
    rc, err = c.end()
    expect("truncated body ends the server", (rc, "ended inside a message" in err), (0, True))

    c = Client()
    c.raw(b"Content-Len")
    expect("truncated header", c.end()[0], 1)


finish("moxa-lsp", (session_diagnostics, session_actions, session_requests, session_errors))
