// The extension packs into a .vsix with @vscode/vsce, and the packed manifest offers what VS
// Code needs: the language for *.mox with its configuration, the grammar, the run command,
// the task type and the problem matcher, every file it names inside the package, and the
// language client with what it needs at run time, and none of the tools that build it.
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

  const manifest = JSON.parse(files['extension/package.json']);
  const inside = (p) => `extension/${p.replace(/^\.\//, '')}`;
  const c = manifest.contributes;

  const lang = c.languages.find((l) => l.id === 'moxa');
  assert.deepEqual(lang.extensions, ['.mox']);
  const config = JSON.parse(files[inside(lang.configuration)]);
  assert.equal(config.comments.lineComment, '::');
  assert.deepEqual(config.comments.blockComment, [':!', '!:']);

  const g = c.grammars.find((x) => x.language === 'moxa');
  assert.equal(g.scopeName, 'source.moxa');
  assert.equal(JSON.parse(files[inside(g.path)]).scopeName, 'source.moxa');

  assert.ok(files[inside(manifest.main)].includes("registerCommand('moxa.run'"));
  assert.ok(files[inside(manifest.main)].includes("require('vscode-languageclient/node')"));
  assert.equal(manifest.contributes.configuration.properties['moxa.languageServer'].type, 'string');
  assert.ok(c.commands.some((x) => x.command === 'moxa.run'));
  assert.ok(c.taskDefinitions.some((t) => t.type === 'moxa' && t.required.includes('file')));
  assert.ok(c.problemMatchers.some((m) => m.name === 'moxa'));
  assert.ok(files['extension.vsixmanifest'].includes('Id="moxa"'));

  // The debugger: its type for moxa files, its launch attributes, a configuration for F5,
  // breakpoints in moxa files, and the code that starts moxa-dap packed with it.
  const d = c.debuggers.find((x) => x.type === 'moxa');
  assert.deepEqual(d.languages, ['moxa']);
  assert.deepEqual(d.configurationAttributes.launch.required, ['program']);
  for (const k of ['program', 'input', 'inputFile', 'stopOnEntry', 'maxSteps', 'maxTime', 'maxOutput', 'maxMemory'])
    assert.ok(d.configurationAttributes.launch.properties[k], k);
  assert.equal(d.initialConfigurations[0].program, '${file}');
  assert.ok(d.configurationSnippets.some((x) => x.body.input === '^"\\${command:moxa.askInput}"'));
  assert.ok(d.configurationSnippets.some((x) => 'inputFile' in x.body));
  assert.ok(c.breakpoints.some((b) => b.language === 'moxa'));
  assert.ok(manifest.activationEvents.includes('onDebugResolve:moxa'));
  assert.ok(files[inside(manifest.main)].includes("registerDebugAdapterDescriptorFactory('moxa'"));
  assert.ok(files['extension/debug.js'].includes('resolveConfiguration'));
});
