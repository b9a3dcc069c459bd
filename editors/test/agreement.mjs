// What every highlighter test shares: where the interpreter's tools are, the programs to
// check, and the comparison of a highlighting with the tokens of the interpreter's scanner.
import { execFileSync } from 'node:child_process';
import { readdirSync } from 'node:fs';
import assert from 'node:assert/strict';
import { dirname, join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

export const repoDir = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

// The interpreter and its token lister: from MOXA and MOXA_TOKENS, else the release build.
export const moxa = process.env.MOXA ?? join(repoDir, 'build/moxa');
export const moxaTokens = process.env.MOXA_TOKENS ?? join(repoDir, 'build/tools/moxa_tokens');

// The listing of a long program runs to megabytes (a token's place takes about 80 bytes).
export function scannerTokens(file) {
  return JSON.parse(
    execFileSync(moxaTokens, [file], { encoding: 'latin1', maxBuffer: 256 * 1024 * 1024 }),
  );
}

export function words() {
  return JSON.parse(execFileSync(moxaTokens, ['--words'], { encoding: 'latin1' }));
}

// Every .mox file under the given folders of the repository, sorted.
export const programs = (...folders) => folders.flatMap((f) => readdirSync(resolve(repoDir, f), { recursive: true })
  .filter((p) => p.endsWith('.mox')).map((p) => resolve(repoDir, f, p))).sort();

// The class of a scanner token, by its kind and text: what a highlighter must show.
const KINDS = { 0: 'number', 1: 'string', 4: 'semicolon', 6: 'brace', 8: 'assignment', 10: 'variable', 11: 'call', 12: 'declaration' };
export function tokenClass(tok, w) {
  if (tok.kind === 5) return w.keywords.includes(tok.text) ? 'keyword' : tok.text === w.end ? 'end' : 'word';
  if (tok.kind !== 9) return KINDS[tok.kind] ?? `kind ${tok.kind}`;
  if (tok.text === '(' || tok.text === ')') return 'paren';
  return tok.text === '^' || tok.text === '_' ? 'unused-operator' : 'operator';
}

// Where an offset is, as line:column (both from 1), for the listing.
function place(text, offset) {
  const before = text.slice(0, offset);
  return `${before.split('\n').length}:${offset - before.lastIndexOf('\n')}`;
}

const show = (c) => JSON.stringify(c);

// All disagreements between a highlighting and the scanner's tokens (`scan`, moxa_tokens's
// output) on one source: `text` one character per byte, `names` the highlighter's outermost
// name per byte ('' for none), `starts` where it starts tokens (null: not checked), `want` the
// name each class must have, `comment(name)` whether a name is a comment's. Each byte of a token must carry its class's name, each token must start a highlighter token,
// comments must be comments, and bytes dropped between tokens must carry no name. Bytes of a
// token or comment cut off by the end of input are not checked: a highlighter cannot know
// where the file ends.
export function disagreements({ text, names, starts }, scan, w, want, comment) {
  const owner = new Array(text.length).fill(null);
  for (const t of scan.tokens) for (let i = t.start; i < t.end; i++) owner[i] = t;
  for (const [a, b] of scan.comments) for (let i = a; i < b; i++) owner[i] = 'comment';
  if (scan.unfinished) for (let i = scan.unfinished[0]; i < scan.unfinished[1]; i++) owner[i] = 'unfinished';
  const out = [];
  const report = (i, what) => out.push(`${place(text, i)} ${show(text[i])}: ${what}`);
  if (starts) {
    for (const t of scan.tokens) {
      if (!starts.has(t.start)) report(t.start, `token ${show(t.text)} does not start a token`);
    }
  }
  for (let i = 0; i < text.length; i++) {
    if (text[i] === '\n' || owner[i] === 'unfinished') continue;
    const got = names[i] || '(none)';
    if (owner[i] === 'comment') {
      if (!comment(names[i])) report(i, `comment shown as ${got}`);
    } else if (owner[i] === null) {
      if (names[i]) report(i, `dropped byte shown as ${got}`);
    } else {
      const expected = want[tokenClass(owner[i], w)];
      if (got !== expected) {
        report(i, `in ${show(owner[i].text)} (kind ${owner[i].kind}) want ${expected}, got ${got}`);
      }
    }
  }
  return out;
}

// The programs every highlighter is held to: the golden programs, the examples and the
// scanner's hard cases.
export const agreementFiles = () => [...programs('tests/golden', 'examples'), join(repoDir, 'editors/test/lexer_edges.mox')];

// Asserts that `highlight(file)` (awaited; as `disagreements` takes it) agrees with the scanner
// on each of `files` but for the disagreements `drop` leaves out, listing every one that does
// not; returns how many bytes took the one disagreement a highlighter that colours a line
// before it reads the next cannot help, when it is `pisX`-tolerant: a word that breaks its
// line after a keyword's '_' (`pis_` then `x`, in the hard cases) coloured as the keyword.
export async function assertAgreement(files, highlight, want, comment, { pisX = false, drop = () => false } = {}) {
  assert.ok(files.length > 100, `only ${files.length} programs found`);
  const w = words();
  const known = (d) => /^1[67]:\d+ /.test(d) && d.endsWith(`: in "pis_x" (kind 5) want ${want.word}, got ${want.keyword}`);
  const failures = [];
  let seen = 0;
  for (const f of files) {
    const d = disagreements(await highlight(f), scannerTokens(f), w, want, comment).filter((x) => !drop(x));
    const other = pisX && f.endsWith('lexer_edges.mox') ? d.filter((x) => !known(x)) : d;
    seen += d.length - other.length;
    if (other.length) failures.push(`${relative(repoDir, f)}:\n  ${other.slice(0, 10).join('\n  ')}`);
  }
  assert.equal(failures.length, 0, `${failures.length} of ${files.length} programs disagree:\n${failures.join('\n')}`);
  return seen;
}
