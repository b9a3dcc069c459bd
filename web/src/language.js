// moxa for the editor: a tokenizer that colours a program as the interpreter's scanner reads
// it, byte class for byte class (lexer/scanner.cpp): what starts a token, what a token runs
// on with, the characters a name, a word after '_' or a number waiting for its next digit
// passes over, and comments. The fixed words are the interpreter's own, generated into
// words.js. It also keeps the depth of braces, so that a new line is indented by it.
import { StreamLanguage } from '@codemirror/language';
import { ASSIGNMENT, BRACES, END, KEYWORDS, OPERATORS, STATEMENT_END } from './words.js';

export { ASSIGNMENT, BRACES, END, KEYWORDS, OPERATORS, STATEMENT_END };

const klicova = new Set(KEYWORDS);
const CISLICE = /[0-9]/;
const PISMENO = /[a-z]/;
const SLOVNI = /[a-z0-9]/;
// Operators the scanner delivers that no expression takes.
const NEPOUZITE = new Set(['^', '_']);
const JMENA = { '@': 'variableName', '~': 'variableName.function', '?': 'variableName.definition' };

// The colour of a word once it is whole; while a word waits on the next line for what comes
// after its '_', it is coloured as a keyword if it may still become one.
function barvaSlova(st, cely) {
  if (st.jmeno) return st.jmeno;
  if (st.text === END) return 'punctuation';
  if (cely) return klicova.has(st.text) ? 'keyword' : 'invalid';
  return KEYWORDS.some((k) => k.startsWith(st.text)) ? 'keyword' : 'invalid';
}

// A word or a name: letters and digits; after '_' every character is passed over until a
// letter, a digit or another '_' comes.
function slovo(stream, st) {
  for (;;) {
    if (st.m === 'podtrzitko') {
      while (!stream.eol()) {
        const c = stream.next();
        if (c === '_') st.text += c;
        else if (SLOVNI.test(c)) {
          st.text += c;
          st.m = 'slovo';
          break;
        }
      }
      if (st.m === 'podtrzitko') return barvaSlova(st, false);
    }
    while (!stream.eol() && SLOVNI.test(stream.peek())) st.text += stream.next();
    if (!stream.eol() && stream.peek() === '_') {
      st.text += stream.next();
      st.m = 'podtrzitko';
      continue;
    }
    st.m = '';
    return barvaSlova(st, true);
  }
}

// After '@', '~' or '?' every character is passed over until a lowercase letter comes.
function jmeno(stream, st) {
  while (!stream.eol()) {
    const c = stream.next();
    if (PISMENO.test(c)) {
      st.text = c;
      st.m = 'slovo';
      return slovo(stream, st);
    }
  }
  return st.jmeno;
}

// A number: digits, then a ',' and digits, then an 'e', a sign and digits; after the ',',
// the 'e' or the sign, characters are passed over until a digit comes.
function cislo(stream, st) {
  for (;;) {
    switch (st.m) {
      case 'cislo':
      case 'zlomek':
        stream.eatWhile(CISLICE);
        if (st.m === 'cislo' && stream.eat(',')) st.m = 'carka';
        else if (stream.eat('e')) st.m = 'exp';
        else {
          st.m = '';
          return 'number';
        }
        break;
      case 'carka':
      case 'expZnamenko':
        while (!stream.eol()) {
          if (CISLICE.test(stream.next())) {
            st.m = st.m === 'carka' ? 'zlomek' : 'expCislice';
            break;
          }
        }
        if (st.m === 'carka' || st.m === 'expZnamenko') return 'number';
        break;
      case 'exp':
        while (!stream.eol()) {
          const c = stream.next();
          if (c === '+' || c === '-') {
            st.m = 'expZnamenko';
            break;
          }
          if (CISLICE.test(c)) {
            st.m = 'expCislice';
            break;
          }
        }
        if (st.m === 'exp') return 'number';
        break;
      default: // the exponent's digits
        stream.eatWhile(CISLICE);
        st.m = '';
        return 'number';
    }
  }
}

