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

test('the default name is found on the PATH, passing over folders and files that do not run', () => {
  assert.equal(findServer('', { PATH }, 'linux'), first);
  assert.equal(findServer(undefined, { PATH: join(dir, 'c') }, 'linux'), second);
});

test('a setting names another command or a file', () => {
  assert.equal(findServer('my-server', { PATH: `${PATH}:${join(dir, 'e')}` }, 'linux'), other);
  assert.equal(findServer(second, { PATH: '' }, 'linux'), second);
  assert.equal(findServer(plain, { PATH }, 'linux'), undefined);
});

test('without the server nothing is found', () => {
  assert.equal(findServer('', { PATH: join(dir, 'a') }, 'linux'), undefined);
  assert.equal(findServer('', {}, 'linux'), undefined);
  assert.equal(findServer(join(dir, 'none/moxa-lsp'), { PATH }, 'linux'), undefined);
});
