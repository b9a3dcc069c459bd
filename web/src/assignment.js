// An assignment in the page: the bundle that `moxa-grade --bundle` writes, opened from
// `?assignment=URL` (this page's origin only) or from a file (the button or a drop). The task
// is shown beside the editor, rendered from Markdown and sanitised, for a task text is not
// trusted to run script here. Test runs the visible tests in a worker of their own, where the
// grader's comparison and verdict code, compiled with the interpreter, judges each run; the
// student's program is kept in the browser's storage per assignment.
import { marked } from 'marked';
import DOMPurify from 'dompurify';
import { $ } from './dom.js';

const FORMAT = 'moxa-assignment';
const VERZE = 1;
const REZIMY = ['exact', 'trailing', 'whitespace', 'numbers'];
const LIMITY = ['max_steps', 'max_output', 'max_memory', 'max_time'];

// A bundle checked field by field; throws an Error whose message says what is wrong.
export function prectiBalik(text) {
  let b;
  try {
    b = JSON.parse(text);
  } catch (e) {
    throw new Error(`not JSON (${e.message})`);
  }
  const chyba = (co) => {
    throw new Error(co);
  };
  if (!b || typeof b !== 'object' || b.format !== FORMAT) chyba(`not a ${FORMAT} bundle`);
  if (b.version !== VERZE) chyba(`version ${b.version} of the bundle; this page reads version ${VERZE}`);
  if (typeof b.name !== 'string' || typeof b.task !== 'string') chyba('no name or task');
  if (!Array.isArray(b.tests)) chyba('no list of tests');
  const cislo = (x) => typeof x === 'number' && Number.isFinite(x) && x >= 0;
  for (const t of b.tests) {
    if (!t || typeof t.name !== 'string' || typeof t.input !== 'string' || typeof t.expected !== 'string')
      chyba('a test without its name, input or expected output');
    if (!REZIMY.includes(t.mode)) chyba(`test ${t.name}: unknown mode ${t.mode}`);
    if (!cislo(t.points)) chyba(`test ${t.name}: points must be a number`);
    if (!t.limits || !LIMITY.every((k) => cislo(t.limits[k]))) chyba(`test ${t.name}: limits missing`);
  }
  if (!b.hidden || !cislo(b.hidden.count) || !cislo(b.hidden.points)) chyba('no count of hidden tests');
  return b;
}

// The task's Markdown as sanitised HTML: no script, no event handler, no javascript: link.
export function vykresliZadani(markdown) {
  return DOMPurify.sanitize(marked.parse(markdown), { USE_PROFILES: { html: true } });
}

const kolik = (n) => String(Math.round(n * 1000) / 1000);

export class Zadani {
  // `strana`: { t() the texts of the page's language, jazyk() that language ('cs' or 'en'),
  // program() the editor's program as bytes, text() as text, nastavProgram(text),
  // zmenaProgramu(fn) to be called on every edit }.
  constructor(strana) {
    this.strana = strana;
    this.balik = null;
    this.worker = null;
    this.vysledky = [];
    this.panel = $('assignment');
    this.nazev = $('assignment-name');
    this.text = $('assignment-task');
    this.testBtn = $('assignment-test');
    this.stopBtn = $('assignment-stop');
    this.stahnoutBtn = $('assignment-download');
    this.vysledkyEl = $('assignment-results');
    this.souhrn = $('assignment-summary');
    this.hlaseni = $('assignment-message');
    this.soubor = $('assignment-file');
    $('assignment-open').addEventListener('click', () => this.soubor.click());
    this.soubor.addEventListener('change', () => {
      const f = this.soubor.files?.[0];
      if (f) f.text().then((t) => this.otevri(t));
      this.soubor.value = '';
    });
    document.addEventListener('dragover', (e) => {
      if (e.dataTransfer?.types?.includes('Files')) e.preventDefault();
    });
    document.addEventListener('drop', (e) => {
      const f = e.dataTransfer?.files?.[0];
      if (!f) return;
      e.preventDefault();
      f.text().then((t) => this.otevri(t));
    });
    this.testBtn.addEventListener('click', () => this.testuj());
    this.stopBtn.addEventListener('click', () => this.zastav());
    this.stahnoutBtn.addEventListener('click', () => this.stahni());
    strana.zmenaProgramu(() => this.uloz());
  }

  // Opens `?assignment=URL` when the page was given one: a relative address or one of this
  // page's own origin, nothing else.
  async zAdresy(adresa) {
    let url;
    try {
      url = new URL(adresa, location.href);
    } catch {
      url = null;
    }
    if (!url || url.origin !== location.origin) {
      this.chyba('ukolCiziAdresa');
      return;
    }
    try {
      const odpoved = await fetch(url, { credentials: 'same-origin' });
      if (!odpoved.ok) throw new Error(`HTTP ${odpoved.status}`);
      this.otevri(await odpoved.text());
    } catch (e) {
      this.chyba('ukolNenacten', e.message);
    }
  }

  // A message about the bundle: the key of its text and the values the text takes, so that
  // it can be said again in another language.
  chyba(klic, ...args) {
    this.panel.hidden = false;
    this.zpravaHlaseni = { klic, args };
    this.ukazHlaseni();
    this.hlaseni.hidden = false;
  }

