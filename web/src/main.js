// The playground page: the editor, the input box, the output pane and the controls. Runs go
// to a Web Worker (worker.js), so that a program that never ends cannot freeze the page. The
// output is shown as it arrives; when the input box is empty, `cti` asks the person for a line
// in the output pane, as a terminal would.
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
import { defaultKeymap, history as historieUprav, historyKeymap } from '@codemirror/commands';
import { HighlightStyle, bracketMatching, indentOnInput, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import { moxaLanguage } from './language.js';
import { MESSAGE } from './words.js';
import { bytyZTextu, kusyVystupu, sdileni, textZBytu, zeSdileni } from './bytes.js';
import { TEXTY, uvodniProgram, vlozText, zvolJazyk } from './texts.js';
import { Krokovani } from './stepview.js';
import { NEJVYS_BAJTU_STOPY, NEJVYS_KROKU, krokZOdkazu } from './steps.js';
import { Diagnostika } from './diagnostics.js';
import { Zadani } from './assignment.js';

const parametry = new URLSearchParams(location.search);

// What a run may take. The memory limit counts what the interpreter holds; the output limit
// counts the program's bytes; the time counts only while the program runs, not while it
// waits for a line of input. `?seconds=N` sets another time limit.
const sekund = Number(parametry.get('seconds'));
export const LIMITS = {
  seconds: sekund > 0 ? sekund : 10,
  output: 1 << 20,
  memory: 256 << 20,
};

// `?stack=worker` runs programs on the worker's own stack, as browsers that cannot give a
// run a stack of its own do (see run.js): deep nesting then ends sooner, with a note, and a
// program cannot wait for input typed while it runs.
const NA_ZASOBNIKU_WORKERU = parametry.get('stack') === 'worker';

const $ = (id) => document.getElementById(id);
const runBtn = $('run');
const stepBtn = $('step');
const stopBtn = $('stop');
const inputBox = $('input');
const outputPane = $('output');
const statusLine = $('status');
const konecVstupuBtn = $('end-input');
const jazykMenu = $('lang');

// ---- the page's language ----------------------------------------------------------------

const ULOZENY_JAZYK = 'moxa-lang';

function ulozenyJazyk() {
  try {
    return localStorage.getItem(ULOZENY_JAZYK);
  } catch {
    return null; // storage refused (a private window, a file: page)
  }
}

let jazyk = zvolJazyk(parametry.get('lang'), ulozenyJazyk(), navigator.languages ?? [navigator.language ?? '']);
const t = () => TEXTY[jazyk];
// The checker's findings while typing, Tidy, and the place of a run's error.
const diagnostika = new Diagnostika(jazyk);

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

// The program's colours as classes, which style.css gives colours that keep their contrast in
// the light and the dark scheme.
const barvyProgramu = HighlightStyle.define([
  { tag: tags.keyword, class: 'hl-keyword' },
  { tag: tags.string, class: 'hl-string' },
  { tag: tags.number, class: 'hl-number' },
  { tag: tags.comment, class: 'hl-comment' },
  { tag: tags.variableName, class: 'hl-variable' },
  { tag: tags.invalid, class: 'hl-invalid' },
]);

// A person who asks for less motion gets a cursor that does not blink.
const menePohybu = matchMedia('(prefers-reduced-motion: reduce)').matches;

let priZmeneProgramu = null;
const editor = new EditorView({
  parent: $('editor'),
  state: EditorState.create({
    doc: uvodniProgram(jazyk),
    extensions: [
      // Only a line feed ends a line: a carriage return is a byte of the program like any other.
      EditorState.lineSeparator.of('\n'),
      lineNumbers(),
      highlightActiveLineGutter(),
      highlightActiveLine(),
      highlightSpecialChars({ addSpecialChars: /[\udc80-\udcff\r]/, render: zobrazBajt }),
      historieUprav(),
      drawSelection(menePohybu ? { cursorBlinkRate: 0 } : {}),
      bracketMatching(),
      indentOnInput(),
      syntaxHighlighting(barvyProgramu),
      moxaLanguage,
      chybnyRadek,
      diagnostika.extensions(),
      keymap.of([
        { key: 'Mod-Enter', run: () => (spust(), true) },
        ...defaultKeymap,
        ...historyKeymap,
      ]),
      // Tab is no key of the editor: it moves on to the next control, as everywhere on the page.
      EditorView.contentAttributes.of({
        'aria-label': 'Program',
        'aria-multiline': 'true',
        'aria-describedby': 'editor-help',
        // Named as focusable, so that checkers see the scrolled text can be reached by keyboard.
        tabindex: '0',
      }),
      EditorView.updateListener.of((u) => {
        if (u.docChanged) priZmeneProgramu?.();
      }),
    ],
  }),
});

diagnostika.umisti(editor, $('editor'), $('share'));

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

// The step view, beside the editor: Step runs the program with its trace, and the view opens
// when the run has ended (stepview.js).
const krokovani = new Krokovani({
  editor,
  t,
  spust: (interaktivni) => spust({ stopa: true, interaktivni }),
  jsmeVBehu: () => bezi,
});

// Each step the view shows is said to a screen reader in one sentence: its number, where it
// is, what the statement did, the variable it changed and its value, the condition's value.
const ohlasKroku = $('step-announce');
let posledniKrok = '';

function ohlasKrok() {
  const pohled = $('step-view');
  const cislo = $('step-number').textContent;
  if (pohled.hidden || !cislo) return;
  const viditelny = (id) => ($(id).hidden ? '' : $(id).textContent.trim());
  const zmena = pohled.querySelector('#step-variables tr.changed');
  const co = $('step-what').textContent.trim();
  // A print step: the last line of the output it added.
  const vypsano =
    co === t().krokDruh({ kind: 'print' })
      ? $('step-output').textContent.split('\n').filter((r) => r.trim()).at(-1) ?? ''
      : '';
  const text = [
    `${t().krok} ${cislo} / ${$('step-total').textContent}.`,
    $('step-where').textContent.trim(),
    co,
    vypsano ? (jazyk === 'cs' ? `„${vypsano}“` : `“${vypsano}”`) : '',
    zmena ? `${zmena.cells[0].textContent} = ${zmena.cells[1].textContent}.` : '',
    viditelny('step-condition'),
    viditelny('step-note'),
  ]
    .filter(Boolean)
    .join(' ');
  if (text === posledniKrok) return;
  posledniKrok = text;
  ohlasKroku.textContent = text;
}

let krokNaplanovan = false;
new MutationObserver(() => {
  if (krokNaplanovan) return;
  krokNaplanovan = true;
  queueMicrotask(() => {
    krokNaplanovan = false;
    ohlasKrok();
  });
}).observe($('step-view'), { subtree: true, childList: true, characterData: true, attributes: true, attributeFilter: ['hidden'] });

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

// The output of a run in order: pieces of the program's bytes, and the lines typed while it
// ran, which are shown marked and are no part of the program's output.
let useky = [];
let prijatoBajtu = 0;
// Bytes that arrived and are not on the page yet, and the unfinished UTF-8 sequence at the
// end of those that are.
let cekajici = [];
let zbytek = new Uint8Array();
let snimekNaplanovan = false;

// The output pane holds its text in blocks that end at a line end, each of about
// VELIKOST_BLOKU characters or one long line: a browser lays out again the whole block that
// text is added to, so output in one block would cost more to extend the longer it grew, and
// it skips the layout of blocks out of view (style.css).
const VELIKOST_BLOKU = 4096;
let blok = null;
let vBloku = 0;

function novyBlok() {
  blok = document.createElement('div');
  outputPane.append(blok);
  vBloku = 0;
  rozmeryBloku.observe(blok);
}

function pridejText(text) {
  if (blok === null) novyBlok();
  for (;;) {
    const j =
      vBloku + text.length > VELIKOST_BLOKU ? text.indexOf('\n', Math.max(0, VELIKOST_BLOKU - vBloku - 1)) : -1;
    if (j < 0) break;
    blok.append(text.slice(0, j + 1));
    novyBlok();
    text = text.slice(j + 1);
  }
  if (text) blok.append(text);
  vBloku += text.length;
}

function pridejUzel(uzel) {
  if (blok === null) novyBlok();
  blok.append(uzel);
  vBloku += uzel.textContent.length;
}

// Adds pieces of output (see kusyVystupu); `odkaz`, if given, makes the characters at
// [od, od + delka) of their text a link to a line of the program.
function vykresli(kusy, odkaz) {
  let pozice = 0;
  for (const k of kusy) {
    if (k.esc) {
      const s = document.createElement('span');
      s.className = 'esc';
      s.textContent = k.esc;
      pridejUzel(s);
      pozice += k.esc.length;
      continue;
    }
    const text = k.text;
    if (odkaz && odkaz.od >= pozice && odkaz.od < pozice + text.length) {
      const a = odkaz.od - pozice;
      const b = a + odkaz.delka;
      const link = document.createElement('a');
      link.href = '#';
      link.className = 'line';
      link.dataset.radek = odkaz.radek;
      link.textContent = text.slice(a, b);
      link.title = t().naRadek(odkaz.radek);
      link.addEventListener('click', (e) => {
        e.preventDefault();
        naRadek(odkaz.radek);
      });
      pridejText(text.slice(0, a));
      pridejUzel(link);
      pridejText(text.slice(b));
    } else {
      pridejText(text);
    }
    pozice += text.length;
  }
}

function spoj(kusy, delka) {
  const vse = new Uint8Array(delka);
  let i = 0;
  for (const b of kusy) {
    vse.set(b, i);
    i += b.length;
  }
  return vse;
}

// The output box keeps the end of the output in view while it grows, unless the person
// scrolls away from the end (wheel, touch, scroll bar or keys on the box); scrolling back to
// the end follows it again. A scroll is the person's within a second of their input on the
// box; the page's own scrolling, and the browser's as blocks are laid out, change nothing.
let sledujKonec = true;
let vstupOsoby = -Infinity;
const naKonci = () => outputPane.scrollHeight - outputPane.scrollTop - outputPane.clientHeight < 8;
const osoba = () => (vstupOsoby = performance.now());
for (const udalost of ['wheel', 'touchstart', 'pointerdown']) {
  outputPane.addEventListener(udalost, osoba, { passive: true });
}
outputPane.addEventListener('keydown', (e) => e.target === outputPane && osoba());
outputPane.addEventListener('scroll', () => {
  if (performance.now() - vstupOsoby < 1000) sledujKonec = naKonci();
});

function drzKonec() {
  if (sledujKonec) outputPane.scrollTop = outputPane.scrollHeight;
}

// A block out of view is laid out only when it comes into view (style.css), and its height
// then changes: the end is held again whenever one does.
const rozmeryBloku = new ResizeObserver(drzKonec);

// New output is said to a screen reader by itself (the box holds all of it and is not read
// again): at most the last NEJVIC_OHLASIT characters of what one frame added.
const novinky = $('output-news');
const NEJVIC_OHLASIT = 400;
let ohlasit = '';

function pripoj(pridej) {
  pridej();
  drzKonec();
}

// Puts the bytes that arrived on the page, once a frame and at most BAJTU_ZA_SNIMEK of them
// in one frame, so that a program that prints a lot does not keep the page busy; the rest
// waits for the next frames. `vse` puts all of them there at once. Once the run has ended
// (`vystupSkoncil`), an unfinished UTF-8 sequence at the end is shown as escapes, and
// `poVykresleni` runs when all is shown.
const BAJTU_ZA_SNIMEK = 1 << 17;
let vystupSkoncil = false;
let poVykresleni = null;

function vykresliCekajici(vse = false) {
  snimekNaplanovan = false;
  const vzit = [zbytek];
  let n = zbytek.length;
  while (cekajici.length > 0 && (vse || n < BAJTU_ZA_SNIMEK)) {
    n += cekajici[0].length;
    vzit.push(cekajici.shift());
  }
  const hotovo = cekajici.length === 0;
  if (n > 0) {
    const b = spoj(vzit, n);
    const { kusy, zbytek: z } = kusyVystupu(b, vystupSkoncil && hotovo);
    zbytek = b.slice(b.length - z);
    pripoj(() => vykresli(kusy, null));
    ohlasit = (ohlasit + kusy.map((k) => k.esc ?? k.text).join('')).slice(-NEJVIC_OHLASIT);
  }
  if (ohlasit.trim()) novinky.textContent = ohlasit;
  ohlasit = '';
  if (!hotovo) naplanujSnimek();
  else if (vystupSkoncil && poVykresleni) {
    const f = poVykresleni;
    poVykresleni = null;
    f();
  }
}

// A hidden page gets no frames: its output is put there by a timer instead, so that the run
// still ends there.
function naplanujSnimek() {
  if (snimekNaplanovan) return;
  snimekNaplanovan = true;
  if (document.hidden) setTimeout(() => vykresliCekajici(), 100);
  else requestAnimationFrame(() => vykresliCekajici());
}

function pridejVystup(b) {
  const posledni = useky.at(-1);
  if (posledni?.bajty) {
    posledni.bajty.push(b);
    posledni.delka += b.length;
  } else useky.push({ bajty: [b], delka: b.length });
  prijatoBajtu += b.length;
  cekajici.push(b);
  naplanujSnimek();
}

function ozvena(text) {
  const s = document.createElement('span');
  s.className = 'input-echo';
  s.textContent = text;
  return s;
}

const VERDIKT = '\nV programu se vyskytla chyba.\n';
// Every error message in the whole output, one a line; group 2 is the line it quotes, and
// `indices` tell where it stands.
const ZPRAVA = new RegExp(MESSAGE.source, 'gmd');

// Where the line number of the error message is in the shown text, or null.
function odkazNaChybu(text) {
  const konecZprav = text.lastIndexOf(VERDIKT);
  let m;
  let posledni = null;
  ZPRAVA.lastIndex = 0;
  while ((m = ZPRAVA.exec(text)) !== null && m.index < konecZprav) posledni = m;
  if (!posledni) return null;
  return { od: posledni.indices[2][0], delka: posledni[2].length, radek: Number(posledni[2]) };
}

// After an error, draws the output again with the line number of its message as a link,
// where the person had it.
function oznacChybu() {
  const posun = outputPane.scrollTop;
  const sledovano = sledujKonec;
  vyprazdniPanel();
  useky.forEach((u, i) => {
    if (!u.bajty) {
      pridejUzel(ozvena(u.ozvena));
      return;
    }
    const { kusy } = kusyVystupu(spoj(u.bajty, u.delka), true);
    const odkaz =
      i === useky.length - 1 ? odkazNaChybu(kusy.map((k) => k.esc ?? k.text).join('')) : null;
    vykresli(kusy, odkaz);
  });
  sledujKonec = sledovano;
  if (sledujKonec) drzKonec();
  else outputPane.scrollTop = posun;
}

function vycisti() {
  sledujKonec = true;
  novinky.textContent = '';
  useky = [];
  prijatoBajtu = 0;
  cekajici = [];
  zbytek = new Uint8Array();
  vystupSkoncil = false;
  poVykresleni = null;
  vyprazdniPanel();
}

function vyprazdniPanel() {
  rozmeryBloku.disconnect();
  outputPane.textContent = '';
  blok = null;
}

// The note under the output, kept as what it says so that it follows a change of language.
let posledniPoznamka = null;

function poznamka(klic, args = [], chyba = true) {
  posledniPoznamka = { klic, args, chyba };
  const text = t()[klic];
  statusLine.textContent = typeof text === 'function' ? text(...args) : text;
  statusLine.className = chyba ? 'note' : '';
}

// ---- input typed while the program runs ------------------------------------------------

let radekVstupu = null;

// Where the run cannot suspend, the worker can still wait for a line by blocking on memory
// shared with the page, which a browser allows a cross-origin isolated page only (the
// service worker makes the page one once it serves it). The memory holds the state (0
// waiting, 1 a line is there), the line's length and whether the input ended, then the line.
const SDILENY_RADEK = 1 << 16;
let sdilene = null;

function predejRadek(bytes, konec) {
  if (!sdilene) {
    worker.postMessage({ typ: 'vstup', bytes, konec });
    return;
  }
  const rizeni = new Int32Array(sdilene, 0, 3);
  new Uint8Array(sdilene, 12).set(bytes);
  rizeni[1] = bytes.length;
  rizeni[2] = konec ? 1 : 0;
  Atomics.store(rizeni, 0, 1);
  Atomics.notify(rizeni, 0);
}

function odesliVstup(text, konec) {
  radekVstupu.remove();
  radekVstupu = null;
  konecVstupuBtn.hidden = true;
  if (text) pridejOzvenu(text);
  predejRadek(bytyZTextu(text), konec);
  spustCasovac();
  poznamka('bezi', [], false);
}

// Puts all output so far on the page, an unfinished UTF-8 sequence at its end as escapes:
// what comes next (typed input) is no continuation of it.
function vykresliVse() {
  vystupSkoncil = true;
  vykresliCekajici(true);
  vystupSkoncil = false;
}

function pridejOzvenu(text) {
  vykresliVse();
  useky.push({ ozvena: text });
  pripoj(() => pridejUzel(ozvena(text)));
}

// The program waits for a word: an input line at the end of the output, after its prompt.
function chceVstup() {
  vykresliVse();
  zastavCasovac();
  radekVstupu = document.createElement('input');
  radekVstupu.id = 'stdin-line';
  radekVstupu.type = 'text';
  radekVstupu.autocomplete = 'off';
  radekVstupu.spellcheck = false;
  // Even in four-byte characters, a line fits the memory it may be handed over in.
  radekVstupu.maxLength = SDILENY_RADEK / 4;
  radekVstupu.setAttribute('aria-label', t().radekVstupu);
  radekVstupu.addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && !e.isComposing) {
      e.preventDefault();
      odesliVstup(radekVstupu.value + '\n', false);
    } else if (e.key.toLowerCase() === 'd' && e.ctrlKey) {
      e.preventDefault();
      odesliVstup(radekVstupu.value, true);
    }
  });
  pripoj(() => pridejUzel(radekVstupu));
  konecVstupuBtn.hidden = false;
  radekVstupu.focus();
  poznamka('cekaNaVstup', [], false);
}

