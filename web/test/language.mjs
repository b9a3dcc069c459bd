// The playground's highlighter: its word lists match the interpreter's scanner, its tokenizer
// colours each kind of token, and it agrees with the scanner itself, token for token, on
// every golden program and example.  Usage: node language.mjs MOXA_TOKENS
// MOXA_TOKENS, when given, is the interpreter's tool that lists the scanner's tokens and its
// word lists; without it the comparisons with the scanner are skipped.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join, relative } from 'node:path';
import { highlightTree, classHighlighter } from '@lezer/highlight';
import { EditorState } from '@codemirror/state';
import { ensureSyntaxTree, getIndentation } from '@codemirror/language';
import { KEYWORDS, OPERATORS, moxaLanguage } from '../src/language.js';

const [moxaTokens] = process.argv.slice(2);
const sNastrojem = Boolean(moxaTokens) && existsSync(moxaTokens);
if (sNastrojem) process.env.MOXA_TOKENS = moxaTokens;
// The comparison the editors' highlighters are held to, with the token lister given above.
const { disagreements, programs, repoDir, scannerTokens, words } = await import('../../editors/test/agreement.mjs');

test('the word lists are those of the interpreter', { skip: !sNastrojem }, () => {
  const slova = JSON.parse(execFileSync(moxaTokens, ['--words'], { encoding: 'utf8' }));
  assert.deepEqual(KEYWORDS, slova.keywords);
  assert.deepEqual(OPERATORS, slova.operators);
});

// The classes the highlighter gives the text of a program, as [text, class] pairs.
function obarvi(program) {
  const state = EditorState.create({ doc: program, extensions: [moxaLanguage, EditorState.lineSeparator.of('\n')] });
  const tree = ensureSyntaxTree(state, state.doc.length, 5000);
  const kusy = [];
  highlightTree(tree, classHighlighter, (from, to, cls) => kusy.push([program.slice(from, to), cls]));
  return kusy;
}

test('each kind of token gets its colour', () => {
  const kusy = obarvi(
    ':: radkovy\n?f(p2 @a) { pis_ln(@a); }\n{ :! blok\n dal !: @x -> ~f(1,5e-3) + "a/"b";\n i2 (@x != -7) { } i2_end; } .'
  );
  const trida = (text) => kusy.find(([t]) => t === text)?.[1];
  assert.equal(trida(':: radkovy'), 'tok-comment');
  assert.equal(trida(':! blok'), 'tok-comment');
  assert.equal(trida(' dal !:'), 'tok-comment');
  assert.equal(trida('?f'), 'tok-variableName tok-definition');
  assert.equal(trida('~f'), 'tok-variableName');
  assert.equal(trida('@x'), 'tok-variableName');
  assert.equal(trida('p2'), 'tok-keyword');
  assert.equal(trida('pis_ln'), 'tok-keyword');
  assert.equal(trida('i2_end'), 'tok-keyword');
  assert.equal(trida('1,5e-3'), 'tok-number');
  assert.equal(trida('-7'), 'tok-number');
  assert.equal(trida('"a/"b"'), 'tok-string');
  assert.equal(trida('!='), 'tok-operator');
  assert.equal(trida('->'), 'tok-operator');
});

// The class names the page gives each class of the scanner's tokens.
const TRIDY = {
  number: 'tok-number',
  string: 'tok-string',
  semicolon: 'tok-punctuation',
  keyword: 'tok-keyword',
  end: 'tok-punctuation',
  word: 'tok-invalid',
  brace: 'tok-punctuation',
  assignment: 'tok-operator',
  paren: 'tok-punctuation',
  'unused-operator': 'tok-invalid',
  operator: 'tok-operator',
  variable: 'tok-variableName',
  call: 'tok-variableName',
  declaration: 'tok-variableName tok-definition',
};

// The page's highlighting of a file, one character a byte as the scanner reads it: the class
// name of every byte.
function zvyrazneni(file) {
  const text = readFileSync(file).toString('latin1');
  const state = EditorState.create({ doc: text, extensions: [moxaLanguage, EditorState.lineSeparator.of('\n')] });
  const tree = ensureSyntaxTree(state, state.doc.length, 60000);
  const names = new Array(text.length).fill('');
  highlightTree(tree, classHighlighter, (from, to, cls) => names.fill(cls, from, to));
  // Adjacent tokens of one class make one node of the tree, so where tokens start is not
  // compared; their classes are, byte for byte.
  return { text, names, starts: null };
}

test('the highlighter agrees with the scanner on every golden program and example', { skip: !sNastrojem }, () => {
  const w = words();
  const soubory = programs('tests/golden', 'examples');
  assert.ok(soubory.length > 100, `only ${soubory.length} programs found`);
  const nesouhlasi = [];
  for (const f of soubory) {
    // The editor colours the first 10,000 characters of a line and leaves the rest plain;
    // a few programs have lines longer than that.
    const d = disagreements(zvyrazneni(f), scannerTokens(f), w, TRIDY, (n) => n.startsWith('tok-comment')).filter(
      (x) => Number(x.split(' ')[0].split(':')[1]) <= 10000
    );
    if (d.length) nesouhlasi.push(`${relative(repoDir, f)}:\n  ${d.slice(0, 10).join('\n  ')}`);
  }
  assert.equal(nesouhlasi.length, 0, `${nesouhlasi.length} of ${soubory.length} programs disagree:\n${nesouhlasi.join('\n')}`);
});

// One disagreement cannot be helped, as in the editors: a word that breaks its line after a
// keyword's '_' (`pis_` then `x` on the next line) is coloured as the keyword it may still
// become, because a line is coloured before the next one is read.
test('the highlighter agrees with the scanner on its hard cases', { skip: !sNastrojem }, () => {
  const f = join(repoDir, 'editors/test/lexer_edges.mox');
  const d = disagreements(zvyrazneni(f), scannerTokens(f), words(), TRIDY, (n) => n.startsWith('tok-comment'));
  const znamy = /^1[67]:\d+ .*: in "pis_x" \(kind 5\) want tok-invalid, got tok-keyword$/;
  assert.deepEqual(d.filter((x) => !znamy.test(x)), []);
  assert.ok(d.length <= 7, d.join('\n'));
});

test('a new line is indented by the braces open before it', () => {
  const program = '{\n  i2 (1) {\n    pis(1);\n  } i2_end;\n}';
  const state = EditorState.create({ doc: program, extensions: [moxaLanguage] });
  ensureSyntaxTree(state, state.doc.length, 5000);
  const odsazeni = (n) => getIndentation(state, state.doc.line(n).from);
  assert.deepEqual([1, 2, 3, 4, 5].map(odsazeni), [0, 2, 4, 2, 0]);
});
