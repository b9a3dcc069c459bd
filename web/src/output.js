// The output pane: a run's bytes put on the page as they arrive, a frame at a time, in blocks
// the browser lays out cheaply; the lines typed while it ran, marked; the end kept in view
// unless the person scrolls away; new output said to a screen reader; and after an error, the
// line number of its message made a link to that line of the program.
import { MESSAGE } from './words.js';
import { kusyVystupu, spojBajty } from './bytes.js';
import { uzelEscape } from './dom.js';

// The output pane holds its text in blocks that end at a line end, each of about
// VELIKOST_BLOKU characters or one long line: a browser lays out again the whole block that
// text is added to, so output in one block would cost more to extend the longer it grew, and
// it skips the layout of blocks out of view (style.css).
const VELIKOST_BLOKU = 4096;

// New output is said to a screen reader by itself (the box holds all of it and is not read
// again): at most the last NEJVIC_OHLASIT characters of what one frame added.
const NEJVIC_OHLASIT = 400;

// At most this many bytes are put on the page in one frame.
const BAJTU_ZA_SNIMEK = 1 << 17;

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

const textKusu = (kusy) => kusy.map((k) => k.esc ?? k.text).join('');

function ozvena(text) {
  const s = document.createElement('span');
  s.className = 'input-echo';
  s.textContent = text;
  return s;
}

// The pane `panel`; `novinky` the live region new output is said in; `t()` the page's texts;
// `naRadek(n)` goes to line n of the program.
export function vytvorVystup({ panel, novinky, t, naRadek }) {
  // The output of a run in order: pieces of the program's bytes, and the lines typed while it
  // ran, which are shown marked and are no part of the program's output.
  let useky = [];
  let prijatoBajtu = 0;
  // Bytes that arrived and are not on the page yet, and the unfinished UTF-8 sequence at the
  // end of those that are.
  let cekajici = [];
  let zbytek = new Uint8Array();
  let snimekNaplanovan = false;
  let blok = null;
  let vBloku = 0;
  let ohlasit = '';
  // Once the run has ended (`vystupSkoncil`), an unfinished UTF-8 sequence at the end is
  // shown as escapes, and `poVykresleni` runs when all is shown.
  let vystupSkoncil = false;
  let poVykresleni = null;

  // The output box keeps the end of the output in view while it grows, unless the person
  // scrolls away from the end (wheel, touch, scroll bar or keys on the box); scrolling back to
  // the end follows it again. A scroll is the person's within a second of their input on the
  // box; the page's own scrolling, and the browser's as blocks are laid out, change nothing.
  let sledujKonec = true;
  let vstupOsoby = -Infinity;
  const naKonci = () => panel.scrollHeight - panel.scrollTop - panel.clientHeight < 8;
  const osoba = () => (vstupOsoby = performance.now());
  for (const udalost of ['wheel', 'touchstart', 'pointerdown']) {
    panel.addEventListener(udalost, osoba, { passive: true });
  }
  panel.addEventListener('keydown', (e) => e.target === panel && osoba());
  panel.addEventListener('scroll', () => {
    if (performance.now() - vstupOsoby < 1000) sledujKonec = naKonci();
  });

  function drzKonec() {
    if (sledujKonec) panel.scrollTop = panel.scrollHeight;
  }

  // A block out of view is laid out only when it comes into view (style.css), and its height
  // then changes: the end is held again whenever one does.
  const rozmeryBloku = new ResizeObserver(drzKonec);

  function novyBlok() {
    blok = document.createElement('div');
    panel.append(blok);
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
        pridejUzel(uzelEscape(k.esc));
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

  function pripoj(pridej) {
    pridej();
    drzKonec();
  }

  // Puts the bytes that arrived on the page, once a frame and at most BAJTU_ZA_SNIMEK of them
  // in one frame, so that a program that prints a lot does not keep the page busy; the rest
  // waits for the next frames. `vse` puts all of them there at once.
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
      const b = spojBajty(vzit, n);
      const { kusy, zbytek: z } = kusyVystupu(b, vystupSkoncil && hotovo);
      zbytek = b.slice(b.length - z);
      pripoj(() => vykresli(kusy, null));
      ohlasit = (ohlasit + textKusu(kusy)).slice(-NEJVIC_OHLASIT);
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

  function vyprazdniPanel() {
    rozmeryBloku.disconnect();
    panel.textContent = '';
    blok = null;
  }

  // Puts all output so far on the page, an unfinished UTF-8 sequence at its end as escapes:
  // what comes next (typed input) is no continuation of it.
  function vykresliVse() {
    vystupSkoncil = true;
    vykresliCekajici(true);
    vystupSkoncil = false;
  }

  return {
    // Bytes of the program's output.
    pridej(b) {
      const posledni = useky.at(-1);
      if (posledni?.bajty) {
        posledni.bajty.push(b);
        posledni.delka += b.length;
      } else useky.push({ bajty: [b], delka: b.length });
      prijatoBajtu += b.length;
      cekajici.push(b);
      naplanujSnimek();
    },
    vykresliVse,
    // A line typed while the program ran, shown after all output so far.
    pridejOzvenu(text) {
      vykresliVse();
      useky.push({ ozvena: text });
      pripoj(() => pridejUzel(ozvena(text)));
    },
    // A control at the end of the output (the line the program waits for).
    pridejPrvek(uzel) {
      pripoj(() => pridejUzel(uzel));
    },
    // The run has ended: `potom()` runs once all its output is on the page.
    dokonci(potom) {
      vystupSkoncil = true;
      poVykresleni = potom;
      vykresliCekajici();
    },
    // How many bytes the program printed, all of them, and the lines typed while it ran.
    prijato: () => prijatoBajtu,
    bajty: () => spojBajty(useky.filter((u) => u.bajty).flatMap((u) => u.bajty), prijatoBajtu),
    napsano: () => useky.filter((u) => !u.bajty).map((u) => u.ozvena).join(''),
    // After an error, draws the output again with the line number of its message as a link,
    // where the person had it.
    oznacChybu() {
      const posun = panel.scrollTop;
      const sledovano = sledujKonec;
      vyprazdniPanel();
      useky.forEach((u, i) => {
        if (!u.bajty) {
          pridejUzel(ozvena(u.ozvena));
          return;
        }
        const { kusy } = kusyVystupu(spojBajty(u.bajty, u.delka), true);
        vykresli(kusy, i === useky.length - 1 ? odkazNaChybu(textKusu(kusy)) : null);
      });
      sledujKonec = sledovano;
      if (sledujKonec) drzKonec();
      else panel.scrollTop = posun;
    },
    vycisti() {
      sledujKonec = true;
      novinky.textContent = '';
      useky = [];
      prijatoBajtu = 0;
      cekajici = [];
      zbytek = new Uint8Array();
      vystupSkoncil = false;
      poVykresleni = null;
      vyprazdniPanel();
    },
    // The links' titles follow a change of the page's language.
    preloz() {
      for (const a of panel.querySelectorAll('a.line')) a.title = t().naRadek(a.dataset.radek);
    },
  };
}
