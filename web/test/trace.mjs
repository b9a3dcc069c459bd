// The trace that the WebAssembly module hands to the page, beside the one moxa-trace writes:
// every golden program gives the same lines, and a run past the step cap gives that many
// steps, says so once, and still gives its end record.
// Usage: node --no-experimental-fetch trace.mjs MOXA_JS MOXA_TRACE GOLDEN_DIR
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { nactiModul, programs } from './wasm-run.mjs';
import { spustVModulu } from '../src/run.js';

const [moxaJs, moxaTrace, goldenDir] = process.argv.slice(2);
if (!moxaJs || !moxaTrace || !goldenDir) {
  console.error('usage: trace.mjs MOXA_JS MOXA_TRACE GOLDEN_DIR');
  process.exit(2);
}

const require = createRequire(import.meta.url);
const modul = await nactiModul(require(resolve(moxaJs)));
modul.stav.kam = () => {};

// The trace lines of one run through the module, and how often it said the cap was passed.
async function stopaModulu(program, input, kroku) {
  const dekoder = new TextDecoder();
  let text = '';
  let plna = 0;
  modul.onTrace = (b) => {
    text += dekoder.decode(b);
  };
  modul.onTraceFull = () => plna++;
  await spustVModulu(modul, program, input, {}, { stopa: kroku });
  return { radky: text.split(/(?<=\n)/), plna };
}

const docasna = mkdtempSync(join(tmpdir(), 'moxa-trace-'));
const soubor = join(docasna, 'trace.jsonl');
let selhalo = 0;
const vse = programs(goldenDir);
try {
  for (const p of vse) {
    const base = p.slice(0, -'.mox'.length);
    const input = existsSync(base + '.in') ? readFileSync(base + '.in') : new Uint8Array();
    execFileSync(moxaTrace, ['-o', soubor, p], { input, stdio: ['pipe', 'ignore', 'ignore'], maxBuffer: 1 << 28 });
    const ocekavano = readFileSync(soubor, 'utf8').split(/(?<=\n)/);
    const { radky, plna } = await stopaModulu(readFileSync(p), input, 1e12);
    const i = ocekavano.findIndex((r, k) => r !== radky[k]);
    if (i >= 0 || radky.length !== ocekavano.length || plna !== 0) {
      const k = i >= 0 ? i : Math.min(radky.length, ocekavano.length);
      console.log(`FAIL ${p}: trace line ${k + 1}`);
      console.log(`  moxa-trace: ${ocekavano[k]?.slice(0, 200)}`);
      console.log(`      module: ${radky[k]?.slice(0, 200)}`);
      selhalo++;
    }
  }
} finally {
  rmSync(docasna, { recursive: true, force: true });
}
console.log(`${vse.length - selhalo} of ${vse.length} golden programs give moxa-trace's lines through the module`);

// Ten passes of a loop are 22 steps; with a cap of 5 the module passes the first 5 and the end.
const smycka = new TextEncoder().encode('{ @i -> 0; w2 (@i < 10) { @i -> @i + 1; } w2_end; } .');
const { radky, plna } = await stopaModulu(smycka, new Uint8Array(), 5);
const zaznamy = radky.map((r) => JSON.parse(r));
const capOk =
  plna === 1 &&
  zaznamy.length === 6 &&
  zaznamy.slice(0, 5).every((z, k) => z.step === k + 1) &&
  zaznamy[5].end === 'ok' &&
  zaznamy[5].steps === 22;
console.log(`${capOk ? 'ok' : 'FAIL'}: a run past a cap of 5 steps gives 5 steps, one notice and its end`);
if (!capOk) console.log(radky.join(''), `notices: ${plna}`);
process.exit(selhalo === 0 && vse.length > 0 && capOk ? 0 : 1);
