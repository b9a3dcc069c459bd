// The playground's highlighter agrees with the interpreter's scanner, byte for byte, on every
// golden program and example, and indents a new line by the braces open before it.
//   node language.mjs MOXA_TOKENS   (the interpreter's tool that lists the scanner's tokens)
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { highlightTree, classHighlighter } from '@lezer/highlight';
import { EditorState } from '@codemirror/state';
import { ensureSyntaxTree, getIndentation } from '@codemirror/language';
import { moxaLanguage } from '../src/language.js';

const [moxaTokens] = process.argv.slice(2);
process.env.MOXA_TOKENS = moxaTokens;
// The comparison the editors' highlighters are held to, with the token lister given above.
const { agreementFiles, assertAgreement } = await import('../../editors/test/agreement.mjs');

// The class names the page gives each class of the scanner's tokens.
const TRIDY = Object.fromEntries(Object.entries({
  'tok-number': ['number'], 'tok-string': ['string'], 'tok-keyword': ['keyword'],
  'tok-punctuation': ['semicolon', 'end', 'brace', 'paren'], 'tok-invalid': ['word', 'unused-operator'],
  'tok-operator': ['assignment', 'operator'], 'tok-variableName': ['variable', 'call'],
  'tok-variableName tok-definition': ['declaration'],
}).flatMap(([jmeno, tridy]) => tridy.map((t) => [t, jmeno])));

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

test('the highlighter agrees with the scanner on every golden program, example and hard case', async () => {
  // The editor colours the first 10,000 characters of a line and leaves the rest plain; a
  // few programs have lines longer than that.
  const pisX = await assertAgreement(agreementFiles(), zvyrazneni, TRIDY, (n) => n.startsWith('tok-comment'), {
    pisX: true,
    drop: (x) => Number(x.split(' ')[0].split(':')[1]) > 10000,
  });
  assert.ok(pisX <= 7, `${pisX} bytes of pis_x`);
});

test('a new line is indented by the braces open before it', () => {
  const program = '{\n  i2 (1) {\n    pis(1);\n  } i2_end;\n}';
  const state = EditorState.create({ doc: program, extensions: [moxaLanguage] });
  ensureSyntaxTree(state, state.doc.length, 5000);
  const odsazeni = (n) => getIndentation(state, state.doc.line(n).from);
  assert.deepEqual([1, 2, 3, 4, 5].map(odsazeni), [0, 2, 4, 2, 0]);
});