// ---- runs -------------------------------------------------------------------------------

let worker = null;
let workerPripraven = null;
let nestingLimit = null;
let umiCekat = false;
let bezi = false;
let chtelVstup = false;

function novyWorker() {
  worker = new Worker('worker.js');
  workerPripraven = new Promise((resolve) => {
    worker.addEventListener('message', function hotovo(e) {
      if (e.data.typ === 'pripraven') {
        nestingLimit = e.data.nesting;
        umiCekat = e.data.umiCekat && !NA_ZASOBNIKU_WORKERU;
        ukazLimity();
        worker.removeEventListener('message', hotovo);
        resolve(true);
      } else if (e.data.typ === 'selhani') {
        poznamka('nenacteno', [e.data.zprava]);
        resolve(false);
      }
    });
  });
  worker.addEventListener('message', zWorkeru);
  workerPripraven.then((ok) => {
    if (ok && !bezi) runBtn.disabled = stepBtn.disabled = false;
  });
}

function zWorkeru(e) {
  const d = e.data;
  if (!bezi) return;
  if (d.typ === 'vystup') pridejVystup(d.bytes);
  else if (d.typ === 'chceVstup') chceVstup();
  else if (d.typ === 'bezVstupu') chtelVstup = true;
  else if (d.typ === 'konec') konecBehu(d.vysledek);
  else if (d.typ === 'stopa') krokovani.prijmi(d.text);
  else if (d.typ === 'stopaPlna') {
    krokovani.preplneno(d.duvod);
    if (d.duvod === 'bajty') zastav('krokyPresPamet', [NEJVYS_BAJTU_STOPY]);
    else zastav('krokyPresLimit', [NEJVYS_KROKU]);
  }
  else if (d.typ === 'preteceni') {
    konecBehu('stopped', 'prilisHluboko');
    novyWorker();
  }
}

