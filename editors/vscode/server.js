// Where the language server moxa-lsp is: the setting moxa.languageServer names a command on
// the PATH or a file; nothing is found when it is not there, and the extension then goes on
// with its grammar and its run task alone.
'use strict';

const fs = require('fs');
const path = require('path');

function executable(file) {
  try {
    if (!fs.statSync(file).isFile()) return false;
    fs.accessSync(file, fs.constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

// The full path of the server, or undefined. `setting` is the configured name ('' for the
// default moxa-lsp); `env` supplies PATH (and PATHEXT on Windows).
function findServer(setting, env = process.env, platform = process.platform) {
  const name = setting || 'moxa-lsp';
  if (name.includes('/') || name.includes('\\')) return executable(name) ? path.resolve(name) : undefined;
  const sep = platform === 'win32' ? ';' : ':';
  const suffixes = platform === 'win32' ? ['', ...(env.PATHEXT ?? '.EXE;.CMD;.BAT').split(';')] : [''];
  for (const dir of (env.PATH ?? '').split(sep)) {
    if (!dir) continue;
    for (const s of suffixes) {
      const file = path.join(dir, name + s);
      if (executable(file)) return file;
    }
  }
  return undefined;
}

module.exports = { findServer };
