// The run, off the page's thread: loads the interpreter's module once, runs each program it
// is sent, and posts the output back piece by piece as it is written. The page ends the
// worker to stop a run (Stop, or the time limit) and starts a new one.
/* global importScripts, createMoxa */
import { spustVModulu } from './run.js';

importScripts('moxa.js');

let modul = null;
let odesilat = null;

// Output arrives in pieces of up to 64 KiB; each is copied out of the module's memory.
function prijmi(b) {
  if (odesilat) odesilat(b.slice());
}

const pripraven = createMoxa({ onOutput: prijmi, print: () => {}, printErr: () => {} }).then(
  (m) => {
    modul = m;
    postMessage({ typ: 'pripraven', nesting: m._moxa_web_nesting_limit() });
  },
  (e) => postMessage({ typ: 'selhani', zprava: String(e) })
);

onmessage = async (e) => {
  const { program, input, limits, naZasobnikuVolajiciho } = e.data;
  await pripraven;
  if (!modul) return;
  odesilat = (b) => postMessage({ typ: 'vystup', bytes: b }, [b.buffer]);
  let vysledek;
  try {
    vysledek = await spustVModulu(modul, program, input, limits, naZasobnikuVolajiciho);
  } catch (chyba) {
    // The browser's own stack ran out (RangeError) or the module trapped: the module's state
    // is lost, so this worker takes no further runs.
    postMessage({ typ: 'preteceni', zprava: String(chyba) });
    close();
    return;
  }
  postMessage({ typ: 'konec', vysledek });
};
