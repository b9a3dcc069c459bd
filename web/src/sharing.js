// Share links and examples: Share puts the program and its input (and the step the step view
// shows) into the page's address and on the clipboard; an address with them loads them, as
// does a choice from the list of examples.
import { sdileni, textZBytu, zeSdileni } from './bytes.js';
import { krokZOdkazu } from './steps.js';
import { $ } from './dom.js';

// `strana`: `nacti(program, vstup)` puts a program (text) and its input (bytes) on the page,
// `program()` and `vstup()` give them as bytes, `krokovani` is the step view (stepview.js),
// `poznamka(klic, args, chyba)` the note under the output, `t()` the page's texts.
export function vytvorSdileni(strana) {
  const { nacti, krokovani, poznamka, t } = strana;
  let priklady = [];

  // Loads the program and input of the address's share link, if it has one.
  function nactiOdkaz() {
    let sdilene = null;
    try {
      sdilene = zeSdileni(location.hash);
    } catch {
      poznamka('spatnyOdkaz');
      return;
    }
    if (!sdilene) return;
    nacti(textZBytu(sdilene.program), sdilene.input);
    poznamka('zOdkazu', [], false);
    // `&step=N`: the run opens in the step view at step N.
    const krok = krokZOdkazu(location.hash);
    if (krok !== null) krokovani.zOdkazu(krok);
  }

  function sdilej() {
    const fragment = sdileni(strana.program(), strana.vstup()) + krokovani.fragment();
    window.history.replaceState(null, '', fragment);
    const url = location.href;
    const pole = $('share-link');
    pole.value = url;
    $('share-link-row').hidden = false;
    pole.select();
    poznamka('odkazVAdrese', [], false);
    navigator.clipboard?.writeText(url).then(
      () => poznamka('odkazVsude', [], false),
      () => {}
    );
  }

  // The examples' names in the page's language.
  function popisPrikladu() {
    for (const o of $('examples').options) {
      if (o.value) o.textContent = t().priklady[o.value] ?? o.value;
    }
  }

  async function nactiPriklady() {
    const menu = $('examples');
    try {
      priklady = await (await fetch('examples.json')).json();
    } catch {
      return;
    }
    for (const p of priklady) {
      const o = document.createElement('option');
      o.value = p.name;
      menu.append(o);
    }
    popisPrikladu();
    menu.addEventListener('change', () => {
      const p = priklady.find((x) => x.name === menu.value);
      if (!p) return;
      nacti(p.program, new TextEncoder().encode(p.input ?? ''));
      poznamka('prikladNacten', [t().priklady[p.name] ?? p.name], false);
    });
  }

  $('share').addEventListener('click', sdilej);
  window.addEventListener('hashchange', nactiOdkaz);
  return { nactiOdkaz, nactiPriklady, popisPrikladu };
}
