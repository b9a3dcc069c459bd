// A run of the interpreter in its WebAssembly module: copies the program and the input into
// the module's memory, runs them, frees them. The output arrives through the module's
// `onOutput`, piece by piece, while the run goes on. Shared by the page's worker and the
// node tests.
import { spojBajty } from './bytes.js';

export const VYSLEDEK = { 0: 'ok', 1: 'error', 2: 'stopped' };
// The library's MOXA_CPU_CLOCK: a time limit counts the run's own processor time.
const CPU_CLOCK = 1;

function doPameti(modul, bytes) {
  const p = modul._malloc(Math.max(1, bytes.length));
  if (p === 0) throw new Error('no memory for the program');
  modul.HEAPU8.set(bytes, p);
  return p;
}

// The module's own export behind the wrapper that emscripten puts around it, or null.
export function surovyExport(modul, jmeno) {
  const m = /\["asm"\]\["([^"]+)"\]/.exec(String(modul[jmeno]));
  const f = m && modul.asm ? modul.asm[m[1]] : null;
  return typeof f === 'function' ? f : null;
}

// Where the browser can run WebAssembly on a stack of its own (JavaScript promise
// integration), runs go there: that stack is larger than a worker's, so programs may nest
// deeper, and a run can wait there for input. Elsewhere they run on the caller's stack.
// Returns the function that runs; its result may be a promise.
// `naZasobnikuVolajiciho` keeps a run on the caller's stack even where a stack of its own
// could be had, as browsers without promise integration run it.
function beh(modul, naZasobnikuVolajiciho) {
  if (modul.behSamostatny === undefined) {
    const surovy = surovyExport(modul, '_moxa_web_run');
    modul.behSamostatny =
      surovy && typeof WebAssembly.promising === 'function' ? WebAssembly.promising(surovy) : null;
  }
  return naZasobnikuVolajiciho || !modul.behSamostatny ? modul._moxa_web_run : modul.behSamostatny;
}

// True where a run may wait for input: the module was made with `instancujSCekanim` and
// runs on a stack of its own.
export function umiCekat(modul) {
  return Boolean(modul.cekaniMozne) && beh(modul, false) !== modul._moxa_web_run;
}

// For `instantiateWasm` of the module: makes the import that asks for input one on which
// the module suspends until the promise it returns settles. Where the browser cannot do
// that, returns false and emscripten instantiates the module itself.
export function instancujSCekanim(url) {
  if (typeof WebAssembly.Suspending !== 'function') return undefined;
  return (importy, prijmi) => {
    for (const jmenny of new Set(Object.values(importy))) {
      for (const [k, f] of Object.entries(jmenny)) {
        if (typeof f === 'function' && String(f).includes('Module.vstupCekej')) {
          jmenny[k] = new WebAssembly.Suspending(f);
        }
      }
    }
    WebAssembly.instantiateStreaming(fetch(url), importy)
      .catch(() => fetch(url).then((r) => r.arrayBuffer()).then((b) => WebAssembly.instantiate(b, importy)))
      .then(({ instance, module }) => {
        prijmi(instance, module);
      });
    return {};
  };
}

