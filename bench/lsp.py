#!/usr/bin/env python3
"""How long moxa-lsp takes on a 10,000-line document: from sending an open or a change to
receiving its diagnostics, and from sending each request to the last byte of its answer (the
median and the slowest of --runs rounds), measured by a client over pipes as an editor talks
to it; and the processor time the server spent on each, its average over the rounds, which a
busy machine does not inflate (read from /proc, in steps of a clock tick, so only the
average is exact).

usage: bench/lsp.py [MOXA_LSP] [--runs N] [--lines N]   (default build/tools/moxa-lsp)"""
import argparse
import json
import pathlib
import statistics
import subprocess
import os
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
TICK = os.sysconf("SC_CLK_TCK")


def program(lines):
    """Declarations, then a main block of loops, conditionals, assignments, output and calls,
    with comments: `lines` lines in all."""
    out = []
    for i in range(lines // 100):
        out.append(f"?f{i}(p2 @a; p2 @b) {{ pis_ln(@a + @b); }}")
    out.append("{")
    i = 0
    while len(out) < lines - 1:
        v = f"@v{i % 50}"
        out += [f"  {v} -> {i} * 2 + @x{i % 7}; :: step {i}",
                f"  w2 ({v} < {i + 3}) {{ {v} -> {v} + 1; }} w2_end;",
                f"  i2 ({v} % 2 = 0) {{ pis_ln(\"sude\"); }} e2 {{ pis(~f{i % 100}(1; {v})); }} i2_end;",
                f"  cti(@x{i % 7});"]
        i += 1
    out = out[:lines - 1] + ["} ."]
    return "\n".join(out) + "\n"


class Server:
    def __init__(self, path):
        self.p = subprocess.Popen([path, "--stdio"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.id = 0

    def send(self, obj):
        body = json.dumps(obj).encode()
        self.p.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.p.stdin.flush()

    def cpu(self):
        """Seconds of processor time the server has used, all its threads."""
        fields = pathlib.Path(f"/proc/{self.p.pid}/stat").read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK

    def read(self):
        """The next message, and when its last byte arrived (before it is decoded)."""
        length = 0
        while True:
            line = self.p.stdout.readline()
            if line == b"\r\n":
                break
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        body = self.p.stdout.read(length)
        return json.loads(body), time.perf_counter()

    def until(self, test):
        while True:
            m, t = self.read()
            if test(m):
                return t

    def timed(self, message, test):
        cpu, start = self.cpu(), time.perf_counter()
        self.send(message)
        end = self.until(test)
        return end - start, self.cpu() - cpu

    def request(self, method, params):
        self.id += 1
        mid = self.id
        return self.timed({"jsonrpc": "2.0", "id": mid, "method": method, "params": params},
                          lambda m: m.get("id") == mid and "method" not in m)

    def notify_diagnostics(self, method, params):
        return self.timed({"jsonrpc": "2.0", "method": method, "params": params},
                          lambda m: m.get("method") == "textDocument/publishDiagnostics")


def main():
    a = argparse.ArgumentParser()
    a.add_argument("lsp", nargs="?", default=str(ROOT / "build/tools/moxa-lsp"))
    a.add_argument("--runs", type=int, default=20)
    a.add_argument("--lines", type=int, default=10000)
    args = a.parse_args()
    text = program(args.lines)
    uri = "file:///bench.mox"
    s = Server(args.lsp)
    s.request("initialize", {"capabilities": {}})
    times = {}
    cpu = {}

    def note(what, t):
        times.setdefault(what, []).append(t[0] * 1000)
        cpu.setdefault(what, []).append(t[1] * 1000)

    doc = {"textDocument": {"uri": uri}}
    mid = args.lines // 2
    line = text.splitlines()[mid]
    call_line = max(n for n, l in enumerate(text.splitlines()) if "~f" in l)
    call = text.splitlines()[call_line].index("~")
    for r in range(args.runs):
        note("open -> diagnostics", s.notify_diagnostics("textDocument/didOpen", {"textDocument": {
            "uri": uri, "languageId": "moxa", "version": 1, "text": text}}))
        # A change as typing makes it: one more character on a line in the middle.
        changed = text.replace(line, line + " ", 1)
        note("change -> diagnostics", s.notify_diagnostics("textDocument/didChange", {
            "textDocument": {"uri": uri, "version": 2}, "contentChanges": [{"text": changed}]}))
        note("semantic tokens", s.request("textDocument/semanticTokens/full", doc))
        note("document symbols", s.request("textDocument/documentSymbol", doc))
        at_call = dict(doc, position={"line": call_line, "character": call + 1})
        note("definition", s.request("textDocument/definition", at_call))
        note("hover", s.request("textDocument/hover", dict(doc, position={"line": mid, "character": 3})))
        note("completion", s.request("textDocument/completion",
                                      dict(doc, position={"line": mid, "character": 3})))
        note("formatting", s.request("textDocument/formatting", doc))
        s.send({"jsonrpc": "2.0", "method": "textDocument/didClose", "params": doc})
        s.until(lambda m: m.get("method") == "textDocument/publishDiagnostics")
    s.request("shutdown", None)
    s.send({"jsonrpc": "2.0", "method": "exit"})
    s.p.wait()
    print(f"moxa-lsp on {args.lines} lines ({len(text)} bytes), {args.runs} rounds, in ms:")
    print(f"{'':24} {'median':>8} {'slowest':>8} {'cpu':>8}")
    for what, t in times.items():
        print(f"{what:24} {statistics.median(t):8.1f} {max(t):8.1f} {statistics.mean(cpu[what]):8.1f}")


if __name__ == "__main__":
    main()
