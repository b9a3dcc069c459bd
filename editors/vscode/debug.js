// The moxa debugger in VS Code: which launch configuration F5 runs, and how the debug
// adapter moxa-dap is started for it. Kept free of the `vscode` module, so that a test can
// resolve a configuration and start the adapter with it outside VS Code.
'use strict';

const fs = require('fs');
const { findServer } = require('./server');

// What F5 runs on a .mox file when there is no launch.json.
function defaultConfiguration(file) {
  return { type: 'moxa', request: 'launch', name: 'Debug the current file', program: file };
}

// Whether a program reads input: a `cti` outside comments and texts is enough of a sign
// to ask for it (asking once too often costs a keypress).
function readsInput(text) {
  const plain = text
    .replace(/"(?:\/[\s\S]|[^"/])*"?/g, '""')
    .replace(/:![\s\S]*?(?:!:|$)/g, ' ')
    .replace(/::[^\n]*/g, ' ');
  return /\bcti\s*\(/.test(plain);
}

// Completes a launch configuration: an empty one (F5 without launch.json) debugs the file
// being edited; a program that reads input and is given none asks for it. `env` supplies
// activeFile (the path of the .mox file in the editor, or undefined), readFile(path), and
// askInput(program) (a promise of the text, undefined when cancelled), and showError(text).
// Resolves to the configuration, or undefined when the debugging is called off.
async function resolveConfiguration(config, env) {
  let c = { ...config };
  if (!c.type && !c.request && !c.name) {
    if (!env.activeFile) {
      env.showError('moxa: open a .mox file to debug it.');
      return undefined;
    }
    c = { ...defaultConfiguration(env.activeFile), ...c };
  }
  if (!c.program) {
    env.showError('moxa: the launch configuration names no "program".');
    return undefined;
  }
  if (c.input === undefined && !c.inputFile) {
    let text = '';
    try {
      text = env.readFile(c.program);
    } catch {
      return c; // the adapter reports a program it cannot read
    }
    if (readsInput(text)) {
      const input = await env.askInput(c.program);
      if (input === undefined) return undefined;
      c.input = input;
    }
  }
  return c;
}

// The adapter's command: the setting moxa.debugger, else moxa-dap on the PATH.
function findAdapter(setting, environment = process.env, platform = process.platform) {
  return findServer(setting || 'moxa-dap', environment, platform);
}

// The arguments of the protocol's launch request for a resolved configuration.
function launchArguments(c) {
  const keys = ['program', 'input', 'inputFile', 'stopOnEntry', 'maxSteps', 'maxTime', 'maxOutput',
    'maxMemory'];
  return Object.fromEntries(keys.filter((k) => c[k] !== undefined).map((k) => [k, c[k]]));
}

function readFile(file) {
  return fs.readFileSync(file, 'latin1');
}

module.exports = { defaultConfiguration, readsInput, resolveConfiguration, findAdapter,
  launchArguments, readFile };