// The time limit counts the time the program runs, without the waits for input.
let casovac = null;
let zbyvaCasu = 0;
let casSpusten = 0;

function spustCasovac() {
  casSpusten = performance.now();
  casovac = setTimeout(() => zastav('limitCasu', [LIMITS.seconds]), zbyvaCasu);
}

function zastavCasovac() {
  clearTimeout(casovac);
  zbyvaCasu -= performance.now() - casSpusten;
}

// The run has ended: once all its output is on the page, the page says how.
function konecBehu(vysledek, klic, args = []) {
  bezi = false;
  clearTimeout(casovac);
  radekVstupu?.remove();
  radekVstupu = null;
  konecVstupuBtn.hidden = true;
  stopBtn.disabled = true;
  vystupSkoncil = true;
  poVykresleni = () => ohlasKonec(vysledek, klic, args);
  vykresliCekajici();
}

function ohlasKonec(vysledek, klic, args) {
  if (vysledek === 'error') {
    oznacChybu();
    diagnostika.poChybe(
      spoj(useky.filter((u) => u.bajty).flatMap((u) => u.bajty), prijatoBajtu),
      useky.filter((u) => !u.bajty).map((u) => u.ozvena).join('')
    );
  }
  runBtn.disabled = stepBtn.disabled = false;
  document.body.dataset.state = vysledek;
  if (klic) poznamka(klic, args);
  else if (vysledek === 'stopped') {
    if (prijatoBajtu >= LIMITS.output + 8) poznamka('limitVystupu', [LIMITS.output]);
    else poznamka('limitPameti', [LIMITS.memory]);
  } else if (chtelVstup) poznamka('bezVstupu');
  else poznamka(vysledek === 'ok' ? 'dobehl' : 'chyba', [], false);
  if (sTrasou) krokovani.poBehu(klic === 'zastaveno');
}

