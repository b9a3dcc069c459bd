// Every golden program through the WebAssembly module in node, with the calls the page's
// worker makes (src/run.js): its bytes are the expected output (a program with input also
// with the input handed over on demand, one word at a time, as a person types it), and the
// trace it hands to the page is the one moxa-trace writes. A run past the step cap gives that
// many steps, says so once, and still gives its end record.
// Usage: node --no-experimental-fetch golden.mjs MOXA_JS MOXA_TRACE GOLDEN_DIR
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { resolve } from 'node:path';
import { programs } from '../../editors/test/agreement.mjs';
import { spustVModulu } from '../src/run.js';

const [moxaJs, moxaTrace, goldenDir] = process.argv.slice(2);
let beh;
const dekoder = new TextDecoder();
const modul = await createRequire(import.meta.url)(resolve(moxaJs))({
  onOutput: (b) => beh.kusy.push(Uint8Array.from(b)),
  print: () => {},
  printErr: (t) => process.stderr.write(t + '\n'),
});
modul.onTrace = (b) => (beh.stopa += dekoder.decode(b));
modul.onTraceFull = () => beh.plna++;

// One run: its output bytes, its trace lines (with `kroku` steps kept) and the cap's notices.
// `dalsiVstup`: where cti reads once `input` is used up (see run.js), or null.
async function spust(program, input, kroku = 0, dalsiVstup = null) {
  beh = { kusy: [], stopa: '', plna: 0 };
  await spustVModulu(modul, program, input, {}, { dalsiVstup, stopa: kroku });
  return { bytes: Buffer.concat(beh.kusy), radky: beh.stopa.split(/(?<=\n)/), plna: beh.plna };
}

// The input in pieces of one word and the blanks after it; the last call ends the input.
function poSlovech(input) {
  const slova = [...input.toString('latin1').matchAll(/[ \t\n]*[^ \t\n]*[ \t\n]*/g)].filter((m) => m[0]);
  return (kapacita) => {
    if (!(kapacita > 0)) throw new Error(`asked for ${kapacita} bytes`);
    return slova.length ? Buffer.from(slova.shift()[0], 'latin1') : new Uint8Array();
  };
}

// Where two outputs first differ, with the bytes around it.
function rozdil(p, bytes, expected, jak) {
  let i = 0;
  while (i < bytes.length && i < expected.length && bytes[i] === expected[i]) i++;
  const ukaz = (b) => JSON.stringify(b.subarray(Math.max(0, i - 20), i + 40).toString('latin1'));
  return `FAIL ${p}${jak}: first difference at byte ${i}\n  expected: ${ukaz(expected)}\n       got: ${ukaz(bytes)}`;
}

const chyby = [];
let sVstupem = 0;
const vse = programs(goldenDir);
for (const p of vse) {
  const base = p.slice(0, -'.mox'.length);
  const program = readFileSync(p);
  const input = existsSync(base + '.in') ? readFileSync(base + '.in') : Buffer.alloc(0);
  const expected = readFileSync(base + '.out');
  const r = await spust(program, input).catch((e) => ({ bytes: Buffer.from(`the run threw ${e}`) }));
  if (!r.bytes.equals(expected)) chyby.push(rozdil(p, r.bytes, expected, ''));
  const t = await spust(program, input, 1e12).catch(() => ({ radky: [] }));
  // moxa-trace writes the trace to standard error.
  const nativni = spawnSync(moxaTrace, [p], { input, stdio: ['pipe', 'ignore', 'pipe'], maxBuffer: 1 << 28 });
  const ocekavano = nativni.stderr.toString('utf8').split(/(?<=\n)/);
  const k = ocekavano.findIndex((radek, i) => radek !== t.radky[i]);
  if (k >= 0 || t.radky.length !== ocekavano.length || t.plna !== 0) {
    const i = k >= 0 ? k : Math.min(t.radky.length, ocekavano.length);
    chyby.push(`FAIL ${p}: trace line ${i + 1}\n  moxa-trace: ${ocekavano[i]?.slice(0, 200)}\n      module: ${t.radky[i]?.slice(0, 200)}`);
  }
  if (input.length === 0) continue;
  const { bytes } = await spust(program, new Uint8Array(), 0, poSlovech(input));
  if (!bytes.equals(expected)) chyby.push(rozdil(p, bytes, expected, ' (input word by word)'));
  sVstupem++;
}
console.log(`${vse.length} golden programs, ${sVstupem} with input also given word by word`);

// Ten passes of a loop are 22 steps; with a cap of 5 the module passes the first 5 and the end.
const smycka = new TextEncoder().encode('{ @i -> 0; w2 (@i < 10) { @i -> @i + 1; } w2_end; } .');
const { radky, plna: oznameni } = await spust(smycka, new Uint8Array(), 5);
const z = radky.map((r) => JSON.parse(r));
const kroky = z.slice(0, 5).map((x) => x.step).join();
if (oznameni !== 1 || z.length !== 6 || kroky !== '1,2,3,4,5' || z[5].end !== 'ok' || z[5].steps !== 22)
  chyby.push(`FAIL: a run past a cap of 5 steps gave ${radky.join('')}with ${oznameni} notices`);
for (const c of chyby) console.log(c);
console.log(chyby.length ? `${chyby.length} failures` : 'all give the same bytes and traces');
process.exit(chyby.length === 0 && vse.length > 0 && sVstupem > 0 ? 0 : 1);
