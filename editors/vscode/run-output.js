// What the run task shows: the interpreter's output unchanged, and after each error message
// one line that points at the file and the line the message quotes, so that the problem
// matcher `$moxa` can place the error (the interpreter's messages name no file).
'use strict';

// "V bloku: '<routine>', na radku: <line> nastala chyba - <what>", possibly after program
// output on the same line.
const MESSAGE = /V bloku: '([^']*)', na radku: (\d+) nastala chyba - (.*)$/;

function pointer(file, line) {
  return `  --> ${file}:${line}`;
}

// Turns the interpreter's output, in chunks as they come, into what the terminal shows.
// Line ends become CR LF, as a terminal needs them.
class Annotator {
  constructor(file) {
    this.file = file;
    this.line = ''; // the line so far, not yet ended
  }

  push(chunk) {
    let out = '';
    for (const part of chunk.split(/(\n)/)) {
      if (part === '\n') {
        out += '\r\n';
        const m = MESSAGE.exec(this.line);
        if (m) out += pointer(this.file, m[2]) + '\r\n';
        this.line = '';
      } else if (part) {
        out += part;
        this.line += part;
      }
    }
    return out;
  }
}

// What is typed in the terminal, edited as a line: Enter sends the line (and a line end) to
// the program, Backspace takes back a character, Ctrl-D ends the program's input.
// `type` returns what to echo, what to send, and whether the input has ended.
class LineInput {
  constructor() {
    this.line = '';
  }

  type(data) {
    let echo = '';
    let send = '';
    let ended = false;
    for (const ch of data) {
      if (ended) break;
      if (ch === '\r' || ch === '\n') {
        send += this.line + '\n';
        this.line = '';
        echo += '\r\n';
      } else if (ch === '\x7f' || ch === '\b') {
        if (this.line) {
          this.line = this.line.slice(0, -1);
          echo += '\b \b';
        }
      } else if (ch === '\x04') {
        send += this.line;
        this.line = '';
        ended = true;
      } else if (ch >= ' ') {
        this.line += ch;
        echo += ch;
      }
    }
    return { echo, send, ended };
  }
}

module.exports = { MESSAGE, Annotator, LineInput, pointer };
