// Where the extension finds moxa-lsp: a name looked up on the PATH (the first folder that has
// it as an executable file), a path taken as it is, and nothing when neither is there, so
// that the extension starts no client and keeps its grammar and run task.
import assert from 'node:assert/strict';
import { chmodSync, mkdirSync, mkdtempSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';

const { findServer } = createRequire(import.meta.url)('../server.js');
const dir = mkdtempSync(join(tmpdir(), 'moxa-server-'));

function file(path, mode) {
  mkdirSync(join(path, '..'), { recursive: true });
  writeFileSync(path, '#!/bin/sh\n');
  chmodSync(path, mode);
  return path;
}

const plain = file(join(dir, 'a/moxa-lsp'), 0o644); // not executable
const first = file(join(dir, 'b/moxa-lsp'), 0o755);
const second = file(join(dir, 'c/moxa-lsp'), 0o755);
mkdirSync(join(dir, 'd/moxa-lsp'), { recursive: true }); // a folder of that name
const other = file(join(dir, 'e/my-server'), 0o755);
const PATH = ['', join(dir, 'd'), join(dir, 'a'), join(dir, 'b'), join(dir, 'c')].join(':');

test('the server is found on the PATH or by its path, passing over what does not run', () => {
  for (const [setting, path, want] of [
    ['', PATH, first],
    [undefined, join(dir, 'c'), second],
    ['my-server', `${PATH}:${join(dir, 'e')}`, other],
    [second, '', second],
    [plain, PATH, undefined],
    ['', join(dir, 'a'), undefined],
    ['', undefined, undefined],
    [join(dir, 'none/moxa-lsp'), PATH, undefined],
  ]) {
    assert.equal(findServer(setting, path === undefined ? {} : { PATH: path }, 'linux'), want, `${setting} on ${path}`);
  }
});
