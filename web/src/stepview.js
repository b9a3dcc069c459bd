// The step view: a run recorded step by step (see steps.js), shown one step at a time beside
// the editor. The editor marks the current statement and is read-only while the view is
// open; the panel shows the variables, the value stack and the output after the step, and the
// controls move to any step. The page (runs.js) starts the traced run and hands over its trace
// and its end; everything else happens here.
import { Compartment, EditorState, Prec, StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView, keymap } from '@codemirror/view';
import { kusyVystupu } from './bytes.js';
import { $, uzelEscape } from './dom.js';
import {
  dalsiZastaveni,
  klavesaZarazky,
  predchoziZastaveni,
  prepniZarazku,
  radkyZarazek,
  zarazkyEditoru,
} from './breakpoints.js';
import { NEJVYS_BAJTU_STOPY, NEJVYS_KROKU, ZaznamBehu, bajtyHodnoty } from './steps.js';
import { vlozText } from './texts.js';

// The line the page shows before every run's output (the command's opening line).
const UVOD = '\nhello\n\n';
// A value longer than this is shown cut, with its length.
const NEJVYS_ZOBRAZENO = 2000;
// The stack shows this many values from its top; how many more there are is said below it.
const NEJVYS_ZASOBNIKU = 1000;

// Puts bytes into `kam` as the output pane shows them: text, and escapes for what is not.
function ukazBajty(kam, b) {
  kam.textContent = '';
  const zkraceno = b.length > NEJVYS_ZOBRAZENO;
  for (const k of kusyVystupu(zkraceno ? b.subarray(0, NEJVYS_ZOBRAZENO) : b).kusy) {
    kam.append(k.esc ? uzelEscape(k.esc) : k.text);
  }
  return zkraceno;
}

// Bytes of a UTF-8 character of the editor's text; a byte that is not valid UTF-8 is held as
// U+DC80 + byte (see bytes.js).
function bajtuZnaku(kod) {
  if (kod < 0x80 || (kod >= 0xdc80 && kod <= 0xdcff)) return 1;
  if (kod < 0x800) return 2;
  if (kod >= 0x10000) return 4;
  return 3;
}

// The editor position of line `radek`, byte column `sloupec` (both from 1), and the end of
// the token that starts there: a word, with its leading @, ~ or ?, or one character.
function poziceTokenu(doc, radek, sloupec) {
  const line = doc.line(Math.min(Math.max(1, radek), doc.lines));
  const text = line.text;
  let i = 0;
  for (let bajt = 1; bajt < sloupec && i < text.length; ) {
    const kod = text.codePointAt(i);
    bajt += bajtuZnaku(kod);
    i += kod >= 0x10000 ? 2 : 1;
  }
  let j = i;
  if (/[@~?]/.test(text[j] ?? '')) j++;
  while (j < text.length && /[a-z0-9_]/.test(text[j])) j++;
  if (j === i && i < text.length) j = i + 1;
  return { radek: line.from, od: line.from + i, do: line.from + j };
}

const oznacKrok = StateEffect.define();
const znackyKroku = StateField.define({
  create: () => Decoration.none,
  update(deco, tr) {
    for (const e of tr.effects) if (e.is(oznacKrok)) return e.value;
    return deco.map(tr.changes);
  },
  provide: (f) => EditorView.decorations.from(f),
});

const radkovaZnacka = Decoration.line({ class: 'cm-step-line' });
const tokenovaZnacka = Decoration.mark({ class: 'cm-step-token' });
const chybovaZnacka = Decoration.mark({ class: 'cm-step-error' });

export class Krokovani {
  // `editor`: the page's EditorView; `t`: the page's texts now; `spust(interaktivni)`: starts a
  // traced run (false: the input ends with the input box); `jsmeVBehu()`: a run is going on.
  constructor({ editor, t, spust, jsmeVBehu }) {
    this.editor = editor;
    this.t = t;
    this.spustBeh = spust;
    this.jsmeVBehu = jsmeVBehu;
    this.zaznam = null;
    this.otevreno = false;
    this.n = 0;
    this.cil = null; // the step to open at, from a link
    this.presLimit = false;
    this.zastaveno = false; // stopped by the person (Stop)
    this.zpravaZarazky = null; // what Continue or Back to a breakpoint found: [key, line]
    this.upravy = new Compartment();
    const poZmene = (radek, je) => this.zarazkaPrepnuta(radek, je);
    editor.dispatch({
      effects: StateEffect.appendConfig.of([
        znackyKroku,
        this.upravy.of([]),
        zarazkyEditoru({ poZmene, poZruseni: () => this.zarazkyZruseny() }),
        Prec.highest(
          keymap.of([{ key: 'Mod-Shift-Enter', run: () => (this.krokuj(), true) }, klavesaZarazky(poZmene)])
        ),
        // A program changed from outside (an example, a link) ends the view of the old one.
        EditorView.updateListener.of((u) => {
          if (u.docChanged && this.otevreno) this.zavri();
        }),
      ]),
    });
    this.pripojOvladani();
  }

