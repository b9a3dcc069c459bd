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

function diagnostics(program) {
  const file = join(work, 'prog.mox');
  writeFileSync(file, program);
  const out = join(work, 'out.json');
  execFileSync('nvim', ['--headless', '-n', '-i', 'NONE', '-u', join(here, 'diagnostic.lua'), file], {
    cwd: work,
    env: { ...process.env, MOXA_LSP: lsp, OUT: out },
    stdio: ['ignore', 'pipe', 'pipe'],
    timeout: 60000,
  });
  return JSON.parse(readFileSync(out, 'utf8'));
}

test('a missing ; is marked at the token where it is noticed, not on the line the run quotes', () => {
  // The ';' missing after "@a -> 1" is noticed at "}" on line 3 (2 from 0); the run's
  // message quotes line 4, which its reading had reached.
  const r = diagnostics('{\n  @a -> 1\n  }\n\n.\n');
  assert.equal(r.filetype, 'moxa');
  const errors = r.diagnostics.filter((d) => d.severity === 1);
  assert.equal(errors.length, 1, JSON.stringify(r.diagnostics));
  assert.deepEqual([errors[0].lnum, errors[0].col, errors[0].end_col], [2, 2, 3]);
  assert.match(errors[0].message, /^V bloku: 'Vnitrni_blok', na radku: 4 /);
});

test('a dropped capital is a warning at that capital', () => {
  const r = diagnostics('{\n  @Vysledek -> 1;\n  pis(@ysledek);\n} .\n');
  const warnings = r.diagnostics.filter((d) => d.severity === 2);
  assert.ok(warnings.some((d) => d.lnum === 1 && d.col === 3), JSON.stringify(r.diagnostics));
  assert.ok(!r.diagnostics.some((d) => d.severity === 1));
});
