// The run, off the page's thread: loads the interpreter's module once, runs each program it
// is sent, and posts the output back piece by piece as it is written. When the page's input
// box was empty, a run that needs a word asks the page for a line and waits for it: the
// WebAssembly run suspends where the browser allows that, else the worker blocks on memory
// shared with the page where the page is cross-origin isolated. The page ends the worker to stop a run (Stop, or the
// time limit) and starts a new one.
/* global importScripts, createMoxa */
import { instancujSCekanim, otestujVModulu, spustVModulu, umiCekat } from './run.js';
import { NEJVYS_BAJTU_STOPY } from './steps.js';

importScripts('moxa.js');

let modul = null;
let odesilat = null;

// Output arrives in pieces; each is copied out of the module's memory.
function prijmi(b) {
  if (odesilat) odesilat(b.slice());
}

// The trace of a run for the step view arrives a line at a time; the lines go to the page in
// batches, one at most STOPA_ZA ms after its first line and before the run waits for input,
// so that a run the page stops loses at most the last moments of its trace.
const STOPA_ZA = 50;
const dekoder = new TextDecoder();
let stopa = [];
let stopaOd = 0;
let bajtuStopy = 0;
let plna = false; // past a cap: the page stops the run, and no more lines go

function odesliStopu() {
  if (stopa.length > 0) postMessage({ typ: 'stopa', text: stopa.join('') });
  stopa = [];
}

function prijmiStopu(b) {
  if (plna) return;
  bajtuStopy += b.length;
  if (bajtuStopy > NEJVYS_BAJTU_STOPY) {
    stopaPlna('bajty');
    return;
  }
  if (stopa.length === 0) stopaOd = performance.now();
  stopa.push(dekoder.decode(b));
  if (stopa.length >= 4096 || performance.now() - stopaOd > STOPA_ZA) odesliStopu();
}

// `duvod`: 'kroky' past the step cap, 'bajty' past the bytes of trace kept.
function stopaPlna(duvod = 'kroky') {
  if (plna) return;
  plna = true;
  odesliStopu();
  postMessage({ typ: 'stopaPlna', duvod });
}

const instancuj = instancujSCekanim('moxa.wasm');
const pripraven = createMoxa({
  onOutput: prijmi,
  onTrace: prijmiStopu,
  onTraceFull: stopaPlna,
  print: () => {},
  printErr: () => {},
  instantiateWasm: instancuj,
}).then(
  (m) => {
    modul = m;
    modul.cekaniMozne = Boolean(instancuj);
    postMessage({ typ: 'pripraven', nesting: m._moxa_web_nesting_limit(), umiCekat: umiCekat(m) });
  },
  (e) => postMessage({ typ: 'selhani', zprava: String(e) })
);

// Input typed on the page: the line the run waits for, and whether the person ended the input.
let prijmiVstup = null;
let vstupSkoncil = false;

async function radekZeStranky() {
  if (vstupSkoncil) return new Uint8Array();
  odesliStopu();
  postMessage({ typ: 'chceVstup' });
  const { bytes, konec } = await new Promise((r) => {
    prijmiVstup = r;
  });
  vstupSkoncil = konec;
  return bytes;
}

// Where the run cannot suspend, the worker blocks until the page puts the line into the
// memory they share (see runs.js).
function radekZeSdilene(sdilene) {
  const rizeni = new Int32Array(sdilene, 0, 3);
  const data = new Uint8Array(sdilene, 12);
  return () => {
    if (vstupSkoncil) return new Uint8Array();
    odesliStopu();
    postMessage({ typ: 'chceVstup' });
    Atomics.wait(rizeni, 0, 0);
    const bytes = data.slice(0, rizeni[1]);
    vstupSkoncil = rizeni[2] === 1;
    Atomics.store(rizeni, 0, 0);
    return bytes;
  };
}

// Where the run can wait in neither way, the input ends with the box; the page says why.
function bezVstupu() {
  postMessage({ typ: 'bezVstupu' });
  return new Uint8Array();
}

async function spustProgram({ program, input, limits, naZasobnikuVolajiciho, interaktivni, sdilene, stopa: kroku }) {
  await pripraven;
  if (!modul) return;
  odesilat = (b) => postMessage({ typ: 'vystup', bytes: b }, [b.buffer]);
  vstupSkoncil = false;
  bajtuStopy = 0;
  plna = false;
  const cekat = umiCekat(modul) && !naZasobnikuVolajiciho;
  let vysledek;
  try {
    vysledek = await spustVModulu(modul, program, input, limits, {
      naZasobnikuVolajiciho,
      dalsiVstup: !interaktivni
        ? null
        : cekat
          ? radekZeStranky
          : sdilene
            ? radekZeSdilene(sdilene)
            : bezVstupu,
      cekat,
      stopa: kroku,
    });
  } catch (chyba) {
    // The browser's own stack ran out (RangeError) or the module trapped: the module's state
    // is lost, so this worker takes no further runs.
    postMessage({ typ: 'preteceni', zprava: String(chyba) });
    close();
    return;
  }
  odesliStopu();
  postMessage({ typ: 'konec', vysledek });
}

// The visible tests of an assignment, one after another; each result goes to the page as it
// comes. The page ends the worker to stop them.
async function spustTesty({ program, testy, cesky }) {
  await pripraven;
  if (!modul) return;
  for (let i = 0; i < testy.length; i++) {
    let v;
    try {
      v = await otestujVModulu(modul, program, testy[i], cesky);
    } catch (chyba) {
      postMessage({ typ: 'preteceni', zprava: String(chyba) });
      close();
      return;
    }
    postMessage({ typ: 'test', index: i, ...v });
  }
  postMessage({ typ: 'testyHotovo' });
}

onmessage = (e) => {
  if (e.data.typ === 'vstup') {
    prijmiVstup?.(e.data);
    prijmiVstup = null;
  } else if (e.data.typ === 'beh') spustProgram(e.data);
  else if (e.data.typ === 'testy') spustTesty(e.data);
};
