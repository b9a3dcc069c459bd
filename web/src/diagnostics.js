// The checker's findings in the editor while the person types: errors and warnings
// underlined (through the editor's lint support) and listed under the editor, each item
// moving the cursor to its place; the Tidy button, which lays the program out anew; and,
// after a run that failed, the token its message is about, marked in the editor. The
// checker and the formatter run in a worker of their own (check-worker.js).
import { StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView } from '@codemirror/view';
import { linter, setDiagnostics } from '@codemirror/lint';
import { MESSAGE } from './words.js';
import { bytyZTextu, textZBytu } from './bytes.js';
import { mistoRadku } from './checking.js';
import SLOVNIK from '../../check/diagnostics.json';

// The code and the explanation, in `jazyk`, of one of the run's error messages.
function vysvetleniHlasky(zprava, jazyk) {
  if (!zprava) return null;
  const x = /byl ocekavan znak: "(.*)", namisto/.exec(zprava)?.[1];
  const d = SLOVNIK.codes.find((c) => (x !== undefined ? c.expected === x : c.tail && zprava.endsWith(c.tail)));
  return d ? `${d.code}: ${d.explanation[jazyk] ?? d.explanation.en}` : null;
}

const TEXTY = {
  en: {
    nadpis: 'Checker',
    upravit: 'Tidy',
    upravitTitulek: 'Lay the program out anew: indentation, one statement a line, blanks around operators',
    upravitNelze: 'Tidy works on a program without syntax errors: correct the error first.',
    upraveno: 'Tidied: only the layout changed.',
    uzUpraveno: 'The program is already tidy.',
    neupraveno: (proc) => `Left as it is: ${proc}`,
    kontroluje: 'Checking…',
    bezNalezu: 'No errors or warnings.',
    pocty: (c, v) =>
      [c ? `${c} error${c === 1 ? '' : 's'}` : '', v ? `${v} warning${v === 1 ? '' : 's'}` : '']
        .filter(Boolean)
        .join(', ') + '.',
    chyba: 'error',
    varovani: 'warning',
    dalsi: (n) => `… and ${n} more`,
    nedostupny: (z) => `The checker is not available: ${z}`,
    chybaBehu: 'The error of the run is here:',
    radekSloupec: (r, s) => `line ${r}, column ${s}`,
    hlasenyRadek: (r) => `(the message quotes line ${r})`,
    pouzit: 'Apply',
    pouzitTitulek: (popis) => `Apply the fix: ${popis} (undo with Ctrl+Z)`,
  },
  cs: {
    nadpis: 'Kontrola',
    upravit: 'Zformátovat',
    upravitTitulek: 'Rozvrhnout program znovu: odsazení, jeden příkaz na řádek, mezery kolem operátorů',
    upravitNelze: 'Zformátovat lze jen program bez syntaktické chyby: nejdřív chybu opravte.',
    upraveno: 'Zformátováno: změnilo se jen rozvržení.',
    uzUpraveno: 'Program už je zformátovaný.',
    neupraveno: (proc) => `Ponecháno beze změny: ${proc}`,
    kontroluje: 'Kontroluji…',
    bezNalezu: 'Žádné chyby ani varování.',
    pocty: (c, v) => [c ? `${c} chyba` : '', v ? `${v} varování` : ''].filter(Boolean).join(', ') + '.',
    chyba: 'chyba',
    varovani: 'varování',
    dalsi: (n) => `… a dalších ${n}`,
    nedostupny: (z) => `Kontrola není k dispozici: ${z}`,
    chybaBehu: 'Chyba běhu je zde:',
    radekSloupec: (r, s) => `řádek ${r}, sloupec ${s}`,
    hlasenyRadek: (r) => `(hláška uvádí řádek ${r})`,
    pouzit: 'Použít',
    pouzitTitulek: (popis) => `Použít opravu: ${popis} (zpět Ctrl+Z)`,
  },
};