// A text literal: '/' takes the character after it, which never ends the literal.
function retezec(stream, st) {
  while (!stream.eol()) {
    const c = stream.next();
    if (c === '"') {
      st.m = '';
      return 'string';
    }
    if (c === '/') {
      if (stream.eol()) st.m = 'retezecLomitko';
      else stream.next();
    }
  }
  return 'string';
}

// A ':' passes over characters until a ':' opens a comment to the end of the line or a '!'
// a comment to the first '!:'.
function komentar(stream, st) {
  while (!stream.eol()) {
    const c = stream.next();
    if (st.m === 'dvojtecka') {
      if (c === ':') {
        stream.skipToEnd();
        st.m = '';
        return 'lineComment';
      }
      if (c === '!') st.m = 'blok';
    } else if (st.m === 'blok') {
      if (c === '!') st.m = 'blokVykricnik';
    } else if (c === ':') {
      st.m = '';
      return 'blockComment';
    } else if (c !== '!') st.m = 'blok';
  }
  return 'blockComment';
}

// What a line feed does to a token that goes on past it.
function radek(st) {
  if (st.m === 'retezecLomitko') st.m = 'retezec';
  else if (st.m === 'blokVykricnik') st.m = 'blok';
}

function token(stream, st) {
  if (stream.sol() && st.zacatek) radek(st);
  st.zacatek = true;
  switch (st.m) {
    case 'slovo':
    case 'podtrzitko':
      return slovo(stream, st);
    case 'jmeno':
      return jmeno(stream, st);
    case 'retezec':
    case 'retezecLomitko':
      st.m = 'retezec';
      return retezec(stream, st);
    case 'dvojtecka':
    case 'blok':
    case 'blokVykricnik':
      return komentar(stream, st);
    case '':
      break;
    default:
      return cislo(stream, st);
  }
  const c = stream.next();
  if (c === ' ' || c === '\t') return null;
  if (CISLICE.test(c)) {
    st.m = 'cislo';
    return cislo(stream, st);
  }
  if (c === '.' || PISMENO.test(c)) {
    st.text = c;
    st.jmeno = null;
    st.m = 'slovo';
    return slovo(stream, st);
  }
  if (JMENA[c]) {
    st.jmeno = JMENA[c];
    st.m = 'jmeno';
    return jmeno(stream, st);
  }
  if (c === '"') {
    st.m = 'retezec';
    return retezec(stream, st);
  }
  if (c === ':') {
    st.m = 'dvojtecka';
    return komentar(stream, st);
  }
  if (c === STATEMENT_END) return 'punctuation';
  if (BRACES.includes(c)) {
    st.hloubka = Math.max(0, st.hloubka + (c === BRACES[0] ? 1 : -1));
    return 'brace';
  }
  if (c === '(' || c === ')') return 'paren';
  if (c === '!' || c === '<' || c === '>') {
    stream.eat('=');
    return 'operator';
  }
  if (c === '+' || c === '-') {
    if (!stream.eol() && CISLICE.test(stream.peek())) {
      stream.next();
      st.m = 'cislo';
      return cislo(stream, st);
    }
    if (c === '-') stream.eat('>');
    return 'operator';
  }
  if (OPERATORS.includes(c)) return NEPOUZITE.has(c) ? 'invalid' : 'operator';
  // Any other byte is passed over between tokens.
  return null;
}

const tokenizer = {
  name: 'moxa',
  startState: () => ({ m: '', text: '', jmeno: null, hloubka: 0, zacatek: false }),
  token,
  // An empty line is a line feed that token() does not see.
  blankLine: (st) => {
    if (st.zacatek) radek(st);
    st.zacatek = true;
  },
  // A line is indented one unit for every brace open before it, one less when it starts by
  // closing one.
  indent: (st, textAfter, cx) =>
    Math.max(0, st.hloubka - (textAfter.trimStart().startsWith(BRACES[1]) ? 1 : 0)) * cx.unit,
  languageData: {
    commentTokens: { line: '::', block: { open: ':!', close: '!:' } },
    closeBrackets: { brackets: ['(', '{', '"'] },
    indentOnInput: /^\s*\}$/,
  },
};

export const moxaLanguage = StreamLanguage.define(tokenizer);
