// The run task's output and the problem matcher `$moxa`, on what the real interpreter prints:
// the output passes unchanged, and the matcher's patterns, applied the way VS Code applies a
// multi-line matcher (each pattern to the next line), find the file, the quoted line and the
// message of each error, and nothing in a run without errors.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { moxa } from '../../test/agreement.mjs';

const require = createRequire(import.meta.url);
const { Annotator } = require('../run-output.js');
const manifest = JSON.parse(readFileSync(new URL('../package.json', import.meta.url), 'utf8'));
const matcher = manifest.contributes.problemMatchers.find((m) => m.name === 'moxa');
const work = mkdtempSync(join(tmpdir(), 'moxa-vscode-'));

// Runs a program and shows its output as the task's terminal does, fed in small chunks.
function run(program, input = '', file = join(work, 'prog.mox')) {
  writeFileSync(file, program);
  const raw = execFileSync(moxa, [file], { input, encoding: 'latin1' });
  const a = new Annotator(file);
  let shown = '';
  for (let i = 0; i < raw.length; i += 7) shown += a.push(raw.slice(i, i + 7));
  return { file, raw, shown };
}

// The problems VS Code's matcher finds in the terminal's lines.
function problems(shown) {
  const lines = shown.split('\r\n');
  const found = [];
  for (let i = 0; i + matcher.pattern.length <= lines.length; i++) {
    const data = {};
    const ok = matcher.pattern.every((p, k) => {
      const m = new RegExp(p.regexp).exec(lines[i + k]);
      if (!m) return false;
      for (const key of ['file', 'line', 'message', 'code']) if (p[key] !== undefined) data[key] = m[p[key]];
      return true;
    });
    if (ok) found.push({ ...data, line: Number(data.line) });
  }
  return found;
}

// The terminal shows the interpreter's bytes, line ends as CR LF, plus the pointer lines.
function withoutPointers(shown) {
  return shown.replace(/  --> .*\r\n/g, '').replace(/\r\n/g, '\n');
}

test('a run without errors passes through unchanged and has no problems', () => {
  const r = run('{\n  cti(@a);\n  pis_ln("Ahoj " + @a);\n} .\n', 'Evo\n');
  assert.equal(r.shown, r.raw.replace(/\n/g, '\r\n'));
  assert.match(r.raw, /Ahoj Evo\n/);
  assert.deepEqual(problems(r.shown), []);
});

test('each error becomes a problem on the quoted line of its file, after output or not', () => {
  const spaced = join(mkdtempSync(join(tmpdir(), 'moxa vs: code ')), 'muj program.mox');
  for (const [program, line, message, code, file] of [
    // The '{' that stands where ')' belongs is followed by a blank, so line 3 is quoted.
    ['{\n  pis_ln("a");\n  w2 (1 { pis(1); } w2_end;\n} .\n', 3,
      'byl ocekavan znak: ")", namisto toho se vyskytl tento znak: "{".', 'While'],
    // pis leaves the line open: the message follows the program's output on it.
    ['{\n  pis("vysledek: ");\n  pis(2 - "x");\n} .\n', 3, 'nejedna se o cislo.', 'Vnitrni_aritmeticky_vyraz'],
    // A path with blanks and a colon is kept whole.
    ['{\n\n  @x -> ; pis(1);\n} .\n', 3, undefined, undefined, spaced],
  ]) {
    const r = run(program, '', file);
    assert.equal(withoutPointers(r.shown), r.raw);
    const [p, ...more] = problems(r.shown);
    assert.deepEqual(more, [], r.raw);
    assert.deepEqual([p.file, p.line], [r.file, line]);
    if (message) assert.deepEqual([p.message, p.code], [message, code]);
  }
});

test('typed input reaches the program a line at a time, with Backspace and Ctrl-D', () => {
  const { LineInput } = require('../run-output.js');
  const input = new LineInput();
  const steps = [
    // Keys arrive in chunks; nothing is sent before Enter.
    ['Evx', { echo: 'Evx', send: '', ended: false }],
    ['\x7fa\r', { echo: '\b \ba\r\n', send: 'Eva\n', ended: false }],
    ['\x7f', { echo: '', send: '', ended: false }], // nothing left to take back
    ['3\x04rest', { echo: '3', send: '3', ended: true }],
  ];
  let sent = '';
  for (const [keys, want] of steps) {
    const got = input.type(keys);
    assert.deepEqual(got, want, JSON.stringify(keys));
    sent += got.send;
  }
  // What was sent is what the program reads.
  const file = join(work, 'read.mox');
  writeFileSync(file, '{\n  cti(@a);\n  cti(@b);\n  pis_ln(@a + "|" + @b);\n} .\n');
  const out = execFileSync(moxa, [file], { input: sent, encoding: 'latin1' });
  assert.match(out, /\nEva\|3\n/);
});