// Ends the worker at once, with the run in it; what it printed until then stays.
function zastav(klic, args = []) {
  if (!bezi) return;
  worker.terminate();
  konecBehu('stopped', klic, args);
  novyWorker();
  runBtn.disabled = stepBtn.disabled = true;
}

// Whether the run going on records its steps for the step view.
let sTrasou = false;

// Runs the program; `stopa` records its steps for the step view, `interaktivni` false ends
// its input with the input box even when that is empty.
async function spust({ stopa = false, interaktivni = true } = {}) {
  if (bezi) return;
  if (!stopa) krokovani.zavri();
  if (!(await workerPripraven)) return;
  vycisti();
  bezi = true;
  sTrasou = stopa;
  chtelVstup = false;
  document.body.dataset.state = 'running';
  runBtn.disabled = stepBtn.disabled = true;
  stopBtn.disabled = false;
  poznamka('bezi', [], false);
  const program = bytyZTextu(editor.state.doc.toString());
  const input = vstupniBajty();
  diagnostika.zacatekBehu(input, LIMITS);
  sdilene =
    !umiCekat && self.crossOriginIsolated ? new SharedArrayBuffer(12 + SDILENY_RADEK) : null;
  worker.postMessage({
    typ: 'beh',
    program,
    input,
    limits: { output: LIMITS.output, memory: LIMITS.memory },
    naZasobnikuVolajiciho: NA_ZASOBNIKU_WORKERU,
    // An empty box: the program asks for its input while it runs.
    interaktivni: interaktivni && input.length === 0,
    sdilene,
    stopa: stopa ? NEJVYS_KROKU : 0,
  });
  zbyvaCasu = LIMITS.seconds * 1000;
  spustCasovac();
}