  ukazHlaseni() {
    if (!this.zpravaHlaseni) return;
    const { klic, args } = this.zpravaHlaseni;
    const text = this.strana.t()[klic];
    this.hlaseni.textContent = typeof text === 'function' ? text(...args) : text;
  }

  // The state of the tests said below the results (Testing…, stopped, failed), kept as a key
  // for the same reason; null when the results' total says it.
  stavTestu(klic, ...args) {
    this.zpravaSouhrnu = klic ? { klic, args } : null;
    this.vykresliVysledky();
  }

  otevri(text) {
    let balik;
    try {
      balik = prectiBalik(text);
    } catch (e) {
      this.chyba('ukolNeplatny', e.message);
      return;
    }
    this.zastav();
    this.balik = balik;
    this.hlaseni.hidden = true;
    this.zpravaHlaseni = null;
    this.panel.hidden = false;
    document.body.classList.add('s-ukolem');
    this.nazev.textContent = balik.name;
    this.text.innerHTML = vykresliZadani(balik.task);
    this.vysledky = [];
    this.zpravaSouhrnu = null;
    this.vykresliVysledky();
    let ulozeny = null;
    try {
      ulozeny = localStorage.getItem(this.klic());
    } catch {
      ulozeny = null;
    }
    if (ulozeny !== null) this.strana.nastavProgram(ulozeny);
    this.testBtn.disabled = false;
    this.stahnoutBtn.disabled = false;
  }

  klic() {
    return `moxa-assignment:${this.balik.name}`;
  }

  uloz() {
    if (!this.balik) return;
    try {
      localStorage.setItem(this.klic(), this.strana.text());
    } catch {
      // Storage full or refused: the program stays in the editor.
    }
  }

  testuj() {
    if (!this.balik || this.worker) return;
    this.vysledky = [];
    this.dokonceno = false;
    this.testBtn.disabled = true;
    this.stopBtn.disabled = false;
    this.stavTestu('ukolBezi');
    const w = new Worker('worker.js');
    this.worker = w;
    w.onmessage = (e) => {
      if (this.worker !== w) return;
      const d = e.data;
      if (d.typ === 'test') {
        this.vysledky[d.index] = d;
        this.vykresliVysledky();
      } else if (d.typ === 'testyHotovo') {
        this.dokonceno = true;
        this.konec();
        this.stavTestu(null);
      } else if (d.typ === 'preteceni' || d.typ === 'selhani') {
        this.konec();
        this.stavTestu('ukolSelhal', d.zprava);
      }
    };
    // Why a test failed is said in the page's language when the tests start, as moxa-grade
    // says it in the language it was given.
    const cesky = this.strana.jazyk() === 'cs';
    w.postMessage({ typ: 'testy', program: this.strana.program(), testy: this.balik.tests, cesky });
  }

  konec() {
    this.worker?.terminate();
    this.worker = null;
    this.testBtn.disabled = !this.balik;
    this.stopBtn.disabled = true;
  }

  zastav() {
    if (!this.worker) return;
    this.konec();
    this.stavTestu('ukolZastaven');
  }

  vykresliVysledky() {
    const t = this.strana.t();
    this.vysledkyEl.replaceChildren();
    if (!this.balik) return;
    let ziskano = 0;
    let hotovo = 0;
    this.balik.tests.forEach((test, i) => {
      const v = this.vysledky[i];
      const li = document.createElement('li');
      li.dataset.test = test.name;
      const hlava = document.createElement('span');
      if (v) {
        hotovo++;
        ziskano += v.points;
        li.dataset.verdict = v.verdict === 'passed' ? 'pass' : v.verdict;
        li.dataset.points = String(v.points);
        hlava.textContent = t.ukolTest(test.name, t.ukolVerdikt[v.verdict] ?? v.verdict, kolik(v.points), kolik(test.points));
      } else {
        hlava.textContent = t.ukolCeka(test.name, kolik(test.points));
      }
      li.append(hlava);
      if (v && v.verdict !== 'passed' && v.message) {
        const pre = document.createElement('pre');
        pre.textContent = v.message;
        pre.tabIndex = 0;
        li.append(pre);
      }
      this.vysledkyEl.append(li);
    });
    if (hotovo === this.balik.tests.length && (hotovo > 0 || this.dokonceno)) {
      const mozne = this.balik.tests.reduce((s, x) => s + x.points, 0);
      this.souhrn.textContent = t.ukolSouhrn(kolik(ziskano), kolik(mozne), this.balik.hidden.count, kolik(this.balik.hidden.points));
      this.souhrn.dataset.points = String(ziskano);
      this.souhrn.dataset.hiddenPoints = String(this.balik.hidden.points);
    } else {
      const z = this.zpravaSouhrnu;
      const text = z ? t[z.klic] : '';
      this.souhrn.textContent = typeof text === 'function' ? text(...z.args) : text;
      delete this.souhrn.dataset.points;
      delete this.souhrn.dataset.hiddenPoints;
    }
  }

  stahni() {
    if (!this.balik) return;
    const blob = new Blob([this.strana.program()], { type: 'application/octet-stream' });
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = `${this.balik.name}.mox`;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  }

  // After the language changed: the texts made here again, a test run going on or not.
  prelozeno() {
    this.ukazHlaseni();
    this.vykresliVysledky();
  }
}
