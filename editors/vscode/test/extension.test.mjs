// The extension's parts that run outside VS Code, each with what it works on: where it finds
// moxa-lsp; the language configuration's indentation, applied as VS Code applies it; the run
// task's output and the problem matcher `$moxa` on what the interpreter prints; typed input;
// and the debugger's configuration, with moxa-dap launched from it.
import assert from 'node:assert/strict';
import { chmodSync, mkdirSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { execFileSync, spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { moxa, repoDir } from '../../test/agreement.mjs';

const require = createRequire(import.meta.url);
const { findServer } = require('../server.js');
const { Annotator, LineInput } = require('../run-output.js');
const { resolveConfiguration, findAdapter, launchArguments, readFile } = require('../debug.js');
const { StreamMessageReader, StreamMessageWriter } = require('vscode-jsonrpc/node');
const work = mkdtempSync(join(tmpdir(), 'moxa-vscode-'));

// Where the extension finds moxa-lsp: a name on the PATH (the first folder that has it as an
// executable file), a path taken as it is, and nothing when neither is there, so that the
// extension starts no client and keeps its grammar and run task.
function file(path, mode) {
  mkdirSync(join(path, '..'), { recursive: true });
  writeFileSync(path, '#!/bin/sh\n');
  chmodSync(path, mode);
  return path;
}

const plain = file(join(work, 'a/moxa-lsp'), 0o644); // not executable
const first = file(join(work, 'b/moxa-lsp'), 0o755);
const second = file(join(work, 'c/moxa-lsp'), 0o755);
mkdirSync(join(work, 'd/moxa-lsp'), { recursive: true }); // a folder of that name
const other = file(join(work, 'e/my-server'), 0o755);
const PATH = ['', join(work, 'd'), join(work, 'a'), join(work, 'b'), join(work, 'c')].join(':');

test('the server is found on the PATH or by its path, passing over what does not run', () => {
  for (const [setting, path, want] of [
    ['', PATH, first],
    [undefined, join(work, 'c'), second],
    ['my-server', `${PATH}:${join(work, 'e')}`, other],
    [second, '', second],
    [plain, PATH, undefined],
    ['', join(work, 'a'), undefined],
    ['', undefined, undefined],
    [join(work, 'none/moxa-lsp'), PATH, undefined],
  ]) {
    assert.equal(findServer(setting, path === undefined ? {} : { PATH: path }, 'linux'), want, `${setting} on ${path}`);
  }
});

const config = JSON.parse(readFileSync(new URL('../language-configuration.json', import.meta.url), 'utf8'));
const rules = config.onEnterRules.map((r) => ({
  before: new RegExp(r.beforeText),
  after: r.afterText ? new RegExp(r.afterText) : null,
  indent: r.action.indent,
}));

test('Enter indents after an opening brace, and a closing brace goes back one level', () => {
  // What Enter does between `before` and `after`: the first rule that applies, as VS Code picks.
  const enter = (before, after = '') =>
    rules.find((x) => x.before.test(before) && (!x.after || x.after.test(after)))?.indent ?? 'none';
  for (const [before, after, want] of [
    ['{', '', 'indent'],
    ['  w2 (@i < 3) {   ', '', 'indent'],
    ['{', '}', 'indentOutdent'],
    ['  } e2 {', '} i2_end;', 'indentOutdent'],
    // A block closed on its own line, a statement, or a brace inside a text: no new level.
    ['{ pis(1); }', '', 'none'],
    ['  pis_ln(@x);', '', 'none'],
    ['  pis("{");', '', 'none'],
  ]) {
    assert.equal(enter(before, after), want, before);
  }
  const { increaseIndentPattern: inc, decreaseIndentPattern: dec } = config.indentationRules;
  const matches = (p, lines) => lines.map((l) => new RegExp(p).test(l));
  assert.deepEqual(matches(dec, ['  } i2_end;', '}', '  pis(1);']), [true, true, false]);
  assert.deepEqual(matches(inc, ['  i2 (1) {', '  i2 (1) { pis(1); } i2_end;']), [true, false]);
});

const manifest = JSON.parse(readFileSync(new URL('../package.json', import.meta.url), 'utf8'));
const matcher = manifest.contributes.problemMatchers.find((m) => m.name === 'moxa');

// Runs a program and shows its output as the task's terminal does, fed in small chunks.
function run(program, input = '', file = join(work, 'prog.mox')) {
  writeFileSync(file, program);
  const raw = execFileSync(moxa, [file], { input, encoding: 'latin1' });
  const a = new Annotator(file);
  let shown = '';
  for (let i = 0; i < raw.length; i += 7) shown += a.push(raw.slice(i, i + 7));
  return { file, raw, shown };
}

// The problems VS Code's matcher finds in the terminal's lines.
function problems(shown) {
  const lines = shown.split('\r\n');
  const found = [];
  for (let i = 0; i + matcher.pattern.length <= lines.length; i++) {
    const data = {};
    const ok = matcher.pattern.every((p, k) => {
      const m = new RegExp(p.regexp).exec(lines[i + k]);
      if (!m) return false;
      for (const key of ['file', 'line', 'message', 'code']) if (p[key] !== undefined) data[key] = m[p[key]];
      return true;
    });
    if (ok) found.push({ ...data, line: Number(data.line) });
  }
  return found;
}

// The terminal shows the interpreter's bytes, line ends as CR LF, plus the pointer lines.
function withoutPointers(shown) {
  return shown.replace(/  --> .*\r\n/g, '').replace(/\r\n/g, '\n');
}

test('a run without errors passes through unchanged and has no problems', () => {
  const r = run('{\n  cti(@a);\n  pis_ln("Ahoj " + @a);\n} .\n', 'Evo\n');
  assert.equal(r.shown, r.raw.replace(/\n/g, '\r\n'));
  assert.match(r.raw, /Ahoj Evo\n/);
  assert.deepEqual(problems(r.shown), []);
});

test('each error becomes a problem on the quoted line of its file, after output or not', () => {
  const spaced = join(mkdtempSync(join(tmpdir(), 'moxa vs: code ')), 'muj program.mox');
  for (const [program, line, message, code, file] of [
    // The '{' that stands where ')' belongs is followed by a blank, so line 3 is quoted.
    ['{\n  pis_ln("a");\n  w2 (1 { pis(1); } w2_end;\n} .\n', 3,
      'byl ocekavan znak: ")", namisto toho se vyskytl tento znak: "{".', 'While'],
    // pis leaves the line open: the message follows the program's output on it.
    ['{\n  pis("vysledek: ");\n  pis(2 - "x");\n} .\n', 3, 'nejedna se o cislo.', 'Vnitrni_aritmeticky_vyraz'],
    // A path with blanks and a colon is kept whole.
    ['{\n\n  @x -> ; pis(1);\n} .\n', 3, undefined, undefined, spaced],
  ]) {
    const r = run(program, '', file);
    assert.equal(withoutPointers(r.shown), r.raw);
    const [p, ...more] = problems(r.shown);
    assert.deepEqual(more, [], r.raw);
    assert.deepEqual([p.file, p.line], [r.file, line]);
    if (message) assert.deepEqual([p.message, p.code], [message, code]);
  }
});

test('typed input reaches the program a line at a time, with Backspace and Ctrl-D', () => {
  const input = new LineInput();
  const steps = [
    // Keys arrive in chunks; nothing is sent before Enter.
    ['Evx', { echo: 'Evx', send: '', ended: false }],
    ['\x7fa\r', { echo: '\b \ba\r\n', send: 'Eva\n', ended: false }],
    ['\x7f', { echo: '', send: '', ended: false }], // nothing left to take back
    ['3\x04rest', { echo: '3', send: '3', ended: true }],
  ];
  let sent = '';
  for (const [keys, want] of steps) {
    const got = input.type(keys);
    assert.deepEqual(got, want, JSON.stringify(keys));
    sent += got.send;
  }
  // What was sent is what the program reads.
  assert.match(run('{\n  cti(@a);\n  cti(@b);\n  pis_ln(@a + "|" + @b);\n} .\n', sent).raw, /\nEva\|3\n/);
});

// The debugger as the extension starts it: the configuration F5 resolves on a .mox file
// without a launch.json (asking for the input of a program that reads), and moxa-dap
// launched with exactly that configuration.
const adapter = process.env.MOXA_DAP ?? join(repoDir, 'build/tools/moxa-dap');
const reads = join(work, 'reads.mox');
writeFileSync(reads, ':: cti( in a comment\n{\n  cti(@a);\n  cti(@b);\n  pis_ln(@a + @b);\n  pis(@b);\n} .\n');
const quiet = join(work, 'quiet.mox');
writeFileSync(quiet, '{\n  pis("cti(@x)");\n} .\n');

function environment(activeFile, answer) {
  const env = { activeFile, readFile, asked: [], errors: [] };
  env.askInput = async (program) => { env.asked.push(program); return answer; };
  env.showError = (text) => env.errors.push(text);
  return env;
}

test('F5 without launch.json debugs the file in the editor, asking for input it reads', async () => {
  const given = { type: 'moxa', request: 'launch', name: 'n', program: reads, inputFile: 'in.txt' };
  const reading = { type: 'moxa', request: 'launch', name: 'Debug the current file', program: reads, input: '2 40' };
  // [the file in the editor, the answer to the prompt, the configuration given, what F5 starts, files asked about]
  for (const [file, answer, config, want, asked] of [
    [reads, '2 40', {}, reading, [reads]],
    [quiet, 'never', {}, { ...reading, program: quiet, input: undefined }, []], // a cti inside a text
    [reads, undefined, {}, undefined, [reads]], // the prompt cancelled
    [undefined, '', {}, undefined, []],
    [quiet, 'x', given, given, []],
  ]) {
    const env = environment(file, answer);
    const c = await resolveConfiguration(config, env);
    assert.deepEqual(c && { ...c, input: c.input }, want && { ...want, input: want.input }, `${file} ${answer}`);
    assert.deepEqual(env.asked, asked);
    if (!file) assert.match(env.errors[0], /open a \.mox file/);
  }
});

// A protocol client over the adapter's pipes, framed by the language client's own library.
function connect(command) {
  const child = spawn(command, ['--stdio']);
  const writer = new StreamMessageWriter(child.stdin);
  const messages = [];
  new StreamMessageReader(child.stdout).listen((m) => messages.push(m));
  // The first message `pred` takes, looked for until it comes or a minute has gone by.
  const until = async (pred) => {
    for (let i = 0; i < 6000; i++) {
      const m = messages.find(pred);
      if (m) return m;
      await new Promise((r) => setTimeout(r, 10));
    }
    child.kill();
    throw new Error('no answer from the adapter');
  };
  let seq = 1;
  return {
    child,
    messages,
    until,
    async request(command, args) {
      const s = seq++;
      await writer.write({ seq: s, type: 'request', command, arguments: args });
      const r = await until((m) => m.type === 'response' && m.request_seq === s);
      assert.ok(r.success, `${command}: ${r.message}`);
      return r.body;
    },
  };
}

test('the adapter launches from the resolved configuration', async (t) => {
  const c = await resolveConfiguration({}, environment(reads, '2 40'));
  const command = findAdapter(adapter);
  assert.ok(command, `no moxa-dap at ${adapter}`);
  const a = connect(command);
  t.after(() => a.child.kill());
  const caps = await a.request('initialize', { adapterID: 'moxa', linesStartAt1: true });
  assert.equal(caps.supportsStepBack, true);
  await a.request('launch', launchArguments(c));
  const bps = await a.request('setBreakpoints', { source: { path: reads }, breakpoints: [{ line: 5 }] });
  assert.deepEqual(bps.breakpoints.map((b) => [b.verified, b.line]), [[true, 5]]);
  await a.request('configurationDone', {});
  await a.until((m) => m.event === 'stopped');
  const vars = await a.request('variables', { variablesReference: 1 });
  assert.deepEqual(vars.variables.map((v) => [v.name, v.value]), [['@a', '2'], ['@b', '40']]);
  await a.request('continue', { threadId: 1 });
  await a.until((m) => m.event === 'terminated');
  const printed = a.messages.filter((m) => m.event === 'output' && m.body.category === 'stdout')
    .map((m) => m.body.output).join('');
  const want = execFileSync(moxa, [reads], { input: '2 40', encoding: 'latin1' });
  assert.equal(printed, want);
  await a.request('disconnect', {});
  a.child.stdin.end();
});