  pripojOvladani() {
    $('step').addEventListener('click', () => this.krokuj());
    $('step-next').addEventListener('click', () => this.jdi(this.n + 1));
    $('step-back').addEventListener('click', () => this.jdi(this.n - 1));
    $('step-first').addEventListener('click', () => this.jdi(1));
    $('step-last').addEventListener('click', () => this.jdi(this.zaznam.pocet));
    $('step-exit').addEventListener('click', () => this.zavri());
    $('step-bp-next').addEventListener('click', () => this.kZarazce(1));
    $('step-bp-back').addEventListener('click', () => this.kZarazce(-1));
    $('step-slider').addEventListener('input', (e) => this.jdi(Number(e.target.value)));
    $('step-goto').addEventListener('submit', (e) => {
      e.preventDefault();
      const n = Number($('step-goto-n').value);
      if (Number.isInteger(n)) this.jdi(n);
    });
    document.addEventListener('keydown', (e) => this.klavesa(e));
  }

  klavesa(e) {
    if (e.defaultPrevented || e.altKey || e.metaKey) return;
    if (e.key === 'Enter' && e.ctrlKey && e.shiftKey) {
      e.preventDefault();
      this.krokuj();
      return;
    }
    if (!this.otevreno || e.ctrlKey) return;
    // Fields that take keys themselves keep them (the slider moves by its own arrow keys).
    const cil = e.target;
    if (cil instanceof HTMLInputElement || cil instanceof HTMLTextAreaElement || cil instanceof HTMLSelectElement) return;
    if (this.klavesaZarazek(e) || e.shiftKey) return;
    const kam = {
      ArrowRight: this.n + 1,
      ArrowDown: this.n + 1,
      ArrowLeft: this.n - 1,
      ArrowUp: this.n - 1,
      Home: 1,
      End: this.zaznam.pocet,
    }[e.key];
    if (kam !== undefined) {
      e.preventDefault();
      this.jdi(kam);
    } else if (e.key === 'Escape') {
      e.preventDefault();
      this.zavri();
    }
  }

  // F8 and Shift+F8 go to the next and the previous breakpoint; F9 sets or removes one on the
  // line of the step shown. Returns whether the key was one of them.
  klavesaZarazek(e) {
    if (e.key === 'F8') this.kZarazce(e.shiftKey ? -1 : 1);
    else if (e.key === 'F9' && !e.shiftKey) {
      const krok = this.zaznam.stav(this.n).krok;
      if (krok) this.zarazkaPrepnuta(krok.line, prepniZarazku(this.editor, krok.line));
    } else return false;
    e.preventDefault();
    return true;
  }

  // Continue to the next breakpoint (`smer` 1) or back to the previous one (-1), among the
  // recorded steps; with none that way, to the last or the first step, saying so.
  kZarazce(smer) {
    if (!this.otevreno) return;
    const radky = radkyZarazek(this.editor.state);
    const kroky = this.zaznam.kroky;
    const n = smer > 0 ? dalsiZastaveni(kroky, this.n, radky) : predchoziZastaveni(kroky, this.n, radky);
    if (n === null) {
      this.jdi(smer > 0 ? this.zaznam.pocet : 1, [smer > 0 ? 'zarazkaZadnaDal' : 'zarazkaZadnaZpet']);
    } else {
      this.jdi(n, ['zarazkaZastaveni', kroky[n - 1].line]);
    }
    $('breakpoint-announce').textContent = $('step-bp-note').textContent;
  }

  zarazkaPrepnuta(radek, je) {
    $('breakpoint-announce').textContent = this.t()[je ? 'zarazkaNastavena' : 'zarazkaZrusena'](radek);
    if (this.otevreno) this.ukazZarazky();
  }

