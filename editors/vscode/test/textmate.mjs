// The grammar loaded into vscode-textmate the way VS Code loads it.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import oniguruma from 'vscode-oniguruma';
import textmate from 'vscode-textmate';

const require = createRequire(import.meta.url);
export const extensionDir = resolve(dirname(fileURLToPath(import.meta.url)), '..');

const grammar = (async () => {
  await oniguruma.loadWASM(readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer);
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

// Highlights a source given as bytes (each byte one character, as Latin-1 decodes it).
// Returns the text, per byte offset the outermost scope under source.moxa ('' for none), and
// the set of offsets where a grammar token starts.
export async function highlight(bytes) {
  const g = await grammar;
  const text = bytes.toString('latin1');
  const names = new Array(text.length).fill('');
  const starts = new Set();
  let state = textmate.INITIAL;
  let offset = 0;
  for (const line of text.split('\n')) {
    const r = g.tokenizeLine(line, state);
    for (const t of r.tokens) {
      starts.add(offset + t.startIndex);
      for (let i = t.startIndex; i < Math.min(t.endIndex, line.length); i++) {
        names[offset + i] = t.scopes[1] ?? '';
      }
    }
    state = r.ruleStack;
    offset += line.length + 1;
  }
  return { text, names, starts };
}