// At most this many findings are listed; the underlines show all of them.
const NEJVIC_V_SEZNAMU = 200;
// How long typing must pause before the program is checked, in milliseconds.
const PRODLEVA = 250;

// ---- the checking worker ----------------------------------------------------------------

class Kontrolor {
  constructor() {
    this.id = 0;
    this.cekajici = new Map();
    this.start();
  }

  start() {
    this.worker = new Worker('check-worker.js');
    this.worker.onmessage = (e) => {
      const d = e.data;
      const hotovo = this.cekajici.get(d.id);
      this.cekajici.delete(d.id);
      if (d.skoncil) this.restart();
      hotovo?.(d);
    };
  }

  // A worker whose module trapped takes no more requests; what waited on it gets no answer.
  restart() {
    this.worker.terminate();
    for (const hotovo of this.cekajici.values()) hotovo({ selhani: 'restarted' });
    this.cekajici.clear();
    this.start();
  }

  pozadej(typ, program, dalsi = {}) {
    const id = ++this.id;
    return new Promise((hotovo) => {
      this.cekajici.set(id, hotovo);
      this.worker.postMessage({ typ, id, program, ...dalsi });
    });
  }

  ukonci() {
    this.worker.terminate();
  }
}

// Runs a program again in a worker of its own, which ends with the answer: the last record
// of its trace, or null when it could not be had within `ms` milliseconds.
async function zopakuj(program, vstup, limity, ms) {
  const k = new Kontrolor();
  let casovac;
  const vyprselo = new Promise((hotovo) => {
    casovac = setTimeout(() => hotovo({}), ms);
  });
  try {
    const d = await Promise.race([k.pozadej('opakovani', program, { vstup, limity }), vyprselo]);
    return d.konec ?? null;
  } finally {
    clearTimeout(casovac);
    k.ukonci();
  }
}

// ---- the token a run's error is about ---------------------------------------------------

const oznacMistoBehu = StateEffect.define();
const mistoBehu = StateField.define({
  create: () => Decoration.none,
  update(deco, tr) {
    for (const e of tr.effects) {
      if (e.is(oznacMistoBehu)) {
        if (e.value === null) return Decoration.none;
        const { from, to, title } = e.value;
        return Decoration.set([
          Decoration.mark({ class: 'cm-run-error', attributes: { title } }).range(from, to),
        ]);
      }
    }
    return tr.docChanged ? Decoration.none : deco;
  },
  provide: (f) => EditorView.decorations.from(f),
});

// The extent of the token that starts at `od`: a word, a name, a number, a text in quotes
// or an operator; at least one character, none at the end of the program.
function token(program, od) {
  const zbytek = program.slice(od, od + 4096);
  const m = /^(?:[@~?]?[A-Za-z0-9_]+|"(?:\/.|[^"/])*"?|->|!=|<=|>=|\S)/su.exec(zbytek);
  return { from: od, to: od + (m ? m[0].length : 0) };
}

// ---- the page's part --------------------------------------------------------------------

const el = (tag, vlastnosti = {}, ...deti) => {
  const e = document.createElement(tag);
  Object.assign(e, vlastnosti);
  e.append(...deti);
  return e;
};

export class Diagnostika {
  // `editor` is created later; `jazyk` is the page's language ('cs' or 'en').
  constructor(jazyk) {
    this.jazyk = jazyk;
    this.editor = null;
    this.kontrolor = new Kontrolor();
    this.zjisteni = null; // the findings for the program the editor holds, once known
    this.stavUpravy = null; // what the last Tidy said, until the program changes
    this.behVProgramu = null;
    this.mistoChybyBehu = null;

    this.upravitBtn = el('button', { id: 'tidy', type: 'button' });
    this.upravitBtn.addEventListener('click', () => this.uprav());
    this.panel = el('section', { id: 'diagnostics', className: 'diagnostics' });
    this.nadpis = el('h2', { id: 'diagnostics-label' });
    this.souhrn = el('p', { id: 'diagnostics-summary', className: 'diag-summary' });
    this.souhrn.setAttribute('role', 'status');
    this.chybaBehu = el('p', { id: 'run-error-spot', hidden: true });
    this.seznam = el('ul', { id: 'diagnostics-list' });
    this.panel.setAttribute('aria-labelledby', 'diagnostics-label');
    this.panel.append(this.nadpis, this.souhrn, this.chybaBehu, this.seznam);
  }