function ukazLimity() {
  $('limits').textContent = t().limity(LIMITS.seconds, LIMITS.output, LIMITS.memory, nestingLimit);
}

// ---- share links and examples -----------------------------------------------------------

function nactiOdkaz() {
  let sdilene = null;
  try {
    sdilene = zeSdileni(location.hash);
  } catch {
    poznamka('spatnyOdkaz');
    return;
  }
  if (!sdilene) return;
  nastavProgram(textZBytu(sdilene.program));
  nastavVstup(sdilene.input);
  vycisti();
  poznamka('zOdkazu', [], false);
  // `&step=N`: the run opens in the step view at step N.
  const krok = krokZOdkazu(location.hash);
  if (krok !== null) krokovani.zOdkazu(krok);
}

function sdilej() {
  const fragment =
    sdileni(bytyZTextu(editor.state.doc.toString()), vstupniBajty()) + krokovani.fragment();
  window.history.replaceState(null, '', fragment);
  const url = location.href;
  const pole = $('share-link');
  pole.value = url;
  $('share-link-row').hidden = false;
  pole.select();
  poznamka('odkazVAdrese', [], false);
  navigator.clipboard?.writeText(url).then(
    () => poznamka('odkazVsude', [], false),
    () => {}
  );
}

let priklady = [];

