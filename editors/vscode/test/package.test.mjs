// The extension packs into a .vsix with @vscode/vsce: the manifest's contributions with every
// file they name, the language client with what it needs at run time, and no build tools.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const extensionDir = fileURLToPath(new URL('..', import.meta.url));

// Name -> text of every file in a zip archive (python3's zipfile reads it).
function unzip(file) {
  const py = 'import json,sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\nprint(json.dumps({n: z.read(n).decode("latin1") for n in z.namelist()}))';
  return JSON.parse(execFileSync('python3', ['-c', py, file], { encoding: 'latin1', maxBuffer: 1 << 26 }));
}

test('the .vsix holds the language, the grammar, the run task and the problem matcher', () => {
  const vsix = join(mkdtempSync(join(tmpdir(), 'moxa-vsix-')), 'moxa.vsix');
  execFileSync('npx', ['--no-install', 'vsce', 'package', '--skip-license',
    '--allow-missing-repository', '--out', vsix], { cwd: extensionDir, stdio: 'pipe' });
  const files = unzip(vsix);
  const names = Object.keys(files);
  assert.ok(!names.some((n) => n.startsWith('extension/test/')), names.join(' '));
  const lock = JSON.parse(readFileSync(join(extensionDir, 'package-lock.json'), 'utf8'));
  const devOnly = Object.entries(lock.packages).filter(([p, v]) => p && v.dev).map(([p]) => p);
  assert.ok(devOnly.length > 0);
  const packed = devOnly.filter((p) => names.some((n) => n.startsWith(`extension/${p}/`)));
  assert.deepEqual(packed, [], 'build tools packed');

  // Unpacked, the extension finds the language client and its protocol from its own folder.
  const unpacked = mkdtempSync(join(tmpdir(), 'moxa-vsix-x-'));
  for (const [n, text] of Object.entries(files)) {
    mkdirSync(dirname(join(unpacked, n)), { recursive: true });
    writeFileSync(join(unpacked, n), text, 'latin1');
  }
  const resolve = "const m=require('module').createRequire(process.argv[1]+'/');" +
    "for (const x of ['vscode-languageclient/node','vscode-languageserver-protocol','vscode-jsonrpc/node']) m.resolve(x);";
  execFileSync(process.execPath, ['-e', resolve, join(unpacked, 'extension')], { stdio: 'pipe' });

  // What the manifest contributes for moxa files, and every file it names, packed.
  const manifest = JSON.parse(files['extension/package.json']);
  const inside = (p) => files[`extension/${p.replace(/^\.\//, '')}`];
  const c = manifest.contributes;
  const lang = c.languages.find((l) => l.id === 'moxa');
  assert.deepEqual(lang.extensions, ['.mox']);
  assert.deepEqual(JSON.parse(inside(lang.configuration)).comments, { lineComment: '::', blockComment: [':!', '!:'] });
  const g = c.grammars.find((x) => x.language === 'moxa');
  assert.equal(JSON.parse(inside(g.path)).scopeName, g.scopeName);
  assert.ok(inside(manifest.main) && inside('debug.js'));
  assert.ok(c.commands.some((x) => x.command === 'moxa.run'));
  assert.ok(c.taskDefinitions.some((t) => t.type === 'moxa' && t.required.includes('file')));
  assert.ok(c.problemMatchers.some((m) => m.name === 'moxa'));
  const d = c.debuggers.find((x) => x.type === 'moxa');
  assert.deepEqual([d.languages, d.configurationAttributes.launch.required], [['moxa'], ['program']]);
  assert.ok(c.breakpoints.some((b) => b.language === 'moxa'));
  assert.ok(manifest.activationEvents.includes('onDebugResolve:moxa'));
});