// `limits`: { steps, output, memory, time }, each 0 or missing for none; `time` is the run's
// own limit in milliseconds, counted as the grader counts it (the processor time of the run,
// where the browser can tell it). `dalsiVstup`, when given,
// is asked for more input once `input` is used up: called with the most bytes that fit, it
// returns bytes (empty at the end of the input), or, where `umiCekat` and `cekat`, a promise
// of them. `stopa`, when above 0, asks for the run's trace: its lines come through the
// module's `onTrace`, at most `stopa` steps and the end record, and `onTraceFull` is called
// once when the run goes past that many steps. `duvod`, an object when given, gets in
// `zastaveno` the number of the limit that stopped the run (the library's MOXA_STOP_*, 0 for
// none). Returns 'ok', 'error' or 'stopped'. A run
// that overflows the stack rejects with the browser's RangeError; the module is then
// unusable.
export async function spustVModulu(modul, program, input, limits, moznosti = {}) {
  const { naZasobnikuVolajiciho = false, dalsiVstup = null, cekat = false, stopa = 0, duvod = null } = moznosti;
  const sCekanim = dalsiVstup !== null && cekat && !naZasobnikuVolajiciho && umiCekat(modul);
  let zbyva = new Uint8Array();
  const predej = (b, n, bytes) => {
    zbyva = bytes;
    const k = Math.min(n, zbyva.length);
    modul.HEAPU8.set(zbyva.subarray(0, k), b);
    zbyva = zbyva.subarray(k);
    return k;
  };
  modul.vstupHned = (b, n) => predej(b, n, zbyva.length > 0 ? zbyva : dalsiVstup(n));
  modul.vstupCekej = async (b, n) => predej(b, n, zbyva.length > 0 ? zbyva : await dalsiVstup(n));
  const p = doPameti(modul, program);
  let i = 0;
  let z = 0;
  try {
    i = doPameti(modul, input);
    if (duvod) z = doPameti(modul, new Uint8Array(4));
    const r = await beh(modul, naZasobnikuVolajiciho)(
      p, program.length, i, input.length,
      limits.steps || 0, limits.output || 0, limits.memory || 0,
      dalsiVstup === null ? 0 : sCekanim ? 2 : 1, stopa, z, limits.time || 0, CPU_CLOCK);
    if (duvod) duvod.zastaveno = new DataView(modul.HEAPU8.buffer, z, 4).getInt32(0, true);
    return VYSLEDEK[r] ?? 'error';
  } finally {
    modul._free(p);
    if (i) modul._free(i);
    if (z) modul._free(z);
  }
}

const REZIMY = { exact: 0, trailing: 1, whitespace: 2, numbers: 3 };
const CISLO_VYSLEDKU = { ok: 0, error: 1, stopped: 2 };

// Runs one visible test of an assignment bundle (see assignment.js) and has the grader's own
// verdict code, compiled into the module, judge it: { verdict, points, message }, the verdict
// word as moxa-grade writes it, the message saying first why a failed test failed (in Czech
// when `cesky`). The output is collected through the module's `onOutput`, which the caller
// points at `prijmiVystup`.
export async function otestujVModulu(modul, program, test, cesky = false) {
  const kusy = [];
  let delka = 0;
  const predchozi = modul.onOutput;
  modul.onOutput = (b) => {
    kusy.push(b.slice());
    delka += b.length;
  };
  const duvod = {};
  const l = test.limits;
  let vysledek;
  try {
    vysledek = await spustVModulu(modul, program, new TextEncoder().encode(test.input),
      { steps: l.max_steps, output: l.max_output, memory: l.max_memory, time: l.max_time }, { duvod });
  } finally {
    modul.onOutput = predchozi;
  }
  const vystup = spojBajty(kusy, delka);
  const ocekavany = new TextEncoder().encode(test.expected);
  const e = doPameti(modul, ocekavany);
  let o = 0;
  const p = doPameti(modul, program);
  let verdikt = null;
  modul.onVerdict = (slovo, body, zprava) => {
    verdikt = { verdict: slovo, points: body, message: new TextDecoder().decode(zprava) };
  };
  try {
    o = doPameti(modul, vystup);
    modul._moxa_web_judge(e, ocekavany.length, o, vystup.length, REZIMY[test.mode] ?? 0,
      CISLO_VYSLEDKU[vysledek], duvod.zastaveno ?? 0, test.points,
      l.max_steps, l.max_output, l.max_memory, l.max_time, p, program.length, cesky ? 1 : 0);
  } finally {
    modul._free(e);
    modul._free(p);
    if (o) modul._free(o);
  }
  return verdikt;
}