function popisPrikladu() {
  for (const o of $('examples').options) {
    if (o.value) o.textContent = t().priklady[o.value] ?? o.value;
  }
}

async function nactiPriklady() {
  const menu = $('examples');
  try {
    priklady = await (await fetch('examples.json')).json();
  } catch {
    return;
  }
  for (const p of priklady) {
    const o = document.createElement('option');
    o.value = p.name;
    menu.append(o);
  }
  popisPrikladu();
  menu.addEventListener('change', () => {
    const p = priklady.find((x) => x.name === menu.value);
    if (!p) return;
    nastavProgram(p.program);
    nastavVstup(new TextEncoder().encode(p.input ?? ''));
    vycisti();
    poznamka('prikladNacten', [t().priklady[p.name] ?? p.name], false);
  });
}

// ---- the page's texts -------------------------------------------------------------------

function prelozStranku() {
  document.documentElement.lang = jazyk;
  for (const e of document.querySelectorAll('[data-t]')) vlozText(e, t()[e.dataset.t]);
  for (const e of document.querySelectorAll('[data-t-title]')) e.title = t()[e.dataset.tTitle];
  for (const e of document.querySelectorAll('[data-t-href]')) e.href = t()[e.dataset.tHref];
  for (const e of document.querySelectorAll('[data-t-aria-label]')) {
    e.setAttribute('aria-label', t()[e.dataset.tAriaLabel]);
  }
  for (const a of outputPane.querySelectorAll('a.line')) a.title = t().naRadek(a.dataset.radek);
  radekVstupu?.setAttribute('aria-label', t().radekVstupu);
  jazykMenu.value = jazyk;
  popisPrikladu();
  ukazLimity();
  krokovani.preloz();
  zadani.prelozeno();
  diagnostika.prelozit(jazyk);
  if (posledniPoznamka) {
    const { klic, args, chyba } = posledniPoznamka;
    poznamka(klic, klic === 'prikladNacten' ? [t().priklady[$('examples').value] ?? args[0]] : args, chyba);
  }
}

