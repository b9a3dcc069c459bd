// The Vim files, driven by Debian's vim in Ex mode: the syntax agrees with the interpreter's
// scanner on every golden program and example, chosen positions of a sample carry the right
// groups, and :make on a program with an error puts the cursor on the line the error quotes.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, relative } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { disagreements, moxa, programs, repoDir, scannerTokens, words } from '../../test/agreement.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const vimDir = dirname(here);
const work = mkdtempSync(join(tmpdir(), 'moxa-vim-'));
const W = words();

const vim = (script, env = {}) =>
  execFileSync('vim', ['-es', '-u', 'NONE', '-i', 'NONE', '-N', '-S', script], {
    env: { ...process.env, ...env },
    cwd: work,
    stdio: ['ignore', 'pipe', 'pipe'],
  });

// Per file: per byte offset the outermost syntax group ('' for none), line feeds left ''.
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
      for (let i = 0; i < line.length; i++) names.push(groups[i] === '-' ? '' : groups[i] ?? '?');
      names.push('');
    });
    result[f] = { text, names: names.slice(0, text.length), starts: null };
  }
  return result;
}

const GROUPS = {
  number: 'moxaNumber',
  string: 'moxaString',
  semicolon: 'moxaSemicolon',
  keyword: 'moxaKeyword',
  end: 'moxaEnd',
  word: 'moxaWord',
  brace: 'moxaBrace',
  assignment: 'moxaAssignment',
  paren: 'moxaParen',
  'unused-operator': 'moxaUnusedOperator',
  operator: 'moxaOperator',
  variable: 'moxaVariable',
  call: 'moxaCall',
  declaration: 'moxaDeclaration',
};
const isComment = (g) => g === 'moxaComment';

// Vim finds the syntax group of one column by scanning its line from the start, so asking
// for every column of a very long line costs its square; such programs (a 20,000-byte line of
// brackets) are left to the VS Code grammar's test.
const LONGEST_LINE = 1000;
const shortLines = (f) => readFileSync(f, 'latin1').split('\n').every((l) => l.length <= LONGEST_LINE);

test('the Vim syntax agrees with the scanner on every golden program, example and hard case', () => {
  const all = [...programs('tests/golden', 'examples'), join(repoDir, 'editors/test/lexer_edges.mox')];
  const files = all.filter(shortLines);
  assert.ok(files.length > all.length - 10, `${all.length - files.length} programs left out`);
  const groups = syntaxGroups(files);
  const failures = [];
  for (const f of files) {
    const d = disagreements(groups[f], scannerTokens(f), W, GROUPS, isComment);
    if (d.length) failures.push(`${relative(repoDir, f)}:\n  ${d.join('\n  ')}`);
  }
  assert.equal(failures.length, 0, `${failures.length} of ${files.length} programs disagree:\n${failures.join('\n')}`);
});

// The innermost syntax group at chosen places of the sample, by line and column (from 1).
test('the syntax gives the sample its groups where a reader expects them', () => {
  const sample = join(here, 'sample.mox');
  const script = join(work, 'at.vim');
  const places = [
    [1, 1, 'moxaComment'],
    [3, 3, ''], // the P of Pis_ln is dropped...
    [3, 4, 'moxaWord'], // ...which leaves is_ln, no keyword
    [3, 10, 'moxaString'],
    [3, 12, 'moxaEscape'], // the '/' of a/"b
    [3, 13, 'moxaEscape'], // the quote it escapes
    [3, 15, 'moxaString'],
    [3, 16, ''],
    [3, 17, 'moxaOperator'],
    [3, 20, 'moxaNumber'], // the ',' of 1,5e-3
    [3, 23, 'moxaNumber'], // the '-' of its exponent
    [4, 3, 'moxaVariable'],
    [4, 6, 'moxaAssignment'],
    [4, 9, 'moxaNumber'],
    [4, 11, 'moxaNumber'], // 5 -3 is two numbers
    [5, 3, 'moxaKeyword'],
    [5, 6, 'moxaParen'],
    [5, 10, 'moxaOperator'], // !=
    [5, 16, 'moxaBrace'],
    [5, 30, 'moxaSemicolon'],
    [5, 34, 'moxaKeyword'], // w2_end
    [6, 3, 'moxaCall'],
    [6, 16, 'moxaUnusedOperator'],
    [7, 3, 'moxaEnd'],
  ];
  writeFileSync(
    script,
    [
      'set nocompatible',
      `let &rtp = '${vimDir}' . ',' . &rtp`,
      'filetype plugin on',
      'syntax on',
      `edit ${sample}`,
      `let s:r = map(${JSON.stringify(places.map(([l, c]) => [l, c]))}, {_, p -> synIDattr(synID(p[0], p[1], 0), 'name')})`,
      "call writefile([json_encode(s:r)], $OUT)",
      'qa!',
    ].join('\n'),
  );
  const out = join(work, 'at.json');
  vim(script, { OUT: out });
  const got = JSON.parse(readFileSync(out, 'utf8'));
  const wrong = places
    .map(([l, c, want], i) => [l, c, want, got[i]])
    .filter(([, , want, g]) => g !== want)
    .map(([l, c, want, g]) => `${l}:${c} want ${want || '(none)'}, got ${g || '(none)'}`);
  assert.deepEqual(wrong, []);
});

