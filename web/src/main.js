// The playground page: the editor, the input box, the output pane and the controls. Runs go
// to a Web Worker (worker.js), so that a program that never ends cannot freeze the page.
import { EditorState, StateEffect, StateField } from '@codemirror/state';
import {
  Decoration,
  EditorView,
  drawSelection,
  highlightActiveLine,
  highlightActiveLineGutter,
  highlightSpecialChars,
  keymap,
  lineNumbers,
} from '@codemirror/view';
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { bracketMatching, defaultHighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { moxaLanguage } from './language.js';
import { MESSAGE } from './words.js';
import { bytyZTextu, kusyVystupu, sdileni, textZBytu, zeSdileni } from './bytes.js';

// What a run may take. The memory limit counts what the interpreter holds; the output limit
// counts the program's bytes.
export const LIMITS = { seconds: 10, output: 1 << 20, memory: 256 << 20 };

// `?stack=worker` runs programs on the worker's own stack, as browsers that cannot give a
// run a stack of its own do (see run.js): deep nesting then ends sooner, with a note.
const NA_ZASOBNIKU_WORKERU = new URLSearchParams(location.search).get('stack') === 'worker';

const $ = (id) => document.getElementById(id);
const runBtn = $('run');
const stopBtn = $('stop');
const inputBox = $('input');
const outputPane = $('output');
const statusLine = $('status');

// ---- the editor -------------------------------------------------------------------------

const oznacRadek = StateEffect.define();
const chybnyRadek = StateField.define({
  create: () => Decoration.none,
  update(deco, tr) {
    for (const e of tr.effects) {
      if (e.is(oznacRadek)) {
        return e.value === null
          ? Decoration.none
          : Decoration.set([Decoration.line({ class: 'cm-error-line' }).range(e.value)]);
      }
    }
    return tr.docChanged ? Decoration.none : deco.map(tr.changes);
  },
  provide: (f) => EditorView.decorations.from(f),
});

// A byte that is not valid UTF-8 is held as U+DC80 + byte (see bytes.js): shown as \xHH,
// as the output pane shows it; other invisible characters as \xHH or \u{HHHH}.
function zobrazBajt(code) {
  const span = document.createElement('span');
  span.className = 'cm-byte';
  if (code >= 0xdc80 && code <= 0xdcff) span.textContent = '\\x' + (code - 0xdc00).toString(16);
  else if (code < 0x100) span.textContent = '\\x' + code.toString(16).padStart(2, '0');
  else span.textContent = '\\u{' + code.toString(16) + '}';
  span.title = span.textContent;
  return span;
}

const editor = new EditorView({
  parent: $('editor'),
  state: EditorState.create({
    doc: '',
    extensions: [
      // Only a line feed ends a line: a carriage return is a byte of the program like any other.
      EditorState.lineSeparator.of('\n'),
      lineNumbers(),
      highlightActiveLineGutter(),
      highlightActiveLine(),
      highlightSpecialChars({ addSpecialChars: /[\udc80-\udcff\r]/, render: zobrazBajt }),
      history(),
      drawSelection(),
      bracketMatching(),
      syntaxHighlighting(defaultHighlightStyle),
      moxaLanguage,
      chybnyRadek,
      keymap.of([
        { key: 'Mod-Enter', run: () => (spust(), true) },
        ...defaultKeymap,
        ...historyKeymap,
      ]),
      EditorView.contentAttributes.of({ 'aria-label': 'Program', 'aria-multiline': 'true' }),
    ],
  }),
});

function nastavProgram(text) {
  editor.dispatch({
    changes: { from: 0, to: editor.state.doc.length, insert: text },
    effects: oznacRadek.of(null),
  });
}

// Puts the cursor on line `n` (1-based) of the program and marks the line.
export function naRadek(n) {
  const doc = editor.state.doc;
  const line = doc.line(Math.min(Math.max(1, n), doc.lines));
  editor.dispatch({
    selection: { anchor: line.from },
    effects: [oznacRadek.of(line.from), EditorView.scrollIntoView(line.from, { y: 'center' })],
  });
  editor.focus();
}

// ---- the input box ----------------------------------------------------------------------

// The exact bytes of an input loaded from a link, as long as the box shows them unchanged
// (a text box turns carriage returns into line feeds).
let vstupZOdkazu = null;

function nastavVstup(bytes) {
  inputBox.value = textZBytu(bytes);
  vstupZOdkazu = { text: inputBox.value, bytes };
}

function vstupniBajty() {
  if (vstupZOdkazu && vstupZOdkazu.text === inputBox.value) return vstupZOdkazu.bytes;
  return bytyZTextu(inputBox.value);
}

// ---- the output pane --------------------------------------------------------------------

let prijate = [];
let prijatoBajtu = 0;
let zbytek = new Uint8Array();

function vykresli(kusy, cil, odkaz) {
  const frag = document.createDocumentFragment();
  let pozice = 0;
  for (const k of kusy) {
    if (k.esc) {
      const s = document.createElement('span');
      s.className = 'esc';
      s.textContent = k.esc;
      frag.append(s);
      pozice += k.esc.length;
      continue;
    }
    const t = k.text;
    if (odkaz && odkaz.od >= pozice && odkaz.od < pozice + t.length) {
      const a = odkaz.od - pozice;
      const b = a + odkaz.delka;
      const link = document.createElement('a');
      link.href = '#';
      link.className = 'line';
      link.textContent = t.slice(a, b);
      link.title = 'Go to line ' + odkaz.radek;
      link.addEventListener('click', (e) => {
        e.preventDefault();
        naRadek(odkaz.radek);
      });
      frag.append(t.slice(0, a), link, t.slice(b));
    } else {
      frag.append(t);
    }
    pozice += t.length;
  }
  cil.append(frag);
}

function pridejVystup(b) {
  prijate.push(b);
  prijatoBajtu += b.length;
  const spojene = new Uint8Array(zbytek.length + b.length);
  spojene.set(zbytek);
  spojene.set(b, zbytek.length);
  const { kusy, zbytek: n } = kusyVystupu(spojene, false);
  zbytek = spojene.slice(spojene.length - n);
  vykresli(kusy, outputPane, null);
}

const VERDIKT = '\nV programu se vyskytla chyba.\n';
// Every error message in the whole output, one a line; group 2 is the line it quotes, and
// `indices` tell where it stands.
const ZPRAVA = new RegExp(MESSAGE.source, 'gmd');

// Draws the whole output again, with the line number of the error message as a link.
function dokonciVystup(vysledek) {
  const vse = new Uint8Array(prijatoBajtu);
  let i = 0;
  for (const b of prijate) {
    vse.set(b, i);
    i += b.length;
  }
  const { kusy } = kusyVystupu(vse, true);
  let odkaz = null;
  if (vysledek === 'error') {
    const text = kusy.map((k) => k.esc ?? k.text).join('');
    const konecZprav = text.lastIndexOf(VERDIKT);
    let m;
    let posledni = null;
    ZPRAVA.lastIndex = 0;
    while ((m = ZPRAVA.exec(text)) !== null && m.index < konecZprav) posledni = m;
    if (posledni) {
      const od = posledni.indices[2][0];
      odkaz = { od, delka: posledni[2].length, radek: Number(posledni[2]) };
    }
  }
  outputPane.textContent = '';
  vykresli(kusy, outputPane, odkaz);
}

function vycisti() {
  prijate = [];
  prijatoBajtu = 0;
  zbytek = new Uint8Array();
  outputPane.textContent = '';
}

function poznamka(text, chyba = true) {
  statusLine.textContent = text;
  statusLine.className = chyba ? 'note' : '';
}

// ---- runs -------------------------------------------------------------------------------

let worker = null;
let workerPripraven = null;
let nestingLimit = null;
let bezi = false;
let casovac = null;

function novyWorker() {
  worker = new Worker('worker.js');
  workerPripraven = new Promise((resolve) => {
    worker.addEventListener('message', function hotovo(e) {
      if (e.data.typ === 'pripraven') {
        nestingLimit = e.data.nesting;
        ukazLimity();
        worker.removeEventListener('message', hotovo);
        resolve(true);
      } else if (e.data.typ === 'selhani') {
        poznamka('The interpreter could not be loaded: ' + e.data.zprava);
        resolve(false);
      }
    });
  });
  worker.addEventListener('message', zWorkeru);
  workerPripraven.then((ok) => {
    if (ok && !bezi) runBtn.disabled = false;
  });
}

function zWorkeru(e) {
  const d = e.data;
  if (!bezi) return;
  if (d.typ === 'vystup') pridejVystup(d.bytes);
  else if (d.typ === 'konec') konecBehu(d.vysledek);
  else if (d.typ === 'preteceni') {
    konecBehu('stopped', 'Stopped: the program nests deeper than this browser allows.');
    novyWorker();
  }
}

function konecBehu(vysledek, text) {
  bezi = false;
  clearTimeout(casovac);
  dokonciVystup(vysledek);
  stopBtn.disabled = true;
  runBtn.disabled = false;
  document.body.dataset.state = vysledek;
  if (text) poznamka(text);
  else if (vysledek === 'stopped') {
    poznamka(
      prijatoBajtu >= LIMITS.output + 8
        ? `Stopped: the output reached the limit of ${velikost(LIMITS.output)}.`
        : `Stopped: the run reached the memory limit of ${velikost(LIMITS.memory)}.`
    );
  } else poznamka(vysledek === 'ok' ? 'Finished.' : 'Finished with an error.', false);
}

// Ends the worker at once, with the run in it.
function zastav(text) {
  if (!bezi) return;
  worker.terminate();
  konecBehu('stopped', text);
  novyWorker();
  runBtn.disabled = true;
}

async function spust() {
  if (bezi) return;
  if (!(await workerPripraven)) return;
  vycisti();
  bezi = true;
  document.body.dataset.state = 'running';
  runBtn.disabled = true;
  stopBtn.disabled = false;
  poznamka('Running…', false);
  const program = bytyZTextu(editor.state.doc.toString());
  const input = vstupniBajty();
  worker.postMessage({
    program,
    input,
    limits: { output: LIMITS.output, memory: LIMITS.memory },
    naZasobnikuVolajiciho: NA_ZASOBNIKU_WORKERU,
  });
  casovac = setTimeout(
    () => zastav(`Stopped: the run took longer than the time limit of ${LIMITS.seconds} s.`),
    LIMITS.seconds * 1000
  );
}

function velikost(n) {
  return n >= 1 << 20 ? `${n / (1 << 20)} MiB` : `${n / 1024} KiB`;
}

function ukazLimity() {
  $('limits').textContent =
    `Limits of a run: ${LIMITS.seconds} s, ${velikost(LIMITS.output)} of output, ` +
    `${velikost(LIMITS.memory)} of memory` +
    (nestingLimit ? `, ${nestingLimit.toLocaleString('en')} nested levels.` : '.');
}

// ---- share links and examples -----------------------------------------------------------

function nactiOdkaz() {
  let sdilene = null;
  try {
    sdilene = zeSdileni(location.hash);
  } catch {
    poznamka('This link does not hold a valid program.');
    return;
  }
  if (!sdilene) return;
  nastavProgram(textZBytu(sdilene.program));
  nastavVstup(sdilene.input);
  vycisti();
  poznamka('Loaded from the link. Press Run to run it.', false);
}

function sdilej() {
  const fragment = sdileni(bytyZTextu(editor.state.doc.toString()), vstupniBajty());
  history.replaceState(null, '', fragment);
  const url = location.href;
  const pole = $('share-link');
  pole.value = url;
  $('share-link-row').hidden = false;
  pole.select();
  navigator.clipboard?.writeText(url).then(
    () => poznamka('The link is in the address bar and on the clipboard.', false),
    () => poznamka('The link is in the address bar.', false)
  );
}

async function nactiPriklady() {
  const menu = $('examples');
  let priklady = [];
  try {
    priklady = await (await fetch('examples.json')).json();
  } catch {
    return;
  }
  for (const p of priklady) {
    const o = document.createElement('option');
    o.value = p.name;
    o.textContent = p.name;
    menu.append(o);
  }
  menu.addEventListener('change', () => {
    const p = priklady.find((x) => x.name === menu.value);
    if (!p) return;
    nastavProgram(p.program);
    nastavVstup(new TextEncoder().encode(p.input ?? ''));
    vycisti();
    poznamka(`Example ${p.name} loaded.`, false);
  });
}

runBtn.addEventListener('click', spust);
stopBtn.addEventListener('click', () => zastav('Stopped.'));
$('share').addEventListener('click', sdilej);
window.addEventListener('hashchange', nactiOdkaz);
inputBox.addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
    e.preventDefault();
    spust();
  }
});

ukazLimity();
novyWorker();
nactiOdkaz();
nactiPriklady();
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
