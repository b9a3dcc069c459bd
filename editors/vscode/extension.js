// moxa in VS Code: the task type "moxa" runs a program with the interpreter in a terminal
// (the program's `cti` reads what is typed there), and the command "moxa: Run File" runs the
// file being edited. Errors reach the Problems view through the problem matcher `$moxa`.
// Where moxa-lsp is installed (on the PATH, or named by the setting moxa.languageServer), it
// is started for moxa files: the checker's errors and warnings while typing, at the token
// each is about, and its colours, outline, definitions, hover, completion and formatting.
// The debugger `moxa` starts moxa-dap: F5 on a moxa file debugs it, asking for the input
// that its `cti` reads unless a launch configuration gives it.
'use strict';

const vscode = require('vscode');
const { spawn } = require('child_process');
const path = require('path');
const { Annotator, LineInput } = require('./run-output');
const { findServer } = require('./server');
const { findAdapter, readFile, resolveConfiguration } = require('./debug');

let client;

// Starts moxa-lsp when it is there; without it the extension works as before.
function startServer() {
  const setting = vscode.workspace.getConfiguration('moxa').get('languageServer');
  const command = findServer(setting);
  if (!command) {
    if (setting) vscode.window.showWarningMessage(`moxa: the language server ${setting} is not found.`);
    return;
  }
  const { LanguageClient } = require('vscode-languageclient/node');
  client = new LanguageClient(
    'moxa',
    'moxa',
    { command, args: ['--stdio'] },
    { documentSelector: [{ language: 'moxa' }] },
  );
  client.start().catch((e) => vscode.window.showWarningMessage(`moxa: ${command}: ${e.message}`));
}

// A pseudo-terminal that runs one program and shows its output.
class RunTerminal {
  constructor(interpreter, file) {
    this.interpreter = interpreter;
    this.file = file;
    this.writeEmitter = new vscode.EventEmitter();
    this.closeEmitter = new vscode.EventEmitter();
    this.onDidWrite = this.writeEmitter.event;
    this.onDidClose = this.closeEmitter.event;
  }

  open() {
    const annotator = new Annotator(this.file);
    this.child = spawn(this.interpreter, [this.file], { cwd: path.dirname(this.file) });
    this.child.stdout.setEncoding('latin1');
    this.child.stdout.on('data', (d) => this.writeEmitter.fire(annotator.push(d)));
    this.child.stderr.setEncoding('latin1');
    this.child.stderr.on('data', (d) => this.writeEmitter.fire(d.replace(/\n/g, '\r\n')));
    this.child.on('error', (e) => {
      this.writeEmitter.fire(`moxa: cannot run ${this.interpreter}: ${e.message}\r\n`);
      this.closeEmitter.fire(1);
    });
    this.child.on('close', (code) => this.closeEmitter.fire(code ?? 1));
  }

  // What is typed goes to the program a line at a time, echoed as it is typed.
  handleInput(data) {
    if (!this.child || !this.child.stdin.writable) return;
    this.input ??= new LineInput();
    const { echo, send, ended } = this.input.type(data);
    if (echo) this.writeEmitter.fire(echo);
    if (send) this.child.stdin.write(send, 'latin1');
    if (ended) this.child.stdin.end();
  }

  close() {
    if (this.child && this.child.exitCode === null) this.child.kill();
  }
}

function runTask(file) {
  const interpreter = vscode.workspace.getConfiguration('moxa').get('interpreter') || 'moxa';
  const definition = { type: 'moxa', file };
  const scope = vscode.workspace.getWorkspaceFolder(vscode.Uri.file(file)) ?? vscode.TaskScope.Global;
  const execution = new vscode.CustomExecution(async (resolved) => {
    return new RunTerminal(interpreter, resolved.file ?? file);
  });
  const task = new vscode.Task(definition, scope, `run ${path.basename(file)}`, 'moxa', execution, '$moxa');
  task.presentationOptions = { reveal: vscode.TaskRevealKind.Always, clear: true, focus: true };
  return task;
}

function currentProgram() {
  const editor = vscode.window.activeTextEditor;
  if (!editor || editor.document.languageId !== 'moxa' || editor.document.isUntitled) return undefined;
  return editor.document.uri.fsPath;
}

function askInput(program) {
  return vscode.window.showInputBox({
    title: `Input for ${path.basename(program)}`,
    prompt: 'The words that cti reads, separated by spaces (empty: no input)',
    ignoreFocusOut: true,
  });
}

function registerDebugger(context) {
  context.subscriptions.push(
    vscode.debug.registerDebugConfigurationProvider('moxa', {
      resolveDebugConfiguration: (folder, config) => resolveConfiguration(config, {
        activeFile: currentProgram(),
        readFile,
        askInput,
        showError: (text) => vscode.window.showErrorMessage(text),
      }),
    }),
    vscode.debug.registerDebugAdapterDescriptorFactory('moxa', {
      createDebugAdapterDescriptor: () => {
        const setting = vscode.workspace.getConfiguration('moxa').get('debugger');
        const command = findAdapter(setting);
        if (!command) {
          vscode.window.showErrorMessage(`moxa: the debugger ${setting || 'moxa-dap'} is not found.`);
          return undefined;
        }
        return new vscode.DebugAdapterExecutable(command, ['--stdio']);
      },
    }),
    vscode.commands.registerCommand('moxa.askInput', async () => {
      const file = currentProgram();
      return (await askInput(file ?? 'the program')) ?? '';
    }),
  );
}

function activate(context) {
  startServer();
  registerDebugger(context);
  context.subscriptions.push(
    vscode.tasks.registerTaskProvider('moxa', {
      provideTasks: () => {
        const file = currentProgram();
        return file ? [runTask(file)] : [];
      },
      resolveTask: (task) => {
        const file = task.definition.file;
        return typeof file === 'string' && file ? runTask(file) : undefined;
      },
    }),
    vscode.commands.registerCommand('moxa.run', async () => {
      const file = currentProgram();
      if (!file) {
        vscode.window.showInformationMessage('moxa: open a .mox file to run it.');
        return;
      }
      await vscode.window.activeTextEditor.document.save();
      await vscode.tasks.executeTask(runTask(file));
    }),
  );
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