function make(program) {
  const file = join(work, 'prog.mox');
  writeFileSync(file, program);
  const out = join(work, 'make.json');
  vim(join(here, 'make.vim'), { PROGRAM: file, MOXA: moxa, OUT: out });
  return JSON.parse(readFileSync(out, 'utf8'));
}

test('the plugin sets the comment form and runs the interpreter with :make', () => {
  const r = make('{\n  pis_ln("ok");\n} .\n');
  assert.deepEqual(r.plugin, { filetype: 'moxa', makeprg: 'moxa %:S', commentstring: ':: %s' });
  assert.deepEqual(r.errors, [], 'a program without errors lists none');
  assert.equal(r.line, 1);
});

test(':make puts the cursor on the line the error quotes', () => {
  // The operand missing before ')' is reported on line 4.
  const r = make('{\n  pis_ln("a");\n  @x -> 2;\n  pis_ln(@x +);\n  pis_ln("b");\n} .\n');
  assert.equal(r.errors.length, 1, JSON.stringify(r.errors));
  // The message names no file; the plugin gives the error the buffer :make ran, so that the
  // quickfix list shows the file and :cnext from elsewhere comes back to it.
  assert.deepEqual(r.errors[0], {
    bufnr: r.bufnr,
    lnum: 4,
    text: 'byl ocekavan znak: "cislo, promenna, retezec, komentar nebo volani fce", namisto toho se vyskytl tento znak: ")".',
    valid: 1,
  });
  assert.equal(r.line, 4);
});

test(':make finds an error that follows program output on the same line', () => {
  // pis leaves no line end, so the message continues the line "x"; the text is no number.
  const r = make('{\n  pis("x");\n\n  pis_ln("t" * 2);\n} .\n');
  assert.equal(r.errors.length, 1, JSON.stringify(r.errors));
  assert.equal(r.errors[0].text, 'nejedna se o cislo.');
  assert.equal(r.errors[0].lnum, 4);
  assert.equal(r.line, 4);
});

const moxaCheck = process.env.MOXA_CHECK ?? join(repoDir, 'build/tools/moxa-check');

function check(program) {
  const file = join(work, 'prog.mox');
  writeFileSync(file, program);
  const out = join(work, 'check.json');
  vim(join(here, 'check.vim'), { PROGRAM: file, MOXA_CHECK: moxaCheck, OUT: out });
  return JSON.parse(readFileSync(out, 'utf8'));
}

test(':compiler moxa_check puts the cursor on the cause of the error', () => {
  // The ';' missing after "@a -> 1" is noticed at "}" on line 3; a run, having read on to
  // the next line, quotes line 4, which :make with the interpreter would jump to. The
  // checker's error stands where the ';' is missing, at the 1 on line 2.
  const r = check('{\n  @a -> 1\n  }\n\n.\n');
  assert.equal(r.makeprg, 'moxa-check %:S');
  const errors = r.errors.filter((e) => e.type === 'e');
  assert.equal(errors.length, 1, JSON.stringify(r.errors));
  assert.deepEqual([errors[0].bufnr, errors[0].lnum, errors[0].col], [r.bufnr, 2, 9]);
  assert.match(errors[0].text, /\[M101\]$/);
  assert.deepEqual([r.line, r.col], [2, 9]);
  // The run's message follows as a note, at the "}" where the run noticed.
  assert.ok(
    r.errors.some((e) => e.type === '' && e.lnum === 3 && e.col === 3 && /^V bloku: 'Vnitrni_blok', na radku: 4 /.test(e.text)),
    JSON.stringify(r.errors),
  );
});

test(':compiler moxa_check lists warnings and notes at their columns', () => {
  // "@Vysledek" reads as "@ysledek": a warning at the V; a clean program besides.
  const r = check('{\n  @Vysledek -> 1;\n  pis(@ysledek);\n} .\n');
  assert.ok(!r.errors.some((e) => e.type === 'e'), JSON.stringify(r.errors));
  const w = r.errors.find((e) => e.type === 'w');
  assert.ok(w, JSON.stringify(r.errors));
  assert.deepEqual([w.lnum, w.col], [2, 4]);
  assert.deepEqual([r.line, r.col], [2, 4]);
});
