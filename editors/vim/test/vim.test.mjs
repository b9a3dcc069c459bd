// The Vim files, driven by Debian's vim in Ex mode: the syntax agrees with the interpreter's
// scanner on every golden program and example, escapes are marked, and :make with either
// tool puts the cursor on the line of the error.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { agreementFiles, assertAgreement, moxa, repoDir } from '../../test/agreement.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const work = mkdtempSync(join(tmpdir(), 'moxa-vim-'));

const vim = (script, env = {}) =>
  execFileSync('vim', ['-es', '-u', 'NONE', '-i', 'NONE', '-N', '-S', script], {
    env: { ...process.env, ...env },
    cwd: work,
    stdio: ['ignore', 'pipe', 'pipe'],
  });

// Per file: per byte offset the outermost syntax group ('' for none), line feeds left '';
// and per line and column the innermost group.
function syntaxGroups(files) {
  const list = join(work, 'files.txt');
  const out = join(work, 'groups.json');
  writeFileSync(list, files.join('\n') + '\n');
  vim(join(here, 'dump_syntax.vim'), { FILES: list, OUT: out });
  const dump = JSON.parse(readFileSync(out, 'latin1'));
  const result = {};
  for (const f of files) {
    const text = readFileSync(f).toString('latin1');
    const names = [];
    text.split('\n').forEach((line, n) => {
      const groups = line.length ? (dump[f][n] ?? '').split(' ') : [];
      for (let i = 0; i < line.length; i++) names.push(groups[i] === '-' ? '' : groups[i]?.split('/')[0] ?? '?');
      names.push('');
    });
    const inner = (dump[f] ?? []).map((l) => l.split(' ').map((g) => g.split('/').at(-1)));
    result[f] = { text, names: names.slice(0, text.length), starts: null, inner };
  }
  return result;
}

// Each class's group is its name in the syntax file: 'unused-operator' is moxaUnusedOperator.
const GROUPS = new Proxy({}, { get: (_, c) => `moxa${c.replace(/(?:^|-)(\w)/g, (_, x) => x.toUpperCase())}` });
const isComment = (g) => g === 'moxaComment';

// Vim finds the syntax group of one column by scanning its line from the start, so asking
// for every column of a very long line costs its square; such programs (a 20,000-byte line of
// brackets) are left to the VS Code grammar's test.
const LONGEST_LINE = 1000;
const shortLines = (f) => readFileSync(f, 'latin1').split('\n').every((l) => l.length <= LONGEST_LINE);

test('the Vim syntax agrees with the scanner on every golden program, example and hard case; an escape is marked', async () => {
  const all = agreementFiles();
  const files = all.filter(shortLines);
  assert.ok(files.length > all.length - 10, `${all.length - files.length} programs left out`);
  const sample = join(here, 'sample.mox');
  const groups = syntaxGroups([...files, sample]);
  assert.equal(await assertAgreement(files, (f) => groups[f], GROUPS, isComment), 0);
  // The innermost group at the escapes of the sample's text (line 3, columns 10-15), which
  // the outermost groups compared above do not show.
  assert.deepEqual([10, 12, 13, 15].map((c) => groups[sample].inner[2][c - 1]), ['moxaString', 'moxaEscape', 'moxaEscape', 'moxaString']);
});

const moxaCheck = process.env.MOXA_CHECK ?? join(repoDir, 'build/tools/moxa-check');

// What Vim shows after :make on `program`, with the interpreter or with `compiler`.
function make(program, compiler = '') {
  const file = join(work, 'prog.mox');
  writeFileSync(file, program);
  const out = join(work, 'make.json');
  vim(join(here, 'make.vim'), { PROGRAM: file, TOOL: compiler ? moxaCheck : moxa, COMPILER: compiler, OUT: out });
  return JSON.parse(readFileSync(out, 'utf8'));
}

test('the plugin sets the comment form, and :make runs the interpreter and goes to the line the error quotes', () => {
  const r = make('{\n  pis_ln("ok");\n} .\n');
  assert.deepEqual(r.plugin, { filetype: 'moxa', makeprg: 'moxa %:S', commentstring: ':: %s' });
  assert.deepEqual([r.errors, r.line], [[], 1], 'a program without errors lists none');
  for (const [program, text] of [
    // The operand missing before ')' is reported on line 4.
    ['{\n  pis_ln("a");\n  @x -> 2;\n  pis_ln(@x +);\n  pis_ln("b");\n} .\n',
      'byl ocekavan znak: "cislo, promenna, retezec, komentar nebo volani fce", namisto toho se vyskytl tento znak: ")".'],
    // pis leaves no line end, so the message continues the line "x"; the text is no number.
    ['{\n  pis("x");\n\n  pis_ln("t" * 2);\n} .\n', 'nejedna se o cislo.'],
  ]) {
    const r = make(program);
    // The message names no file; the plugin gives the error the buffer :make ran, so that the
    // quickfix list shows the file and :cnext from elsewhere comes back to it.
    assert.deepEqual(r.errors.map((e) => [e.bufnr, e.lnum, e.text, e.valid]), [[r.bufnr, 4, text, 1]]);
    assert.equal(r.line, 4);
  }
});

test(':compiler moxa_check puts the cursor on the cause of an error, and on a warning', () => {
  // The ';' missing after "@a -> 1" is noticed at "}" on line 3; a run, having read on to
  // the next line, quotes line 4, which :make with the interpreter would jump to. The
  // checker's error stands where the ';' is missing, at the 1 on line 2.
  const r = make('{\n  @a -> 1\n  }\n\n.\n', 'moxa_check');
  assert.equal(r.plugin.makeprg, 'moxa-check %:S');
  const errors = r.errors.filter((e) => e.type === 'e');
  assert.deepEqual(errors.map((e) => [e.bufnr, e.lnum, e.col]), [[r.bufnr, 2, 9]], JSON.stringify(r.errors));
  assert.match(errors[0].text, /\[M101\]$/);
  assert.deepEqual([r.line, r.col], [2, 9]);
  // The run's message follows as a note, at the "}" where the run noticed.
  assert.ok(
    r.errors.some((e) => e.type === '' && e.lnum === 3 && e.col === 3 && /^V bloku: 'Vnitrni_blok', na radku: 4 /.test(e.text)),
    JSON.stringify(r.errors),
  );
  // "@Vysledek" reads as "@ysledek": a warning at the V, and no error.
  const w = make('{\n  @Vysledek -> 1;\n  pis(@ysledek);\n} .\n', 'moxa_check');
  assert.deepEqual(w.errors.filter((e) => e.type !== '').map((e) => [e.type, e.lnum, e.col]), [['w', 2, 4]], JSON.stringify(w.errors));
  assert.deepEqual([w.line, w.col], [2, 4]);
});
