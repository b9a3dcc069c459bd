// moxa for the editor: a tokenizer that colours a program as the interpreter's scanner reads
// it. The fixed words and operator texts are the interpreter's own, generated into words.js.
import { StreamLanguage } from '@codemirror/language';
import { ASSIGNMENT, BRACES, END, KEYWORDS, OPERATORS, STATEMENT_END } from './words.js';

export { ASSIGNMENT, BRACES, END, KEYWORDS, OPERATORS, STATEMENT_END };

const klicova = new Set(KEYWORDS);
// Longest first, so that "!=" is not read as "!" and "=".
const operatory = [...OPERATORS, ASSIGNMENT].sort((a, b) => b.length - a.length);

function cislice(c) {
  return c >= '0' && c <= '9';
}

// The rest of a number after its first digit: digits, an optional ',' and digits, an
// optional exponent.
function zbytekCisla(stream) {
  stream.eatWhile(/[0-9]/);
  if (stream.peek() === ',' && /[0-9]/.test(stream.string.charAt(stream.pos + 1))) {
    stream.next();
    stream.eatWhile(/[0-9]/);
  }
  if (stream.match(/^[eE][+-]?[0-9]+/)) return;
}

function token(stream, state) {
  if (state.vKomentari) {
    // A block comment runs to the first "!:".
    while (!stream.eol()) {
      if (stream.match('!:')) {
        state.vKomentari = false;
        return 'blockComment';
      }
      stream.next();
    }
    return 'blockComment';
  }
  if (!state.vTextu) {
    if (stream.eatSpace()) return null;
    if (stream.match('::')) {
      stream.skipToEnd();
      return 'lineComment';
    }
    if (stream.match(':!')) {
      state.vKomentari = true;
      return token(stream, state) ?? 'blockComment';
    }
    if (stream.peek() === '"') {
      stream.next();
      state.vTextu = true;
    }
  }
  if (state.vTextu) {
    // A text literal; '/' escapes the next character. It may span lines.
    while (!stream.eol()) {
      const z = stream.next();
      if (z === '/') stream.next();
      else if (z === '"') {
        state.vTextu = false;
        break;
      }
    }
    return 'string';
  }
  const c = stream.peek();
  if (c === '@' && stream.match(/^@ *[a-z0-9_]+/)) return 'variableName';
  if (c === '~' && stream.match(/^~ *[a-z0-9_]+/)) return 'variableName.function';
  if (c === '?' && stream.match(/^\? *[a-z0-9_]+/)) return 'variableName.definition';
  if (cislice(c) || ((c === '-' || c === '+') && cislice(stream.string.charAt(stream.pos + 1)))) {
    stream.next();
    zbytekCisla(stream);
    return 'number';
  }
  if (/[a-z]/.test(c)) {
    stream.eatWhile(/[a-z0-9_]/);
    return klicova.has(stream.current()) ? 'keyword' : null;
  }
  if (BRACES.includes(c)) {
    stream.next();
    return 'brace';
  }
  if (c === STATEMENT_END || c === END) {
    stream.next();
    return 'punctuation';
  }
  for (const o of operatory) {
    if (stream.match(o)) return 'operator';
  }
  stream.next();
  return null;
}

const tokenizer = {
  name: 'moxa',
  startState: () => ({ vKomentari: false, vTextu: false }),
  token,
  languageData: {
    commentTokens: { line: '::', block: { open: ':!', close: '!:' } },
    closeBrackets: { brackets: ['(', '{', '"'] },
  },
};

export const moxaLanguage = StreamLanguage.define(tokenizer);
