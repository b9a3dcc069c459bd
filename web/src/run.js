// A run of the interpreter in its WebAssembly module: copies the program and the input into
// the module's memory, runs them, frees them. The output arrives through the module's
// `onOutput`, piece by piece, while the run goes on. Shared by the page's worker and the
// node tests.

export const VYSLEDEK = { 0: 'ok', 1: 'error', 2: 'stopped' };

function doPameti(modul, bytes) {
  const p = modul._malloc(Math.max(1, bytes.length));
  if (p === 0) throw new Error('no memory for the program');
  modul.HEAPU8.set(bytes, p);
  return p;
}

// The module's own export behind the wrapper that emscripten puts around it, or null.
function surovyExport(modul, jmeno) {
  const m = /\["asm"\]\["([^"]+)"\]/.exec(String(modul[jmeno]));
  const f = m && modul.asm ? modul.asm[m[1]] : null;
  return typeof f === 'function' ? f : null;
}

// Where the browser can run WebAssembly on a stack of its own (JavaScript promise
// integration), runs go there: that stack is larger than a worker's, so programs may nest
// deeper. Elsewhere they run on the caller's stack. Returns the function that runs; its
// result may be a promise.
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

// `limits`: { steps, output, memory }, each 0 or missing for none. Returns 'ok', 'error' or
// 'stopped'. A run that overflows the stack rejects with the browser's RangeError; the
// module is then unusable.
export async function spustVModulu(modul, program, input, limits, naZasobnikuVolajiciho = false) {
  const p = doPameti(modul, program);
  let i = 0;
  try {
    i = doPameti(modul, input);
    const r = await beh(modul, naZasobnikuVolajiciho)(
      p, program.length, i, input.length,
      limits.steps || 0, limits.output || 0, limits.memory || 0);
    return VYSLEDEK[r] ?? 'error';
  } finally {
    modul._free(p);
    if (i) modul._free(i);
  }
}
