// Runs every golden program through the WebAssembly module in node and compares its bytes
// with the expected output; a program with input runs a second time with its input handed
// over on demand, one word at a time, as a person would type it.
// Usage: node --no-experimental-fetch golden.mjs MOXA_JS GOLDEN_DIR
import { readFileSync, existsSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { createRequire } from 'node:module';
import { nactiModul, spust, programs } from './wasm-run.mjs';

const [moxaJs, goldenDir] = process.argv.slice(2);
if (!moxaJs || !goldenDir) {
  console.error('usage: golden.mjs MOXA_JS GOLDEN_DIR');
  process.exit(2);
}

function ukaz(bytes, od) {
  return Array.from(bytes.subarray(od, od + 60), (b) =>
    b >= 32 && b < 127 ? String.fromCharCode(b) : `\\x${b.toString(16).padStart(2, '0')}`
  ).join('');
}

// The input in pieces of one word and the blanks after it; the last call ends the input.
function poSlovech(input) {
  const kusy = [];
  for (const m of Buffer.from(input).toString('latin1').matchAll(/[ \t\n]*[^ \t\n]*[ \t\n]*/g)) {
    if (m[0]) kusy.push(Buffer.from(m[0], 'latin1'));
  }
  return (kapacita) => {
    if (!(kapacita > 0)) throw new Error(`asked for ${kapacita} bytes`);
    return kusy.shift() ?? new Uint8Array();
  };
}

function porovnej(p, bytes, expected, jak) {
  if (Buffer.compare(Buffer.from(bytes), expected) === 0) return true;
  let i = 0;
  while (i < bytes.length && i < expected.length && bytes[i] === expected[i]) i++;
  console.log(`FAIL ${p}${jak}: first difference at byte ${i}`);
  console.log(`  expected: ${ukaz(expected, Math.max(0, i - 20))}`);
  console.log(`       got: ${ukaz(bytes, Math.max(0, i - 20))}`);
  return false;
}

const require = createRequire(import.meta.url);
const modul = await nactiModul(require(resolve(moxaJs)));
let selhalo = 0;
let sVstupem = 0;
const vse = programs(goldenDir);
for (const p of vse) {
  const base = p.slice(0, -'.mox'.length);
  const program = readFileSync(p);
  const input = existsSync(base + '.in') ? readFileSync(base + '.in') : new Uint8Array();
  const expected = readFileSync(base + '.out');
  let bytes;
  try {
    ({ bytes } = await spust(modul, program, input, {}));
  } catch (e) {
    console.log(`FAIL ${p}: the run threw ${e}`);
    selhalo++;
    continue;
  }
  if (!porovnej(p, bytes, expected, '')) {
    selhalo++;
    continue;
  }
  if (input.length === 0) continue;
  ({ bytes } = await spust(modul, program, new Uint8Array(), {}, poSlovech(input)));
  if (!porovnej(p, bytes, expected, ' (input word by word)')) selhalo++;
  sVstupem++;
}
console.log(`${vse.length - selhalo} of ${vse.length} golden programs give the same bytes`);
console.log(`${sVstupem} of them also with their input given word by word`);
process.exit(selhalo === 0 && vse.length > 0 && sVstupem > 0 ? 0 : 1);
