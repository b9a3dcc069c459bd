// The debugger as the extension starts it: the configuration F5 resolves on a .mox file
// without a launch.json (asking for the input of a program that reads), and moxa-dap
// launched with exactly that configuration, stopping at a breakpoint and printing what moxa
// prints for the same input.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { moxa, repoDir } from '../../test/agreement.mjs';

const { resolveConfiguration, findAdapter, launchArguments, readFile } =
  createRequire(import.meta.url)('../debug.js');
const adapter = process.env.MOXA_DAP ?? join(repoDir, 'build/tools/moxa-dap');

const dir = mkdtempSync(join(tmpdir(), 'moxa-debug-'));
const reads = join(dir, 'reads.mox');
writeFileSync(reads, ':: cti( in a comment\n{\n  cti(@a);\n  cti(@b);\n  pis_ln(@a + @b);\n  pis(@b);\n} .\n');
const quiet = join(dir, 'quiet.mox');
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

// A small protocol client over the adapter's pipes.
function connect(command) {
  const child = spawn(command, ['--stdio']);
  let buffer = Buffer.alloc(0);
  const messages = [];
  let waiting = null;
  child.stdout.on('data', (d) => {
    buffer = Buffer.concat([buffer, d]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) break;
      const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, end).toString())[1]);
      if (buffer.length < end + 4 + length) break;
      messages.push(JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString('utf8')));
      buffer = buffer.subarray(end + 4 + length);
    }
    if (waiting) waiting();
  });
  let seq = 1;
  const until = (pred) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no answer from the adapter')), 60000);
    const look = () => {
      const m = messages.find(pred);
      if (m) { clearTimeout(timer); waiting = null; resolve(m); } else waiting = look;
    };
    look();
  });
  return {
    child,
    messages,
    until,
    async request(command, args) {
      const s = seq++;
      const body = Buffer.from(JSON.stringify({ seq: s, type: 'request', command, arguments: args }));
      child.stdin.write(`Content-Length: ${body.length}\r\n\r\n`);
      child.stdin.write(body);
      const r = await until((m) => m.type === 'response' && m.request_seq === s);
      assert.ok(r.success, `${command}: ${r.message}`);
      return r.body;
    },
  };
}

test('the adapter launches from the resolved configuration', async () => {
  const c = await resolveConfiguration({}, environment(reads, '2 40'));
  const command = findAdapter(adapter);
  assert.ok(command, `no moxa-dap at ${adapter}`);
  const a = connect(command);
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
