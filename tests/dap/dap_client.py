"""A small Debug Adapter Protocol client over pipes, for the tests of moxa-dap."""
import json
import pathlib
import queue
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from checks import Ramce  # noqa: E402

WATCHDOG = 60  # seconds to wait for one message before the test fails as a hang


class Klient(Ramce):
    def __init__(self, adapter, args=()):
        super().__init__([adapter, *args], WATCHDOG)
        self.seq = 1
        self.cekajici = []  # messages read while waiting for another

    def posli(self, prikaz, argumenty=None):
        zprava = {"seq": self.seq, "type": "request", "command": prikaz}
        if argumenty is not None:
            zprava["arguments"] = argumenty
        self.seq += 1
        self.send(zprava)
        return zprava["seq"]

    def dalsi(self, test):
        for i, z in enumerate(self.cekajici):
            if test(z):
                return self.cekajici.pop(i)
        while True:
            z = self.get()
            if test(z):
                return z
            self.cekajici.append(z)

    def pozadavek(self, prikaz, argumenty=None):
        seq = self.posli(prikaz, argumenty)
        return self.dalsi(lambda z: z.get("type") == "response" and z.get("request_seq") == seq)

    def telo(self, prikaz, argumenty=None):
        r = self.pozadavek(prikaz, argumenty)
        if not r["success"]:
            raise AssertionError(f"{prikaz} failed: {r.get('message')}")
        return r.get("body", {})

    def udalost(self, jmeno):
        return self.dalsi(lambda z: z.get("type") == "event" and z.get("event") == jmeno)

    def vystup(self):
        """The output events received so far (taken out of the waiting messages)."""
        texty = [z["body"]["output"] for z in self.cekajici
                 if z.get("event") == "output" and z["body"].get("category") == "stdout"]
        self.cekajici = [z for z in self.cekajici
                         if not (z.get("event") == "output"
                                 and z["body"].get("category") == "stdout")]
        return "".join(texty)

    def konec(self):
        try:
            self.pozadavek("disconnect")
        except (EOFError, BrokenPipeError, queue.Empty):
            pass
        try:
            self.p.stdin.close()
        except BrokenPipeError:
            pass
        self.p.wait(timeout=WATCHDOG)
        return self.p.returncode

    # A session: initialize, launch, breakpoints, configurationDone.
    def zacni(self, program, breakpoints=(), **launch):
        self.telo("initialize", {"adapterID": "moxa", "linesStartAt1": True,
                                 "columnsStartAt1": True})
        self.udalost("initialized")
        self.telo("launch", {"program": program, **launch})
        vysledek = None
        if breakpoints is not None:
            vysledek = self.telo("setBreakpoints", {
                "source": {"path": program},
                "breakpoints": [b if isinstance(b, dict) else {"line": b}
                                for b in breakpoints]})["breakpoints"]
        self.telo("configurationDone")
        return vysledek

    def zastaveni(self):
        return self.udalost("stopped")["body"]

    def vypsano(self):
        """What the Output scope shows at the stop: the text written so far."""
        ramce = self.telo("stackTrace", {"threadId": 1})["stackFrames"]
        sc = self.telo("scopes", {"frameId": ramce[0]["id"]})["scopes"]
        odkaz = next(s["variablesReference"] for s in sc if s["name"] == "Output")
        return json.loads({v["name"]: v["value"] for v in
                           self.telo("variables", {"variablesReference": odkaz})["variables"]}["text"])

    def stav(self):
        """Where the stopped run stands and what it holds: (line, col, variables, stack)."""
        ramce = self.telo("stackTrace", {"threadId": 1})["stackFrames"]
        sc = self.telo("scopes", {"frameId": ramce[0]["id"]})["scopes"]
        odkazy = {s["name"]: s["variablesReference"] for s in sc}
        prom = {v["name"]: v["value"] for v in
                self.telo("variables", {"variablesReference": odkazy["Variables"]})["variables"]}
        zas = [v["value"] for v in
               self.telo("variables", {"variablesReference": odkazy["Value stack"]})["variables"]]
        return ramce[0]["line"], ramce[0]["column"], prom, zas
