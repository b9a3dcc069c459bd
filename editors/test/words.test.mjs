// One list of keywords and operators: the interpreter's. The VS Code grammar and the Vim
// syntax must be what editors/generate.mjs makes of the lists moxa_tokens prints, and the
// playground's highlighter (web/src/language.js), when the playground is there, must list
// the same keywords and only operators of the language.
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join, relative } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { outputs } from '../generate.mjs';
import { repoDir, words } from './agreement.mjs';

const W = words();

test('the grammar and the Vim syntax are generated from the current word lists', () => {
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

// The module's two arrays; when node cannot load it as it stands (a browser module in a
// package that does not say it is one), the array literals are read from its text.
async function playgroundLists() {
  try {
    return await import(pathToFileURL(playground));
  } catch {
    const text = readFileSync(playground, 'utf8');
    const list = (name) => {
      const m = new RegExp(`\\b${name}\\s*=\\s*(\\[[^\\]]*\\])`).exec(text);
      assert.ok(m, `no ${name} array in web/src/language.js`);
      return new Function(`return ${m[1]};`)();
    };
    return { KEYWORDS: list('KEYWORDS'), OPERATORS: list('OPERATORS') };
  }
}

test('the playground highlights the same keywords and operators', { skip: !existsSync(playground) && 'no web/src/language.js' }, async () => {
  const { KEYWORDS, OPERATORS } = await playgroundLists();
  assert.deepEqual([...KEYWORDS].filter((k) => k !== W.end).sort(), [...W.keywords].sort(), 'KEYWORDS');
  // The operators proper must all be there; brackets, ';' and '->' may be listed too.
  const proper = W.operators.filter((o) => !'()^_'.includes(o));
  const allowed = new Set([...W.operators, ...W.braces, W.separator, W.assignment]);
  assert.deepEqual(proper.filter((o) => !OPERATORS.includes(o)), [], 'missing from OPERATORS');
  assert.deepEqual(OPERATORS.filter((o) => !allowed.has(o)), [], 'not operators of the language');
});
