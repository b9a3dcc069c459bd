// One run through the WebAssembly module, outside a browser: the same calls the page's
// worker makes (see src/run.js).
import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { spustVModulu } from '../src/run.js';

// The .mox files in `dir` and the folders below it, in a fixed order.
export function programs(dir) {
  const out = [];
  for (const name of readdirSync(dir).sort()) {
    const p = join(dir, name);
    if (statSync(p).isDirectory()) out.push(...programs(p));
    else if (name.endsWith('.mox')) out.push(p);
  }
  return out;
}

export async function nactiModul(createMoxa) {
  const stav = { kam: null };
  const modul = await createMoxa({
    onOutput: (b) => stav.kam(b),
    print: () => {},
    printErr: (t) => process.stderr.write(t + '\n'),
  });
  modul.stav = stav;
  return modul;
}

// `dalsiVstup`: where cti reads once `input` is used up (see run.js), or null.
export async function spust(modul, program, input, limits, dalsiVstup = null) {
  const kusy = [];
  modul.stav.kam = (b) => kusy.push(Uint8Array.from(b));
  const vysledek = await spustVModulu(modul, program, input, limits, { dalsiVstup });
  const delka = kusy.reduce((n, k) => n + k.length, 0);
  const bytes = new Uint8Array(delka);
  let i = 0;
  for (const k of kusy) {
    bytes.set(k, i);
    i += k.length;
  }
  return { bytes, vysledek };
}