  t() {
    return TEXTY[this.jazyk] ?? TEXTY.en;
  }

  // The editor's extensions: the checker as a lint source, and the run's error mark.
  extensions() {
    return [
      linter((view) => this.zkontroluj(view), { delay: PRODLEVA }),
      mistoBehu,
      EditorView.updateListener.of((u) => {
        if (!u.docChanged) return;
        this.mistoChybyBehu = null;
        if (!u.transactions.some((tr) => tr.isUserEvent('input.format'))) this.stavUpravy = null;
        this.ukazChybuBehu();
        this.souhrn.textContent = this.t().kontroluje;
      }),
    ];
  }

  // Puts the list after `editorEl` and the Tidy button after `tlacitkoPred`.
  umisti(editor, editorEl, tlacitkoPred) {
    this.editor = editor;
    editorEl.after(this.panel);
    tlacitkoPred.after(this.upravitBtn);
    this.prelozit(this.jazyk);
  }

  prelozit(jazyk) {
    this.jazyk = jazyk;
    const t = this.t();
    this.upravitBtn.textContent = t.upravit;
    this.nadpis.textContent = t.nadpis;
    this.ukazSeznam();
    this.ukazChybuBehu();
    // The checker's words follow the page's language: check again.
    if (this.editor) this.znovu();
  }

  async znovu() {
    const view = this.editor;
    const doc = view.state.doc;
    const nalezy = await this.zkontroluj(view);
    if (view.state.doc === doc) view.dispatch(setDiagnostics(view.state, nalezy));
  }

  // ---- checking while typing --------------------------------------------------------------

  async zkontroluj(view) {
    const doc = view.state.doc;
    const d = await this.kontrolor.pozadej('kontrola', doc.toString(), { jazyk: this.jazyk });
    // An answer for a program typed over since is no longer shown.
    if (view.state.doc !== doc) return [];
    // The worker was started again after a program it could not check: ask the new one.
    if (d.selhani === 'restarted') return this.zkontroluj(view);
    if (d.selhani || !d.zjisteni) {
      this.zjisteni = null;
      this.souhrn.textContent = this.t().nedostupny(d.selhani ?? 'out of memory');
      this.seznam.textContent = '';
      this.upravitBtn.disabled = false;
      return [];
    }
    this.zjisteni = d.zjisteni;
    this.ukazSeznam();
    return d.zjisteni.map((z) => ({
      from: z.from,
      to: z.to,
      severity: z.severity,
      source: 'moxa-check',
      message: [z.message, ...z.notes.map((n) => n.message), z.explanation].filter(Boolean).join('\n'),
    }));
  }

