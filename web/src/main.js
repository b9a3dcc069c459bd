// The playground page: the editor, the input box, the output pane and the controls, wired
// together here; each concern lives in its own module: the editor (editor.js), runs in a Web
// Worker (runs.js), the output pane (output.js), the input box and the line asked for while a
// program runs (input.js), share links and examples (sharing.js), the step view
// (stepview.js) and what it says to a screen reader (stepnews.js), the checker's findings
// (diagnostics.js) and an assignment (assignment.js). This file keeps the page's language,
// the note under the output and the start-up.
import { TEXTY, uvodniProgram, vlozText, zvolJazyk } from './texts.js';
import { $ } from './dom.js';
import { vytvorEditor } from './editor.js';
import { vytvorVystup } from './output.js';
import { vytvorVstup } from './input.js';
import { vytvorBehy } from './runs.js';
import { vytvorSdileni } from './sharing.js';
import { ohlasujKroky } from './stepnews.js';
import { Krokovani } from './stepview.js';
import { Diagnostika } from './diagnostics.js';
import { Zadani } from './assignment.js';

const parametry = new URLSearchParams(location.search);

// What a run may take. The memory limit counts what the interpreter holds; the output limit
// counts the program's bytes; the time counts only while the program runs, not while it
// waits for a line of input. `?seconds=N` sets another time limit.
const sekund = Number(parametry.get('seconds'));
const LIMITS = {
  seconds: sekund > 0 ? sekund : 10,
  output: 1 << 20,
  memory: 256 << 20,
};

// `?stack=worker` runs programs on the worker's own stack, as browsers that cannot give a
// run a stack of its own do (see run.js): deep nesting then ends sooner, with a note, and a
// program cannot wait for input typed while it runs.
const NA_ZASOBNIKU_WORKERU = parametry.get('stack') === 'worker';

const inputBox = $('input');
const statusLine = $('status');
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

// The note under the output, kept as what it says so that it follows a change of language.
let posledniPoznamka = null;

function poznamka(klic, args = [], chyba = true) {
  posledniPoznamka = { klic, args, chyba };
  const text = t()[klic];
  statusLine.textContent = typeof text === 'function' ? text(...args) : text;
  statusLine.className = chyba ? 'note' : '';
}

// ---- the parts of the page ----------------------------------------------------------------

// The checker's findings while typing, Tidy, and the place of a run's error.
const diagnostika = new Diagnostika(jazyk);

let priZmeneProgramu = null;
let behy = null;
const program = vytvorEditor({
  parent: $('editor'),
  text: uvodniProgram(jazyk),
  rozsireni: diagnostika.extensions(),
  spust: () => behy.spust(),
  priZmene: () => priZmeneProgramu?.(),
});
const editor = program.editor;
diagnostika.umisti(editor, $('editor'), $('share'));

// The step view, beside the editor: Step runs the program with its trace, and the view opens
// when the run has ended (stepview.js).
const krokovani = new Krokovani({
  editor,
  t,
  spust: (interaktivni) => behy.spust({ stopa: true, interaktivni }),
  jsmeVBehu: () => behy.bezi(),
});
ohlasujKroky(t, () => jazyk);

const vstup = vytvorVstup(inputBox);
const vystup = vytvorVystup({ panel: $('output'), novinky: $('output-news'), t, naRadek: program.naRadek });

behy = vytvorBehy({
  LIMITS,
  naZasobnikuWorkeru: NA_ZASOBNIKU_WORKERU,
  run: $('run'),
  step: $('step'),
  stop: $('stop'),
  endInput: $('end-input'),
  limity: $('limits'),
  program: program.bajty,
  vstup: vstup.bajty,
  vystup,
  krokovani,
  diagnostika,
  poznamka,
  t,
});

const sdileni = vytvorSdileni({
  nacti(text, bajty) {
    program.nastav(text);
    vstup.nastav(bajty);
    vystup.vycisti();
  },
  program: program.bajty,
  vstup: vstup.bajty,
  krokovani,
  poznamka,
  t,
});

// An assignment beside the editor (assignment.js): the program goes to its tests as bytes,
// as to a run, and is saved as the same bytes.
const zadani = new Zadani({
  t,
  jazyk: () => jazyk,
  program: program.bajty,
  text: program.text,
  nastavProgram: program.nastav,
  zmenaProgramu: (f) => {
    priZmeneProgramu = f;
  },
});

// ---- the page's texts -------------------------------------------------------------------

function prelozStranku() {
  document.documentElement.lang = jazyk;
  for (const e of document.querySelectorAll('[data-t]')) vlozText(e, t()[e.dataset.t]);
  for (const e of document.querySelectorAll('[data-t-title]')) e.title = t()[e.dataset.tTitle];
  for (const e of document.querySelectorAll('[data-t-href]')) e.href = t()[e.dataset.tHref];
  for (const e of document.querySelectorAll('[data-t-aria-label]')) {
    e.setAttribute('aria-label', t()[e.dataset.tAriaLabel]);
  }
  vystup.preloz();
  jazykMenu.value = jazyk;
  sdileni.popisPrikladu();
  behy.preloz();
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
  if (program.text() === uvodniProgram(dosavadni)) program.nastav(uvodniProgram(jazyk));
  prelozStranku();
});

// ---- the controls and the start ---------------------------------------------------------

$('run').addEventListener('click', () => behy.spust());
$('stop').addEventListener('click', () => behy.zastav('zastaveno'));
inputBox.addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
    e.preventDefault();
    behy.spust();
  }
});

prelozStranku();
behy.novyWorker();
sdileni.nactiOdkaz();
if (parametry.get('assignment')) zadani.zAdresy(parametry.get('assignment'));
sdileni.nactiPriklady();
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
