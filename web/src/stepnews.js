// The step view said to a screen reader: each step it shows, in one sentence in the live
// region #step-announce: its number, where it is, what the statement did, the variable it
// changed and its value, the condition's value. `t()` gives the page's texts, `jazyk()` its
// language.
import { $ } from './dom.js';

export function ohlasujKroky(t, jazyk) {
  const ohlasKroku = $('step-announce');
  let posledniKrok = '';

  function ohlasKrok() {
    const pohled = $('step-view');
    const cislo = $('step-number').textContent;
    if (pohled.hidden || !cislo) return;
    const viditelny = (id) => ($(id).hidden ? '' : $(id).textContent.trim());
    const zmena = pohled.querySelector('#step-variables tr.changed');
    const co = $('step-what').textContent.trim();
    // A print step: the last line of the output it added.
    const vypsano =
      co === t().krokDruh({ kind: 'print' })
        ? $('step-output').textContent.split('\n').filter((r) => r.trim()).at(-1) ?? ''
        : '';
    const text = [
      `${t().krok} ${cislo} / ${$('step-total').textContent}.`,
      $('step-where').textContent.trim(),
      co,
      vypsano ? (jazyk() === 'cs' ? `„${vypsano}“` : `“${vypsano}”`) : '',
      zmena ? `${zmena.cells[0].textContent} = ${zmena.cells[1].textContent}.` : '',
      viditelny('step-condition'),
      viditelny('step-note'),
    ]
      .filter(Boolean)
      .join(' ');
    if (text === posledniKrok) return;
    posledniKrok = text;
    ohlasKroku.textContent = text;
  }

  // The view changes in many places for one step: the sentence is made once they all have.
  let krokNaplanovan = false;
  new MutationObserver(() => {
    if (krokNaplanovan) return;
    krokNaplanovan = true;
    queueMicrotask(() => {
      krokNaplanovan = false;
      ohlasKrok();
    });
  }).observe($('step-view'), {
    subtree: true,
    childList: true,
    characterData: true,
    attributes: true,
    attributeFilter: ['hidden'],
  });
}
