// One list of keywords and operators, and one pattern of an error message: the
// interpreter's. Every file editors/generate.mjs writes (the VS Code grammar, problem matcher
// and run output, the Vim syntax and errorformat, the playground's words.js) must be what it
// makes of what moxa_tokens prints, and the playground's highlighter must use words.js.
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join, relative } from 'node:path';
import { test } from 'node:test';
import { outputs } from '../generate.mjs';
import { repoDir, words } from './agreement.mjs';

const W = words();

test('every generated file is what the current word lists and message make', () => {
  for (const [path, text] of outputs(W)) {
    assert.ok(readFileSync(path, 'latin1') === text,
      `${relative(repoDir, path)} is out of date: run build/tools/moxa_tokens --words > words.json && node editors/generate.mjs words.json`);
  }
});

test('the word lists hold the language\'s keywords and operators', () => {
  assert.deepEqual([...W.keywords].sort(), ['cti', 'e2', 'i2', 'i2_end', 'p2', 'pis', 'pis_ln', 'w2', 'w2_end']);
  for (const op of ['+', '-', '*', '/', '%', '<', '>', '=', '!=', '<=', '>=', '!', '&', '|']) {
    assert.ok(W.operators.includes(op), op);
  }
  assert.equal(W.assignment, '->');
});

const playground = join(repoDir, 'web/src/language.js');

// The playground's lists are generated into web/src/words.js (held to the interpreter by the
// first test); its highlighter must take them from there, not keep copies of its own.
test('the playground highlights with the generated word lists', { skip: !existsSync(playground) && 'no web/src/language.js' }, () => {
  const text = readFileSync(playground, 'utf8');
  assert.match(text, /import \{[^}]*\bKEYWORDS\b[^}]*\} from '\.\/words\.js'/);
  assert.match(text, /import \{[^}]*\bOPERATORS\b[^}]*\} from '\.\/words\.js'/);
  assert.doesNotMatch(text, /\b(KEYWORDS|OPERATORS)\s*=\s*\[/, 'a list of its own');
});