  zarazkyZruseny() {
    $('breakpoint-announce').textContent = this.t().zarazkyZruseny;
  }

  // The breakpoints set, and what the last move to one found.
  ukazZarazky() {
    const t = this.t();
    const radky = radkyZarazek(this.editor.state);
    $('step-breakpoints').textContent = radky.length > 0 ? t.zarazkyNaRadcich(radky) : t.zadneZarazky;
    const poznamka = $('step-bp-note');
    const z = this.zpravaZarazky;
    const text = z ? t[z[0]] : '';
    poznamka.textContent = typeof text === 'function' ? text(...z.slice(1)) : text;
    poznamka.hidden = !z;
  }

  // Step: runs the program with its trace; the view opens when the run has ended.
  krokuj(cil = null, interaktivni = true) {
    if (this.jsmeVBehu()) return;
    this.zavri();
    this.zaznam = new ZaznamBehu();
    this.presLimit = false;
    this.cil = cil;
    this.spustBeh(interaktivni);
  }

  // Opens a share link's program straight in the view at step `n`.
  zOdkazu(n) {
    this.krokuj(n, false);
  }

  // A piece of the trace of the run going on.
  prijmi(text) {
    this.zaznam?.prijmi(text);
  }

  // The run went past the steps the view keeps ('kroky') or the bytes ('bajty'); the page
  // stops it.
  preplneno(duvod) {
    this.presLimit = duvod;
  }

  // The traced run has ended (or was stopped; `rucne`: by Stop): opens the view.
  poBehu(rucne) {
    if (!this.zaznam) return;
    this.zastaveno = rucne;
    this.otevreno = true;
    document.body.dataset.stepping = 'true';
    $('step-view').hidden = false;
    this.editor.dispatch({
      effects: this.upravy.reconfigure([EditorState.readOnly.of(true), EditorView.editable.of(false)]),
    });
    const pocet = this.zaznam.pocet;
    const slider = $('step-slider');
    slider.min = pocet > 0 ? 1 : 0;
    slider.max = pocet;
    $('step-goto-n').min = slider.min;
    $('step-goto-n').max = pocet;
    $('step-total').textContent = String(pocet);
    const cil = this.cil ?? 1;
    this.cil = null;
    this.jdi(cil);
    $('step-next').focus();
  }

  zavri() {
    if (!this.otevreno) return;
    this.otevreno = false;
    delete document.body.dataset.stepping;
    $('step-view').hidden = true;
    this.editor.dispatch({ effects: [this.upravy.reconfigure([]), oznacKrok.of(Decoration.none)] });
    $('step').focus();
  }

  // The texts of the view in the page's language now.
  preloz() {
    $('step-cap').textContent = this.t().krokyNejvys(NEJVYS_KROKU);
    if (this.otevreno) this.ukaz();
  }

  // What a share link adds to open at the current step.
  fragment() {
    return this.otevreno && this.n > 0 ? `&step=${this.n}` : '';
  }

  // Goes to step n; `zprava`, from a move to a breakpoint, is what it found.
  jdi(n, zprava = null) {
    if (!this.otevreno) return;
    this.zpravaZarazky = zprava;
    const pocet = this.zaznam.pocet;
    this.n = Math.min(Math.max(n, pocet > 0 ? 1 : 0), pocet);
    this.ukaz();
  }

  // Shows the state after step n, everything drawn afresh from the record.
  ukaz() {
    const { n, krok, promenne, zasobnik, vystup } = this.zaznam.stav(this.n);
    const pocet = this.zaznam.pocet;
    const posledni = n === pocet;
    $('step-number').textContent = String(n);
    $('step-slider').value = String(n);
    $('step-goto-n').value = String(n);
    $('step-back').disabled = n <= 1;
    $('step-first').disabled = n <= 1;
    $('step-next').disabled = n >= pocet;
    $('step-last').disabled = n >= pocet;
    this.ukazZarazky();
    this.popisKrok(krok);
    this.ukazPromenne(promenne);
    this.ukazZasobnik(zasobnik);
    const konec = this.zaznam.konec;
    const chyba = posledni && konec?.end === 'error' ? konec : null;
    const text = UVOD + vystup + (chyba ? (chyba.message ?? '') : '');
    ukazBajty($('step-output'), bajtyHodnoty(text));
    this.ukazPoznamku(posledni);
    this.oznacVEditoru(krok, chyba);
  }

