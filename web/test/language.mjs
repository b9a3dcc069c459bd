// The playground's highlighter: its word lists match the interpreter's scanner, and its
// tokenizer colours each kind of token.  Usage: node language.mjs MOXA_TOKENS
// MOXA_TOKENS, when given, is the interpreter's tool that prints its own lists (--words).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { highlightTree, classHighlighter } from '@lezer/highlight';
import { EditorState } from '@codemirror/state';
import { ensureSyntaxTree } from '@codemirror/language';
import { KEYWORDS, OPERATORS, moxaLanguage } from '../src/language.js';

const [moxaTokens] = process.argv.slice(2);

test('the word lists are those of the interpreter', { skip: !moxaTokens || !existsSync(moxaTokens) }, () => {
  const slova = JSON.parse(execFileSync(moxaTokens, ['--words'], { encoding: 'utf8' }));
  assert.deepEqual(KEYWORDS, slova.keywords);
  assert.deepEqual(OPERATORS, slova.operators);
});

// The classes the highlighter gives the text of a program, as [text, class] pairs.
function obarvi(program) {
  const state = EditorState.create({ doc: program, extensions: [moxaLanguage] });
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
