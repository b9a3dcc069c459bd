// One list of keywords and operators, and one pattern of an error message: the
// interpreter's. Every file editors/generate.mjs writes (the VS Code grammar, problem matcher
// and run output, the Vim syntax and errorformat, the playground's words.js) must be what it
// makes of what moxa_tokens prints.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { relative } from 'node:path';
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
