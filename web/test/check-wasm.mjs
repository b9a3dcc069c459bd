// The checker and the formatter in the WebAssembly module against the native commands, on
// every golden program and example: the same findings (kind, line, column, text, notes) at
// the same bytes, and the same layout or the same refusal.
// Usage: node --no-experimental-fetch check-wasm.mjs MOXA_JS MOXA_CHECK MOXA_FMT DIR...
import { readFileSync } from 'node:fs';
import { resolve } from 'node:path';
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { bajtyAMista, naformatuj, zkontroluj } from '../src/checking.js';
import { textZBytu } from '../src/bytes.js';
import { programs } from '../../editors/test/agreement.mjs';

const [moxaJs, moxaCheck, moxaFmt, ...dirs] = process.argv.slice(2);

const require = createRequire(import.meta.url);
const modul = await require(resolve(moxaJs))({ onOutput: () => {}, print: () => {}, printErr: () => {} });

// Crafted programs beside the files: bytes that are not UTF-8 and characters of two to four
// bytes before the findings, a control byte and quotes in a quoted token, the end of input.
const vlastni = [
  ['bytes', Buffer.from('{ pis_ln("\xff\xfe"); @Vysledek -> "žluť 😀"; pis_ln(@y) } .', 'latin1')],
  ['utf8', Buffer.from('{ pis_ln("žluťoučký kůň 😀"); pis_ln(@Vysledek)\n pis_ln(1); } .')],
  ['control', Buffer.from('{ pis_ln("a\x01b") pis_ln("x/"y"); } .')],
  ['end', Buffer.from('{ pis_ln("')],
  ['empty', Buffer.alloc(0)],
];

let [selhalo, chyb, varovani, upraveno] = [0, 0, 0, 0];
const vse = [...dirs.flatMap((d) => programs(d)).map((p) => [p, readFileSync(p)]), ...vlastni];
for (const [p, bajty] of vse) {
  const program = textZBytu(bajty);
  const { mista } = bajtyAMista(program);
  const nativni = spawnSync(moxaCheck, ['--format', 'json', '--lang', 'cs', '-'], { input: bajty, maxBuffer: 1 << 26 });
  const ocekavane = JSON.parse(nativni.stdout.toString('latin1'))[0].diagnostics;
  const zjisteni = await zkontroluj(modul, program);
  // The native command writes its JSON as UTF-8, a byte that is not UTF-8 as U+FFFD; read
  // as latin1, each of its bytes is one code point: the module's texts are compared so.
  const jakoBajty = (s) => Buffer.from(s.replace(/(?<![\ud800-\udbff])[\udc80-\udcff]/g, '\ufffd')).toString('latin1');
  const nase = zjisteni.map((z) => [z.severity, z.line, z.column, z.from, z.to, jakoBajty(z.message),
    z.notes.map((n) => [n.from, jakoBajty(n.message)])]);
  const jejich = ocekavane.map((o) => [o.severity, o.line, o.column, mista[o.offset], mista[o.offset + o.length], o.message,
    o.notes.map((n) => [mista[n.offset], n.message])]);
  const shoda = JSON.stringify(nase) === JSON.stringify(jejich);
  if (!shoda) {
    console.log(`FAIL ${p}: the findings differ\n  native: ${JSON.stringify(ocekavane)}\n` +
      `  module: ${JSON.stringify(zjisteni)}`);
    selhalo++;
    continue;
  }
  chyb += zjisteni.filter((z) => z.severity === 'error').length;
  varovani += zjisteni.length - zjisteni.filter((z) => z.severity === 'error').length;

  const fmt = spawnSync(moxaFmt, ['-'], { input: bajty, maxBuffer: 1 << 26 });
  const f = await naformatuj(modul, program);
  if (fmt.status === 0 ? f.text === undefined || !Buffer.from(bajtyAMista(f.text).bajty).equals(fmt.stdout) : f.text !== undefined) {
    console.log(`FAIL ${p}: the layout differs (moxa-fmt exit ${fmt.status}; module ${f.text === undefined ? `refused: ${f.chyba}` : 'laid it out'})`);
    selhalo++;
    continue;
  }
  if (f.text !== undefined) upraveno++;
}
// A program half typed: every prefix of every example checks without a throw, every finding
// within the text typed so far, and an error while the main block is not closed.
let predpon = 0;
for (const p of programs(dirs.at(-1))) {
  const cely = textZBytu(readFileSync(p));
  const uzavreny = cely.lastIndexOf('}');
  for (let n = 0; n <= cely.length; n++) {
    const program = cely.slice(0, n);
    const zjisteni = await zkontroluj(modul, program).catch((e) => [{ severity: 'threw', from: 0, to: 0, message: String(e) }]);
    const mimo = zjisteni.find((z) => z.severity === 'threw' || !(z.from <= z.to && z.to <= program.length));
    if (mimo || (n <= uzavreny && zjisteni[0]?.severity !== 'error')) {
      console.log(`FAIL ${p}, its first ${n} characters: ${JSON.stringify(mimo ?? zjisteni)}`);
      selhalo++;
      break;
    }
    predpon++;
  }
}
console.log(`${predpon} prefixes of the programs in ${dirs.at(-1)} checked`);
console.log(`${vse.length - selhalo} of ${vse.length} programs: the module finds and lays out what the commands do`);
console.log(`(${chyb} errors, ${varovani} warnings, ${upraveno} laid out)`);
process.exit(selhalo === 0 && chyb > 0 && varovani > 0 && upraveno > 0 ? 0 : 1);