jazykMenu.addEventListener('change', () => {
  const dosavadni = jazyk;
  jazyk = jazykMenu.value;
  try {
    localStorage.setItem(ULOZENY_JAZYK, jazyk);
  } catch {
    // not remembered, but switched
  }
  // The starter program, untouched, follows the language of the page.
  if (editor.state.doc.toString() === uvodniProgram(dosavadni)) nastavProgram(uvodniProgram(jazyk));
  prelozStranku();
});

runBtn.addEventListener('click', () => spust());
stopBtn.addEventListener('click', () => zastav('zastaveno'));
konecVstupuBtn.addEventListener('click', () => {
  if (radekVstupu) odesliVstup(radekVstupu.value, true);
});
$('share').addEventListener('click', sdilej);
window.addEventListener('hashchange', nactiOdkaz);
inputBox.addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
    e.preventDefault();
    spust();
  }
});

// An assignment beside the editor (assignment.js): the program goes to its tests as bytes,
// as to a run, and is saved as the same bytes.
const zadani = new Zadani({
  t,
  program: () => bytyZTextu(editor.state.doc.toString()),
  text: () => editor.state.doc.toString(),
  nastavProgram,
  zmenaProgramu: (f) => {
    priZmeneProgramu = f;
  },
});

prelozStranku();
novyWorker();
nactiOdkaz();
if (parametry.get('assignment')) zadani.zAdresy(parametry.get('assignment'));
nactiPriklady();
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
