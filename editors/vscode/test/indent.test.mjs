// Enter after an opening brace indents the new line, and a line that starts by closing a
// brace goes back one level: the language configuration's patterns, applied to lines as VS
// Code applies them (the text before and after the cursor, the line being typed).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

const config = JSON.parse(readFileSync(new URL('../language-configuration.json', import.meta.url), 'utf8'));
const rules = config.onEnterRules.map((r) => ({
  before: new RegExp(r.beforeText),
  after: r.afterText ? new RegExp(r.afterText) : null,
  indent: r.action.indent,
}));

test('Enter indents after an opening brace, and a closing brace goes back one level', () => {
  // What Enter does between `before` and `after`: the first rule that applies, as VS Code picks.
  const enter = (before, after = '') =>
    rules.find((x) => x.before.test(before) && (!x.after || x.after.test(after)))?.indent ?? 'none';
  for (const [before, after, want] of [
    ['{', '', 'indent'],
    ['  i2 (@x > 0) {', '', 'indent'],
    ['  w2 (@i < 3) {   ', '', 'indent'],
    ['?f(p2 @a) {', '', 'indent'],
    ['{', '}', 'indentOutdent'],
    ['  } e2 {', '} i2_end;', 'indentOutdent'],
    // A block closed on its own line, a statement, or a brace inside a text: no new level.
    ['{ pis(1); }', '', 'none'],
    ['  pis_ln(@x);', '', 'none'],
    ['  pis("{");', '', 'none'],
  ]) {
    assert.equal(enter(before, after), want, before);
  }
  const { increaseIndentPattern: inc, decreaseIndentPattern: dec } = config.indentationRules;
  const matches = (p, lines) => lines.map((l) => new RegExp(p).test(l));
  assert.deepEqual(matches(dec, ['  } i2_end;', '}', '  pis(1);']), [true, true, false]);
  assert.deepEqual(matches(inc, ['  i2 (1) {', '  i2 (1) { pis(1); } i2_end;']), [true, false]);
});
