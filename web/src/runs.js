// Runs of the program. They go to a Web Worker (worker.js), so that a program that never ends
// cannot freeze the page: its output goes to the output pane as it arrives, a line it waits
// for is asked for at the end of the output, and the time limit, Stop and a run nested too
// deep end the worker, which is made anew. When the run ends, the page says how; a run with
// its trace then opens the step view.
import { NEJVYS_BAJTU_STOPY, NEJVYS_KROKU } from './steps.js';
import { bytyZTextu } from './bytes.js';
import { RadekVstupu } from './input.js';

// Where the run cannot suspend, the worker can still wait for a line by blocking on memory
// shared with the page, which a browser allows a cross-origin isolated page only (the
// service worker makes the page one once it serves it). The memory holds the state (0
// waiting, 1 a line is there), the line's length and whether the input ended, then the line.
const SDILENY_RADEK = 1 << 16;

// `strana`: the page's parts a run uses: the limits, `naZasobnikuWorkeru`, the buttons `run`,
// `step`, `stop`, `endInput`, the element `limity`, `program()` and `vstup()` as bytes, the
// output pane `vystup` (output.js), the step view `krokovani` (stepview.js), the checker's
// `diagnostika` (diagnostics.js), `poznamka(klic, args, chyba)` for the note under the output,
// and `t()` the page's texts.
export function vytvorBehy(strana) {
  const { LIMITS, vystup, krokovani, diagnostika, poznamka, t } = strana;
  const { run: runBtn, step: stepBtn, stop: stopBtn } = strana;
  let worker = null;
  let workerPripraven = null;
  let nestingLimit = null;
  let umiCekat = false;
  let bezi = false;
  let chtelVstup = false;
  let sdilene = null;
  // Whether the run going on records its steps for the step view.
  let sTrasou = false;

  const tlacitkaBehu = (povolena) => {
    runBtn.disabled = stepBtn.disabled = !povolena;
  };

  const radek = new RadekVstupu({
    vystup,
    tlacitko: strana.endInput,
    t,
    delka: SDILENY_RADEK,
    odesli: (text, konec) => {
      predejRadek(bytyZTextu(text), konec);
      spustCasovac();
      poznamka('bezi', [], false);
    },
  });

  function predejRadek(bytes, konec) {
    if (!sdilene) {
      worker.postMessage({ typ: 'vstup', bytes, konec });
      return;
    }
    const rizeni = new Int32Array(sdilene, 0, 3);
    new Uint8Array(sdilene, 12).set(bytes);
    rizeni[1] = bytes.length;
    rizeni[2] = konec ? 1 : 0;
    Atomics.store(rizeni, 0, 1);
    Atomics.notify(rizeni, 0);
  }

  // The program waits for a word: an input line at the end of the output, after its prompt.
  function chceVstup() {
    vystup.vykresliVse();
    zastavCasovac();
    radek.ukaz();
    poznamka('cekaNaVstup', [], false);
  }

  function novyWorker() {
    worker = new Worker('worker.js');
    workerPripraven = new Promise((resolve) => {
      worker.addEventListener('message', function hotovo(e) {
        if (e.data.typ === 'pripraven') {
          nestingLimit = e.data.nesting;
          umiCekat = e.data.umiCekat && !strana.naZasobnikuWorkeru;
          ukazLimity();
          worker.removeEventListener('message', hotovo);
          resolve(true);
        } else if (e.data.typ === 'selhani') {
          poznamka('nenacteno', [e.data.zprava]);
          resolve(false);
        }
      });
    });
    worker.addEventListener('message', zWorkeru);
    workerPripraven.then((ok) => {
      if (ok && !bezi) tlacitkaBehu(true);
    });
  }

  function zWorkeru(e) {
    const d = e.data;
    if (!bezi) return;
    if (d.typ === 'vystup') vystup.pridej(d.bytes);
    else if (d.typ === 'chceVstup') chceVstup();
    else if (d.typ === 'bezVstupu') chtelVstup = true;
    else if (d.typ === 'konec') konecBehu(d.vysledek);
    else if (d.typ === 'stopa') krokovani.prijmi(d.text);
    else if (d.typ === 'stopaPlna') {
      krokovani.preplneno(d.duvod);
      if (d.duvod === 'bajty') zastav('krokyPresPamet', [NEJVYS_BAJTU_STOPY]);
      else zastav('krokyPresLimit', [NEJVYS_KROKU]);
    } else if (d.typ === 'preteceni') {
      konecBehu('stopped', 'prilisHluboko');
      novyWorker();
    }
  }

  // The time limit counts the time the program runs, without the waits for input.
  let casovac = null;
  let zbyvaCasu = 0;
  let casSpusten = 0;

  function spustCasovac() {
    casSpusten = performance.now();
    casovac = setTimeout(() => zastav('limitCasu', [LIMITS.seconds]), zbyvaCasu);
  }

  function zastavCasovac() {
    clearTimeout(casovac);
    zbyvaCasu -= performance.now() - casSpusten;
  }

  // The run has ended: once all its output is on the page, the page says how.
  function konecBehu(vysledek, klic, args = []) {
    bezi = false;
    clearTimeout(casovac);
    radek.odeber();
    stopBtn.disabled = true;
    vystup.dokonci(() => ohlasKonec(vysledek, klic, args));
  }

  function ohlasKonec(vysledek, klic, args) {
    if (vysledek === 'error') {
      vystup.oznacChybu();
      diagnostika.poChybe(vystup.bajty(), vystup.napsano());
    }
    tlacitkaBehu(true);
    document.body.dataset.state = vysledek;
    if (klic) poznamka(klic, args);
    else if (vysledek === 'stopped') {
      if (vystup.prijato() >= LIMITS.output + 8) poznamka('limitVystupu', [LIMITS.output]);
      else poznamka('limitPameti', [LIMITS.memory]);
    } else if (chtelVstup) poznamka('bezVstupu');
    else poznamka(vysledek === 'ok' ? 'dobehl' : 'chyba', [], false);
    if (sTrasou) krokovani.poBehu(klic === 'zastaveno');
  }

  // Ends the worker at once, with the run in it; what it printed until then stays.
  function zastav(klic, args = []) {
    if (!bezi) return;
    worker.terminate();
    konecBehu('stopped', klic, args);
    novyWorker();
    tlacitkaBehu(false);
  }

  // Runs the program; `stopa` records its steps for the step view, `interaktivni` false ends
  // its input with the input box even when that is empty.
  async function spust({ stopa = false, interaktivni = true } = {}) {
    if (bezi) return;
    if (!stopa) krokovani.zavri();
    if (!(await workerPripraven)) return;
    vystup.vycisti();
    bezi = true;
    sTrasou = stopa;
    chtelVstup = false;
    document.body.dataset.state = 'running';
    tlacitkaBehu(false);
    stopBtn.disabled = false;
    poznamka('bezi', [], false);
    const program = strana.program();
    const input = strana.vstup();
    diagnostika.zacatekBehu(input, LIMITS);
    sdilene = !umiCekat && self.crossOriginIsolated ? new SharedArrayBuffer(12 + SDILENY_RADEK) : null;
    worker.postMessage({
      typ: 'beh',
      program,
      input,
      limits: { output: LIMITS.output, memory: LIMITS.memory },
      naZasobnikuVolajiciho: strana.naZasobnikuWorkeru,
      // An empty box: the program asks for its input while it runs.
      interaktivni: interaktivni && input.length === 0,
      sdilene,
      stopa: stopa ? NEJVYS_KROKU : 0,
    });
    zbyvaCasu = LIMITS.seconds * 1000;
    spustCasovac();
  }

  function ukazLimity() {
    strana.limity.textContent = t().limity(LIMITS.seconds, LIMITS.output, LIMITS.memory, nestingLimit);
  }

  return {
    spust,
    zastav,
    novyWorker,
    ukazLimity,
    bezi: () => bezi,
    preloz() {
      radek.preloz();
      ukazLimity();
    },
  };
}
