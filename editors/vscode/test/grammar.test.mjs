// The grammar must agree with the interpreter's scanner on every golden program and every
// example: each byte of a token the scanner delivers carries the scope of the token's kind,
// each token starts a grammar token of its own, comments are comments, and the bytes the
// scanner drops between tokens carry no scope. Every disagreement is listed.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join, relative } from 'node:path';
import { test } from 'node:test';
import { disagreements, programs, repoDir, scannerTokens, words } from '../../test/agreement.mjs';
import { highlight } from './textmate.mjs';

const W = words();
const SCOPES = {
  number: 'constant.numeric.moxa',
  string: 'string.quoted.double.moxa',
  semicolon: 'punctuation.terminator.statement.moxa',
  keyword: 'keyword.control.moxa',
  end: 'punctuation.terminator.program.moxa',
  word: 'invalid.illegal.word.moxa',
  brace: 'punctuation.section.block.moxa',
  assignment: 'keyword.operator.assignment.moxa',
  paren: 'punctuation.parenthesis.moxa',
  'unused-operator': 'invalid.illegal.operator.moxa',
  operator: 'keyword.operator.moxa',
  variable: 'variable.other.moxa',
  call: 'entity.name.function.call.moxa',
  declaration: 'entity.name.function.declaration.moxa',
};
const isComment = (s) => s.startsWith('comment.');

// One disagreement is known and cannot be helped: a word that breaks its line after a
// keyword's '_' (`pis_` then `x` on the next line, in the scanner's hard cases) is highlighted
// as the keyword, because a line-based highlighter must scope `pis_` before it sees the next line.
const known = /^1[67]:\d+ .*: in "pis_x" \(kind 5\) want invalid\.illegal\.word\.moxa, got keyword\.control\.moxa$/;

test('the grammar agrees with the scanner on every golden program, example and hard case', async () => {
  const files = programs('tests/golden', 'examples');
  assert.ok(files.length > 100, `only ${files.length} programs found`);
  const failures = [];
  let knownSeen = 0;
  for (const f of [...files, join(repoDir, 'editors/test/lexer_edges.mox')]) {
    const d = disagreements(await highlight(readFileSync(f)), scannerTokens(f), W, SCOPES, isComment);
    const other = f.endsWith('lexer_edges.mox') ? d.filter((x) => !known.test(x)) : d;
    knownSeen += d.length - other.length;
    if (other.length) failures.push(`${relative(repoDir, f)}:\n  ${other.join('\n  ')}`);
  }
  assert.equal(failures.length, 0, `${failures.length} programs disagree:\n${failures.join('\n')}`);
  assert.equal(knownSeen, 7, 'the known disagreement covers the seven bytes of pis_x');
});
