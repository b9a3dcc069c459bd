"""A small Debug Adapter Protocol client over pipes, for the tests of moxa-dap."""
import contextlib
import json
import pathlib
import queue
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import Ramce  # noqa: E402

WATCHDOG = 60  # seconds to wait for one message before the test fails as a hang


def je_vystup(z):
    return z.get("event") == "output" and z["body"].get("category") == "stdout"


class Klient(Ramce):
    def __init__(self, adapter):
        super().__init__([adapter], WATCHDOG)
        self.seq = 1

    def pozadavek(self, prikaz, argumenty=None):
        seq, self.seq = self.seq, self.seq + 1
        zprava = {"seq": seq, "type": "request", "command": prikaz}
        self.send(zprava if argumenty is None else {**zprava, "arguments": argumenty})
        return self.next(lambda z: z.get("type") == "response" and z.get("request_seq") == seq)

    def telo(self, prikaz, argumenty=None):
        r = self.pozadavek(prikaz, argumenty)
        if not r["success"]:
            raise AssertionError(f"{prikaz} failed: {r.get('message')}")
        return r.get("body", {})

    def udalost(self, jmeno):
        return self.next(lambda z: z.get("type") == "event" and z.get("event") == jmeno)

    def vystup(self):
        """The output events received so far (taken out of the waiting messages)."""
        texty = [z["body"]["output"] for z in self.kept if je_vystup(z)]
        self.kept = [z for z in self.kept if not je_vystup(z)]
        return "".join(texty)

    def konec(self):
        with contextlib.suppress(EOFError, BrokenPipeError, queue.Empty):
            self.pozadavek("disconnect")
        with contextlib.suppress(BrokenPipeError):
            self.p.stdin.close()
        return self.p.wait(timeout=WATCHDOG)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.konec()

    def zacni(self, program, breakpoints=(), **launch):
        self.telo("initialize", {"adapterID": "moxa", "linesStartAt1": True,
                                 "columnsStartAt1": True})
        self.udalost("initialized")
        self.telo("launch", {"program": program, **launch})
        if breakpoints is not None:
            self.telo("setBreakpoints", {"source": {"path": program}, "breakpoints": [
                b if isinstance(b, dict) else {"line": b} for b in breakpoints]})
        self.telo("configurationDone")

    def zastaveni(self):
        return self.udalost("stopped")["body"]

    def krok(self, prikaz):
        """A step or a continue of the one thread, and the stop it comes to."""
        self.telo(prikaz, {"threadId": 1})
        return self.zastaveni()

    def zastaveni_do_konce(self):
        """Each stop until the run ends; the caller goes on from it with `krok`."""
        while True:
            m = self.next(lambda z: z.get("event") in ("stopped", "terminated"))
            if m["event"] == "terminated":
                return
            yield m["body"]

    def do_konce(self):
        """Goes on from every stop until the run ends; what it printed."""
        for _ in self.zastaveni_do_konce():
            self.telo("continue", {"threadId": 1})
        return self.vystup()

    def promenne(self, jmeno):
        """The variables of one scope of the top frame, as (name, value)."""
        ramec = self.telo("stackTrace", {"threadId": 1})["stackFrames"][0]
        sc = self.telo("scopes", {"frameId": ramec["id"]})["scopes"]
        odkaz = next(s["variablesReference"] for s in sc if s["name"] == jmeno)
        return ramec, [(v["name"], v["value"]) for v in
                       self.telo("variables", {"variablesReference": odkaz})["variables"]]

    def vypsano(self):
        """What the Output scope shows at the stop: the text written so far."""
        return json.loads(dict(self.promenne("Output")[1])["text"])

    def stav(self):
        """Where the stopped run stands and what it holds: (line, col, variables, stack)."""
        ramec, prom = self.promenne("Variables")
        zas = [v for _, v in self.promenne("Value stack")[1]]
        return ramec["line"], ramec["column"], dict(prom), zas
