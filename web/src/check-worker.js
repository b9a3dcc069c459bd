// The checker and the formatter off the page's thread, in a module of their own, so that
// checking never holds up typing and never waits for a run. Each request carries an id that
// its answer repeats; the page keeps only the answer to its latest request.
/* global importScripts, createMoxa */
import { naformatuj, zkontroluj, zopakuj } from './checking.js';

importScripts('moxa.js');

const modul = createMoxa({ onOutput: () => {}, print: () => {}, printErr: () => {} });

onmessage = async (e) => {
  const { typ, id, program, vstup, limity, jazyk } = e.data;
  let m;
  try {
    m = await modul;
  } catch (chyba) {
    postMessage({ id, selhani: String(chyba) });
    return;
  }
  try {
    if (typ === 'kontrola') postMessage({ id, zjisteni: await zkontroluj(m, program, jazyk) });
    else if (typ === 'uprava') postMessage({ id, ...(await naformatuj(m, program)) });
    else if (typ === 'opakovani') postMessage({ id, konec: await zopakuj(m, program, vstup, limity) });
  } catch (chyba) {
    // The module trapped (its stack ran out): its state is lost, so this worker ends and
    // the page starts another.
    postMessage({ id, selhani: String(chyba), skoncil: true });
    close();
  }
};
