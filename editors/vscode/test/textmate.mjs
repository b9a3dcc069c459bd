// Shared by the tests: the repository's layout, the interpreter's tools, and the grammar
// loaded into vscode-textmate the way VS Code loads it.
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import oniguruma from 'vscode-oniguruma';
import textmate from 'vscode-textmate';

const require = createRequire(import.meta.url);
export const extensionDir = resolve(dirname(fileURLToPath(import.meta.url)), '..');
export const repoDir = resolve(extensionDir, '../..');

// The interpreter and its token lister: from MOXA and MOXA_TOKENS, else the release build.
export const moxa = process.env.MOXA ?? join(repoDir, 'build/moxa');
export const moxaTokens = process.env.MOXA_TOKENS ?? join(repoDir, 'build/tools/moxa_tokens');

export function scannerTokens(file) {
  return JSON.parse(execFileSync(moxaTokens, [file], { encoding: 'latin1' }));
}

export function words() {
  return JSON.parse(execFileSync(moxaTokens, ['--words'], { encoding: 'latin1' }));
}

// Every .mox file under the given folders of the repository, sorted.
export function programs(...folders) {
  const out = [];
  const walk = (dir) => {
    for (const e of readdirSync(dir, { withFileTypes: true })) {
      const p = join(dir, e.name);
      if (e.isDirectory()) walk(p);
      else if (e.name.endsWith('.mox')) out.push(p);
    }
  };
  for (const f of folders) walk(join(repoDir, f));
  return out.sort();
}

let registryPromise;
export function loadGrammar() {
  registryPromise ??= (async () => {
    const wasm = readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer;
    await oniguruma.loadWASM(wasm);
    const registry = new textmate.Registry({
      onigLib: Promise.resolve({
        createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
        createOnigString: (s) => new oniguruma.OnigString(s),
      }),
      loadGrammar: async (scopeName) => {
        if (scopeName !== 'source.moxa') return null;
        const path = join(extensionDir, 'syntaxes/moxa.tmLanguage.json');
        return textmate.parseRawGrammar(readFileSync(path, 'utf8'), path);
      },
    });
    return registry.loadGrammar('source.moxa');
  })();
  return registryPromise;
}

// Highlights a source given as bytes (each byte one character, as Latin-1 decodes it).
// Returns, per byte offset, the scope stack the grammar gives it (null for line feeds), and
// the set of offsets where a grammar token starts.
export async function highlight(bytes) {
  const grammar = await loadGrammar();
  const text = bytes.toString('latin1');
  const scopes = new Array(text.length).fill(null);
  const starts = new Set();
  let state = textmate.INITIAL;
  let offset = 0;
  for (const line of text.split('\n')) {
    const r = grammar.tokenizeLine(line, state);
    for (const t of r.tokens) {
      starts.add(offset + t.startIndex);
      for (let i = t.startIndex; i < Math.min(t.endIndex, line.length); i++) {
        scopes[offset + i] = t.scopes;
      }
    }
    state = r.ruleStack;
    offset += line.length + 1;
  }
  return { text, scopes, starts };
}
