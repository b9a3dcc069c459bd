// Neovim with the documented setup: a .mox file with an error opened headless gets the
// checker's diagnostic from moxa-lsp on the line and column of the token it is about.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { repoDir } from '../../test/agreement.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const lsp = process.env.MOXA_LSP ?? join(repoDir, 'build/tools/moxa-lsp');
const work = mkdtempSync(join(tmpdir(), 'moxa-nvim-'));

// The diagnostics Neovim shows for `program`: set up by diagnostic.lua, or by what `start`
// gives (the options before the file, and the environment).
function diagnostics(program, start = { args: ['-u', join(here, 'diagnostic.lua')], env: process.env }) {
  const file = join(work, 'prog.mox');
  writeFileSync(file, program);
  const out = join(work, 'out.json');
  execFileSync('nvim', ['--headless', '-n', '-i', 'NONE', ...start.args, file], {
    cwd: work,
    env: { ...start.env, MOXA_LSP: lsp, OUT: out },
    stdio: ['ignore', 'pipe', 'pipe'],
    timeout: 60000,
  });
  return JSON.parse(readFileSync(out, 'utf8'));
}

test("the README's setup, run as written in a fresh home, attaches moxa-lsp on the PATH", () => {
  const readme = readFileSync(join(repoDir, 'README.md'), 'utf8');
  const setup = readme.match(/```sh\n(mkdir -p ~\/\.local\/share\/nvim[^`]*)```/);
  assert.ok(setup, "the README's Neovim setup");
  const env = { ...process.env, HOME: mkdtempSync(join(tmpdir(), 'moxa-nvim-home-')) };
  env.PATH = `${dirname(lsp)}:${env.PATH}`;
  for (const xdg of ['XDG_CONFIG_HOME', 'XDG_DATA_HOME', 'XDG_STATE_HOME', 'XDG_CACHE_HOME']) delete env[xdg];
  execFileSync('bash', ['-e', '-c', setup[1]], { cwd: repoDir, env, stdio: ['ignore', 'pipe', 'pipe'] });
  const start = (more = {}) => ({ args: ['--cmd', `luafile ${join(here, 'dump.lua')}`], env: { ...env, ...more } });
  // The ';' missing after "@a -> 1" is noticed by a run at "}" on line 3 (2 from 0), whose
  // message quotes line 4: the checker marks the 1 on line 2, the end of the statement.
  const r = diagnostics('{\n  @a -> 1\n  }\n\n.\n', start());
  assert.equal(r.filetype, 'moxa');
  const errors = r.diagnostics.filter((d) => d.severity === 1);
  assert.deepEqual(errors.map((d) => [d.lnum, d.col, d.end_col]), [[1, 8, 9]], JSON.stringify(r.diagnostics));
  assert.match(errors[0].message, /`;`/);
  // K on a keyword shows what moxa-lsp says about it, not a man page.
  const k = diagnostics('{\n  pis_ln(@a);\n  @b -> 1\n}\n.\n', start({ HOVER: '2,3' }));
  assert.match(k.hover ?? '', /pis_ln/, JSON.stringify(k));
});

test('with the server named in the setup, a dropped capital is a warning at that capital', () => {
  const r = diagnostics('{\n  @Vysledek -> 1;\n  pis(@ysledek);\n} .\n');
  const warnings = r.diagnostics.filter((d) => d.severity === 2);
  assert.ok(warnings.some((d) => d.lnum === 1 && d.col === 3), JSON.stringify(r.diagnostics));
  assert.ok(!r.diagnostics.some((d) => d.severity === 1));
});