  ukazSeznam() {
    const t = this.t();
    const ma = this.zjisteni?.[0]?.severity === 'error';
    this.upravitBtn.disabled = Boolean(ma);
    this.upravitBtn.title = ma ? t.upravitNelze : t.upravitTitulek;
    if (this.zjisteni === null) return;
    const chyb = this.zjisteni.filter((z) => z.severity === 'error').length;
    const souhrn = this.zjisteni.length === 0 ? t.bezNalezu : t.pocty(chyb, this.zjisteni.length - chyb);
    this.souhrn.textContent = [souhrn, ma ? t.upravitNelze : '', this.stavUpravy ?? '']
      .filter(Boolean)
      .join(' ');
    this.seznam.textContent = '';
    for (const z of this.zjisteni.slice(0, NEJVIC_V_SEZNAMU)) {
      const polozka = el(
        'button',
        { type: 'button', className: `diag diag-${z.severity}` },
        el('span', { className: 'diag-where' }, `${z.line}:${z.column}`),
        ' ',
        el('span', { className: 'diag-severity' }, z.severity === 'error' ? t.chyba : t.varovani),
        ' ',
        el('span', { className: 'diag-message' }, z.message)
      );
      polozka.dataset.from = z.from;
      polozka.addEventListener('click', () => this.naMisto(z.from, z.to));
      const li = el('li', {}, polozka);
      for (const n of z.notes) li.append(el('p', { className: 'diag-note' }, n.message));
      if (z.explanation) li.append(el('p', { className: 'diag-explanation' }, z.explanation));
      // The first fix, one click away and undone as any edit is.
      const oprava = z.fixes?.[0];
      if (oprava) {
        const pouzij = el('button', { type: 'button', className: 'diag-apply', title: t.pouzitTitulek(oprava.title) }, t.pouzit);
        pouzij.setAttribute('aria-label', t.pouzitTitulek(oprava.title));
        pouzij.addEventListener('click', () => this.pouzij(oprava));
        li.append(pouzij);
      }
      this.seznam.append(li);
    }
    if (this.zjisteni.length > NEJVIC_V_SEZNAMU) {
      const zbyva = this.zjisteni.length - NEJVIC_V_SEZNAMU;
      this.seznam.append(el('li', { className: 'diag-more' }, t.dalsi(zbyva)));
    }
  }

  // Applies a fix of the checker's to the program the editor holds, as one undoable change.
  pouzij(oprava) {
    const n = this.editor.state.doc.length;
    const od = Math.min(oprava.from, n);
    this.editor.dispatch({
      changes: { from: od, to: Math.min(Math.max(od, oprava.to), n), insert: oprava.replacement },
      selection: { anchor: od + oprava.replacement.length },
      userEvent: 'input.fix',
    });
    this.editor.focus();
  }

  // Moves the cursor to the place [od, po) of the program and shows it.
  naMisto(od, po) {
    const n = this.editor.state.doc.length;
    const a = Math.min(od, n);
    this.editor.dispatch({
      selection: { anchor: a, head: Math.min(Math.max(a, po), n) },
      effects: EditorView.scrollIntoView(a, { y: 'center' }),
    });
    this.editor.focus();
  }

  // ---- Tidy -------------------------------------------------------------------------------

  async uprav() {
    const doc = this.editor.state.doc;
    const d = await this.kontrolor.pozadej('uprava', doc.toString());
    if (this.editor.state.doc !== doc) return;
    const t = this.t();
    if (d.text === undefined) {
      this.stavUpravy = t.neupraveno(d.chyba ?? d.selhani);
    } else {
      const stary = doc.toString();
      // Only what lies between the common beginning and end is replaced, so that the cursor
      // and the undo history keep their places.
      let a = 0;
      while (a < stary.length && a < d.text.length && stary[a] === d.text[a]) a++;
      let b = 0;
      const stejnyKonec = () => stary[stary.length - 1 - b] === d.text[d.text.length - 1 - b];
      while (b < stary.length - a && b < d.text.length - a && stejnyKonec()) b++;
      if (a === stary.length && a === d.text.length) this.stavUpravy = t.uzUpraveno;
      else {
        this.editor.dispatch({
          changes: { from: a, to: stary.length - b, insert: d.text.slice(a, d.text.length - b) },
          userEvent: 'input.format',
        });
        this.stavUpravy = t.upraveno;
      }
    }
    this.ukazSeznam();
    if (this.zjisteni === null) this.souhrn.textContent = this.stavUpravy;
  }

  // ---- the place of a run's error ----------------------------------------------------------

  // A run of the program the editor holds now starts, with `vstup` (bytes; empty when the
  // person types the input while it runs) and the run's `limity` ({ seconds, output, memory }).
  zacatekBehu(vstup, limity) {
    this.behVProgramu = this.editor.state.doc;
    this.cisloBehu = (this.cisloBehu ?? 0) + 1;
    this.vstupBehu = vstup;
    this.limityBehu = limity;
    this.mistoChybyBehu = null;
    this.ukazChybuBehu();
    this.editor.dispatch({ effects: oznacMistoBehu.of(null) });
  }

