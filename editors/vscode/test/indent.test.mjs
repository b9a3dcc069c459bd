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

// What Enter does between `before` and `after`: the first rule that applies, as VS Code picks.
function enter(before, after = '') {
  const r = rules.find((x) => x.before.test(before) && (!x.after || x.after.test(after)));
  return r ? r.indent : 'none';
}

test('Enter after an opening brace indents, between braces it opens a line between them', () => {
  assert.equal(enter('{'), 'indent');
  assert.equal(enter('  i2 (@x > 0) {'), 'indent');
  assert.equal(enter('  w2 (@i < 3) {   '), 'indent');
  assert.equal(enter('?f(p2 @a) {'), 'indent');
  assert.equal(enter('{', '}'), 'indentOutdent');
  assert.equal(enter('  } e2 {', '} i2_end;'), 'indentOutdent');
  // A block closed on its own line, a statement, or a brace inside a text: no new level.
  assert.equal(enter('{ pis(1); }'), 'none');
  assert.equal(enter('  pis_ln(@x);'), 'none');
  assert.equal(enter('  pis("{");'), 'none');
});

test('a line that starts by closing a brace goes back one level; one that opens, forward', () => {
  const increase = new RegExp(config.indentationRules.increaseIndentPattern);
  const decrease = new RegExp(config.indentationRules.decreaseIndentPattern);
  assert.ok(decrease.test('  } i2_end;'));
  assert.ok(decrease.test('}'));
  assert.ok(!decrease.test('  pis(1);'));
  assert.ok(increase.test('  i2 (1) {'));
  assert.ok(!increase.test('  i2 (1) { pis(1); } i2_end;'));
});