  popisKrok(krok) {
    const t = this.t();
    const kde = $('step-where');
    const co = $('step-what');
    const podminka = $('step-condition');
    podminka.hidden = true;
    if (!krok) {
      kde.textContent = '';
      co.textContent = t.zadnyKrok;
      return;
    }
    kde.textContent = t.krokRadek(krok.line, krok.col);
    vlozText(co, t.krokDruh(krok));
    if (krok.kind === 'if' || krok.kind === 'while') {
      podminka.hidden = false;
      podminka.dataset.taken = String(Boolean(krok.taken));
      ukazBajty($('step-condition-value'), bajtyHodnoty(krok.value ?? ''));
      $('step-condition-taken').textContent = t.podminkaPlati(krok.kind, Boolean(krok.taken));
    }
  }

  ukazPromenne(promenne) {
    const tabulka = $('step-variables');
    const telo = document.createElement('tbody');
    for (const p of promenne) {
      const tr = document.createElement('tr');
      if (p.zmenena) tr.className = 'changed';
      const jmeno = document.createElement('td');
      jmeno.textContent = p.jmeno;
      const hodnota = document.createElement('td');
      const b = bajtyHodnoty(p.hodnota);
      if (ukazBajty(hodnota, b)) hodnota.append(this.t().zkraceno(b.length));
      tr.append(jmeno, hodnota);
      telo.append(tr);
    }
    tabulka.tBodies[0]?.remove();
    tabulka.append(telo);
    $('step-variables-empty').hidden = promenne.length > 0;
  }

  ukazZasobnik(zasobnik) {
    const seznam = $('step-stack');
    seznam.textContent = '';
    for (const z of zasobnik.slice(0, NEJVYS_ZASOBNIKU)) {
      const li = document.createElement('li');
      if (z.pridana) li.className = 'pushed';
      const b = bajtyHodnoty(z.hodnota);
      if (ukazBajty(li, b)) li.append(this.t().zkraceno(b.length));
      seznam.append(li);
    }
    $('step-stack-empty').hidden = zasobnik.length > 0;
    const dalsi = $('step-stack-more');
    dalsi.hidden = zasobnik.length <= NEJVYS_ZASOBNIKU;
    dalsi.textContent = dalsi.hidden ? '' : this.t().dalsiNaZasobniku(zasobnik.length - NEJVYS_ZASOBNIKU);
  }

  // How the run ended, said at its last step; a run cut short is said at every step.
  ukazPoznamku(posledni) {
    const t = this.t();
    const poznamka = $('step-note');
    const konec = this.zaznam.konec;
    let text = '';
    let druh = '';
    if (this.presLimit) {
      text =
        this.presLimit === 'bajty'
          ? t.krokyPresPamet(NEJVYS_BAJTU_STOPY)
          : t.krokyPresLimit(NEJVYS_KROKU);
      druh = 'stopped';
    } else if (posledni && konec?.end === 'error') {
      [text, druh] = [t.krokChyba(konec.line, konec.col), 'error'];
    } else if (posledni && (konec === null || konec.end === 'stopped')) {
      [text, druh] = [this.zastaveno ? t.krokZastavenoRucne : t.krokZastaveno, 'stopped'];
    } else if (posledni && konec?.end === 'ok') {
      [text, druh] = [t.krokDobehl, 'ok'];
    }
    poznamka.textContent = text;
    poznamka.hidden = !text;
    poznamka.dataset.end = druh;
  }

  oznacVEditoru(krok, chyba) {
    const doc = this.editor.state.doc;
    const znacky = [];
    let kam = null;
    if (krok) {
      const p = poziceTokenu(doc, krok.line, krok.col);
      znacky.push(radkovaZnacka.range(p.radek));
      if (p.do > p.od) znacky.push(tokenovaZnacka.range(p.od, p.do));
      kam = p.od;
    }
    if (chyba && chyba.line) {
      const p = poziceTokenu(doc, chyba.line, chyba.col);
      if (p.do > p.od) znacky.push(chybovaZnacka.range(p.od, p.do));
      kam ??= p.od;
    }
    this.editor.dispatch({
      effects: [
        oznacKrok.of(Decoration.set(znacky, true)),
        ...(kam === null ? [] : [EditorView.scrollIntoView(kam, { y: 'nearest' })]),
      ],
    });
  }
}
