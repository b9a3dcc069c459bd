// The checker and the formatter in the interpreter's WebAssembly module, shared by the
// page's checking worker and the node tests. The editor holds a program as text (a byte
// that is not valid UTF-8 as U+DC80 + byte, see bytes.js); the checker counts bytes: each
// finding comes back with its place as offsets into that text.
import { textZBytu as text } from './bytes.js';
import { surovyExport } from './run.js';

// The bytes of a program's text, and for each byte offset (and the end) the offset of the
// character it belongs to in the text.
export function bajtyAMista(s) {
  const bajty = new Uint8Array(s.length * 3);
  const mista = new Uint32Array(s.length * 3 + 1);
  let n = 0;
  const pridej = (b, i) => {
    mista[n] = i;
    bajty[n++] = b;
  };
  for (let i = 0; i < s.length; i++) {
    const u = s.charCodeAt(i);
    if (u < 0x80) pridej(u, i);
    else if (u < 0x800) {
      pridej(0xc0 | (u >> 6), i);
      pridej(0x80 | (u & 0x3f), i);
    } else if (u >= 0xd800 && u <= 0xdbff && i + 1 < s.length) {
      const v = s.charCodeAt(i + 1);
      if (v >= 0xdc00 && v <= 0xdfff) {
        const cp = 0x10000 + ((u - 0xd800) << 10) + (v - 0xdc00);
        pridej(0xf0 | (cp >> 18), i);
        pridej(0x80 | ((cp >> 12) & 0x3f), i);
        pridej(0x80 | ((cp >> 6) & 0x3f), i);
        pridej(0x80 | (cp & 0x3f), i);
        i++;
      } else {
        pridej(0xef, i);
        pridej(0xbf, i);
        pridej(0xbd, i);
      }
    } else if (u >= 0xdc80 && u <= 0xdcff) pridej(u - 0xdc00, i);
    else if (u >= 0xd800 && u <= 0xdfff) {
      // A lone surrogate that stands for no byte: as U+FFFD, which the editor cannot make.
      pridej(0xef, i);
      pridej(0xbf, i);
      pridej(0xbd, i);
    } else {
      pridej(0xe0 | (u >> 12), i);
      pridej(0x80 | ((u >> 6) & 0x3f), i);
      pridej(0x80 | (u & 0x3f), i);
    }
  }
  mista[n] = s.length;
  return { bajty: bajty.subarray(0, n), mista: mista.subarray(0, n + 1) };
}

// A deeply nested program needs more stack than a worker has: where the browser can run
// WebAssembly on a stack of its own (JavaScript promise integration), the module's export
// `jmeno` runs there, as the page's runs do (see run.js); elsewhere on the caller's stack.
function naVlastnimZasobniku(modul, jmeno) {
  modul.vlastniZasobnik ??= new Map();
  if (!modul.vlastniZasobnik.has(jmeno)) {
    const f = surovyExport(modul, jmeno);
    const promising = typeof WebAssembly.promising === 'function';
    modul.vlastniZasobnik.set(jmeno, f && promising ? WebAssembly.promising(f) : modul[jmeno]);
  }
  return modul.vlastniZasobnik.get(jmeno);
}

// Calls the module's export `jmeno` on the program's bytes (and on the input's, when given),
// then on `dalsi`; returns its result and the bytes it handed over.
async function zavolej(modul, jmeno, bajty, vstup = null, ...dalsi) {
  let predano = new Uint8Array();
  modul.prijmiVysledek = (b) => {
    predano = b.slice();
  };
  const kusy = vstup === null ? [bajty] : [bajty, vstup];
  const mista = [];
  try {
    for (const k of kusy) {
      const p = modul._malloc(Math.max(1, k.length));
      if (p === 0) return { r: -1, predano };
      mista.push(p);
      modul.HEAPU8.set(k, p);
    }
    const argumenty = kusy.flatMap((k, i) => [mista[i], k.length]);
    const r = await naVlastnimZasobniku(modul, jmeno)(...argumenty, ...dalsi);
    return { r, predano };
  } finally {
    for (const p of mista) modul._free(p);
  }
}

// The findings of the checker for the program `program` (a text): [{ severity, from, to,
// line, column, code, message, explanation, notes: [{ from, to, message }], fixes: [{ from,
// to, replacement, title, safe }] }], the error first, the checker's words in `jazyk` ('cs'
// or 'en'); from and to are offsets into `program`. Null when the module ran out of memory.
export async function zkontroluj(modul, program, jazyk = 'cs') {
  const { bajty, mista } = bajtyAMista(program);
  const { r, predano } = await zavolej(modul, '_moxa_web_check', bajty, null, jazyk === 'en' ? 1 : 0);
  if (r < 0) return null;
  const misto = (d) => ({
    from: mista[Math.min(d.offset, bajty.length)],
    to: mista[Math.min(d.offset + d.length, bajty.length)],
  });
  return JSON.parse(text(predano)).map((d) => ({
    severity: d.severity,
    ...misto(d),
    line: d.line,
    column: d.column,
    code: d.code,
    message: d.message,
    explanation: d.explanation,
    notes: d.notes.map((n) => ({ ...misto(n), message: n.message })),
    fixes: d.fixes.map((f) => ({ ...misto(f), replacement: f.replacement, title: f.title, safe: f.safe })),
  }));
}

// The program laid out anew: { text } or { chyba } (why it was left as it is).
export async function naformatuj(modul, program) {
  const { bajty } = bajtyAMista(program);
  const { r, predano } = await zavolej(modul, '_moxa_web_format', bajty);
  if (r < 0) return { chyba: 'out of memory' };
  return r === 1 ? { text: text(predano) } : { chyba: text(predano) };
}

// The offset into `program` of byte column `sloupec` (from 1) of line `radek` (from 1).
export function mistoRadku(program, radek, sloupec) {
  let od = 0;
  for (let r = 1; r < radek; r++) {
    const j = program.indexOf('\n', od);
    if (j < 0) return program.length;
    od = j + 1;
  }
  const konec = program.indexOf('\n', od);
  const { mista } = bajtyAMista(program.slice(od, konec < 0 ? program.length : konec));
  return od + mista[Math.min(Math.max(0, sloupec - 1), mista.length - 1)];
}

// Runs the program again on all of its input `vstup` (bytes) with the output and memory
// limits of the run it replays, and returns the last record of its trace ({ end, line, col,
// message }, the message as text), or null when the module ran out of memory.
export async function zopakuj(modul, program, vstup, limity) {
  const { bajty } = bajtyAMista(program);
  const { r, predano } = await zavolej(modul, '_moxa_web_replay', bajty, vstup, limity.output || 0, limity.memory || 0);
  if (r < 0 || predano.length === 0) return null;
  // The record is ASCII; each code point 0-255 of its strings stands for a byte.
  const konec = JSON.parse(new TextDecoder().decode(predano));
  if (typeof konec.message === 'string') {
    konec.message = text(Uint8Array.from(konec.message, (c) => c.charCodeAt(0) & 0xff));
  }
  return konec;
}
