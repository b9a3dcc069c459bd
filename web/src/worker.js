// The run, off the page's thread: loads the interpreter's module once, runs each program it
// is sent, and posts the output back piece by piece as it is written. When the page's input
// box was empty, a run that needs a word asks the page for a line and waits for it: the
// WebAssembly run suspends where the browser allows that, else the worker blocks on memory
// shared with the page where the page is cross-origin isolated. The page ends the worker to stop a run (Stop, or the
// time limit) and starts a new one.
/* global importScripts, createMoxa */
import { instancujSCekanim, spustVModulu, umiCekat } from './run.js';

importScripts('moxa.js');

let modul = null;
let odesilat = null;

// Output arrives in pieces; each is copied out of the module's memory.
function prijmi(b) {
  if (odesilat) odesilat(b.slice());
}

const instancuj = instancujSCekanim('moxa.wasm');
const pripraven = createMoxa({
  onOutput: prijmi,
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
  postMessage({ typ: 'chceVstup' });
  const { bytes, konec } = await new Promise((r) => {
    prijmiVstup = r;
  });
  vstupSkoncil = konec;
  return bytes;
}

// Where the run cannot suspend, the worker blocks until the page puts the line into the
// memory they share (see main.js).
function radekZeSdilene(sdilene) {
  const rizeni = new Int32Array(sdilene, 0, 3);
  const data = new Uint8Array(sdilene, 12);
  return () => {
    if (vstupSkoncil) return new Uint8Array();
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

async function spustProgram({ program, input, limits, naZasobnikuVolajiciho, interaktivni, sdilene }) {
  await pripraven;
  if (!modul) return;
  odesilat = (b) => postMessage({ typ: 'vystup', bytes: b }, [b.buffer]);
  vstupSkoncil = false;
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
    });
  } catch (chyba) {
    // The browser's own stack ran out (RangeError) or the module trapped: the module's state
    // is lost, so this worker takes no further runs.
    postMessage({ typ: 'preteceni', zprava: String(chyba) });
    close();
    return;
  }
  postMessage({ typ: 'konec', vysledek });
}

onmessage = (e) => {
  if (e.data.typ === 'vstup') {
    prijmiVstup?.(e.data);
    prijmiVstup = null;
  } else if (e.data.typ === 'beh') spustProgram(e.data);
};