  // The run has ended with an error. `vystup` is its output (bytes); `napsano` what the person
  // typed while it ran. Marks the token the message is about: the checker's place for a
  // syntax error; for an error found while running, the statement that failed, which the
  // last record of a trace gives: the run is replayed with its trace, on the same input.
  async poChybe(vystup, napsano) {
    const doc = this.behVProgramu;
    if (!doc) return;
    const beh = this.cisloBehu;
    // What arrives for a program changed since, or after another run began, is not shown.
    const plati = () => this.editor.state.doc === doc && this.cisloBehu === beh;
    const program = doc.toString();
    let zprava = null;
    for (const radek of textZBytu(vystup).split('\n')) if (MESSAGE.test(radek)) zprava = radek;
    const d = await this.kontrolor.pozadej('kontrola', program);
    if (!plati()) return;
    const chyba = d.zjisteni?.[0]?.severity === 'error' ? d.zjisteni[0] : null;
    let misto = null;
    // The two errors that print no message of their own are both syntax errors.
    // The checker's error is the run's, or stands at its cause with the run's as a note.
    const tamtez = chyba && (zprava === null || chyba.message === zprava ? chyba : chyba.notes.find((n) => n.message === zprava));
    if (tamtez) {
      misto = { from: tamtez.from, to: tamtez.to };
    } else {
      const vstup = this.vstupBehu.length > 0 ? this.vstupBehu : bytyZTextu(napsano);
      const konec = await zopakuj(program, vstup, this.limityBehu, (this.limityBehu.seconds + 5) * 1000);
      if (!plati()) return;
      // The replay must have failed as the run did, or its place is not the run's.
      const stejna = (konec?.message ?? '').replace(/\n$/, '') === (zprava ?? '');
      if (konec?.end === 'error' && konec.line > 0 && stejna) {
        misto = token(program, mistoRadku(program, konec.line, konec.col ?? 1));
      }
    }
    if (!misto) return;
    const radek = doc.lineAt(misto.from);
    const quoted = zprava !== null ? Number(MESSAGE.exec(zprava)?.[2]) : null;
    this.mistoChybyBehu = {
      ...misto,
      radek: radek.number,
      sloupec: misto.from - radek.from + 1,
      hlaseny: quoted,
      text: program.slice(misto.from, misto.to),
      zprava,
    };
    // A place just past the last character is shown on that character.
    const from = Math.min(misto.from, Math.max(0, doc.length - 1));
    const to = Math.max(misto.to, Math.min(from + 1, doc.length));
    this.editor.dispatch({
      effects: [
        oznacMistoBehu.of(from < to ? { from, to, title: zprava ?? '' } : null),
        EditorView.scrollIntoView(from, { y: 'center' }),
      ],
    });
    this.ukazChybuBehu();
  }

  ukazChybuBehu() {
    const m = this.mistoChybyBehu;
    this.chybaBehu.hidden = !m;
    if (!m) return;
    const t = this.t();
    const odkaz = el('a', { href: '#', className: 'run-error-link' }, t.radekSloupec(m.radek, m.sloupec));
    odkaz.addEventListener('click', (e) => {
      e.preventDefault();
      this.naMisto(m.from, m.to);
    });
    const casti = [t.chybaBehu, ' ', odkaz];
    if (m.text) casti.push(' ', el('code', {}, m.text));
    if (m.hlaseny && m.hlaseny !== m.radek) casti.push(' ', t.hlasenyRadek(m.hlaseny));
    const vysvetleni = vysvetleniHlasky(m.zprava, this.jazyk);
    if (vysvetleni) casti.push(' ', el('span', { className: 'run-error-explanation' }, vysvetleni));
    this.chybaBehu.replaceChildren(...casti);
  }
}
