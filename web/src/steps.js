// A traced run as the step view reads it: the trace's records, one JSON object a line, and the
// state after any step rebuilt from them. Each step carries only what it changed (a variable's
// new value, the text printed, the part of the value stack it replaced), so the state at step
// N is found without replaying the run: a variable's value by a search in its own history, the
// stack as a shared list whose top each step keeps, the output as a prefix of all printed text.
// Going to any step costs the same, forward or back.

// The most steps the page keeps of one run: a run that goes on past them is stopped there.
export const NEJVYS_KROKU = 100000;
// The most bytes of trace the page keeps of one run, stopped there likewise: steps that set long
// values (a text of a megabyte assigned in a loop) would fill the page's memory long before
// the step cap.
export const NEJVYS_BAJTU_STOPY = 64 << 20;

// Values come as JSON strings whose code points 0-255 are the value's bytes.
export function bajtyHodnoty(s) {
  const b = new Uint8Array(s.length);
  for (let i = 0; i < s.length; i++) b[i] = s.charCodeAt(i) & 0xff;
  return b;
}

// The last index i with a[i] <= x in the ascending array a, or -1.
function posledniNejvys(a, x) {
  let lo = 0;
  let hi = a.length;
  while (lo < hi) {
    const m = (lo + hi) >> 1;
    if (a[m] <= x) lo = m + 1;
    else hi = m;
  }
  return lo - 1;
}

export class ZaznamBehu {
  constructor() {
    this.kroky = []; // the step records, step i + 1 at index i
    this.konec = null; // the end record, once it came
    this.neuplne = ''; // the start of a line still to come
    // Variables in the order of their first assignment, with the step of it.
    this.poradi = [];
    this.prvniKrok = [];
    // Per variable, the steps that set it and the values they set, both ascending.
    this.historie = new Map();
    // The value stack after each step: a node { hodnota, pod, hloubka } shared by every later
    // stack that still holds it, or null when empty.
    this.vrcholy = [];
    this.vrchol = null;
    // All printed text, and its length after each step.
    this.vystup = '';
    this.delkaVystupu = [];
  }

  get pocet() {
    return this.kroky.length;
  }

  // Takes the next piece of the trace, which may end in the middle of a line.
  prijmi(text) {
    const radky = (this.neuplne + text).split('\n');
    this.neuplne = radky.pop();
    for (const r of radky) if (r.trim()) this.zaznam(JSON.parse(r));
  }

  zaznam(z) {
    if (Object.hasOwn(z, 'end')) {
      this.konec = z;
      return;
    }
    const n = this.kroky.length + 1;
    this.kroky.push(z);
    if (z.kind === 'assign' || z.kind === 'read') this.prirad(z.var, z.value, n);
    if (z.stack) this.zmenZasobnik(z.stack);
    this.vrcholy.push(this.vrchol);
    if (z.kind === 'print') this.vystup += z.text;
    this.delkaVystupu.push(this.vystup.length);
  }

  prirad(jmeno, hodnota, n) {
    let h = this.historie.get(jmeno);
    if (!h) {
      h = { kroky: [], hodnoty: [] };
      this.historie.set(jmeno, h);
      this.poradi.push(jmeno);
      this.prvniKrok.push(n);
    }
    h.kroky.push(n);
    h.hodnoty.push(hodnota);
  }

  // The stack keeps its `keep` lowest values, then `push` goes on top of them, bottom first.
  zmenZasobnik({ keep, push }) {
    let v = this.vrchol;
    while (v && v.hloubka > keep) v = v.pod;
    for (const hodnota of push ?? []) v = { hodnota, pod: v, hloubka: (v?.hloubka ?? 0) + 1 };
    this.vrchol = v;
  }

  // The state after step n (1 to pocet; 0 is the state before the first step).
  stav(n) {
    const krok = n > 0 ? this.kroky[n - 1] : null;
    const promenne = [];
    const kolik = posledniNejvys(this.prvniKrok, n) + 1;
    for (let i = 0; i < kolik; i++) {
      const jmeno = this.poradi[i];
      const h = this.historie.get(jmeno);
      const j = posledniNejvys(h.kroky, n);
      promenne.push({ jmeno, hodnota: h.hodnoty[j], zmenena: h.kroky[j] === n });
    }
    const zasobnik = [];
    const pridano = krok?.stack?.push?.length ?? 0;
    for (let v = n > 0 ? this.vrcholy[n - 1] : null; v; v = v.pod) {
      zasobnik.push({ hodnota: v.hodnota, pridana: zasobnik.length < pridano });
    }
    const vystup = this.vystup.slice(0, n > 0 ? this.delkaVystupu[n - 1] : 0);
    return { n, krok, promenne, zasobnik, vystup };
  }
}

// The step a share link points at (`&step=N` in its fragment), or null.
export function krokZOdkazu(fragment) {
  const s = new URLSearchParams(fragment.replace(/^#/, '')).get('step');
  if (s === null || !/^\d+$/.test(s)) return null;
  return Number(s);
}
