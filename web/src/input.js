// The program's input: the input box, whose bytes a run is given, and the line at the end of
// the output that asks the person for a line while the program waits for one, as a terminal
// would (Enter sends the line, Ctrl+D or the End of input button ends the input).
import { bytyZTextu, textZBytu } from './bytes.js';

// The input box `pole`. The exact bytes of an input loaded from a link stay its bytes as long
// as the box shows them unchanged (a text box turns carriage returns into line feeds).
export function vytvorVstup(pole) {
  let zOdkazu = null;
  return {
    nastav(bytes) {
      pole.value = textZBytu(bytes);
      zOdkazu = { text: pole.value, bytes };
    },
    bajty() {
      if (zOdkazu && zOdkazu.text === pole.value) return zOdkazu.bytes;
      return bytyZTextu(pole.value);
    },
  };
}

// The line asked for while a run waits. `vystup` is the output pane (output.js), `tlacitko`
// the End of input button, `t()` the page's texts, `odesli(text, konec)` hands the line typed
// to the run, `konec` true when the input ends after it; `delka` is the most bytes a line may
// be handed over in.
export class RadekVstupu {
  constructor({ vystup, tlacitko, t, delka, odesli }) {
    this.vystup = vystup;
    this.tlacitko = tlacitko;
    this.t = t;
    this.delka = delka;
    this.odesli = odesli;
    this.pole = null;
    tlacitko.addEventListener('click', () => {
      if (this.pole) this.posli(this.pole.value, true);
    });
  }

  // Puts the line at the end of the output and the cursor in it.
  ukaz() {
    const pole = document.createElement('input');
    pole.id = 'stdin-line';
    pole.type = 'text';
    pole.autocomplete = 'off';
    pole.spellcheck = false;
    // Even in four-byte characters, a line fits the memory it may be handed over in.
    pole.maxLength = this.delka / 4;
    pole.setAttribute('aria-label', this.t().radekVstupu);
    pole.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' && !e.isComposing) {
        e.preventDefault();
        this.posli(pole.value + '\n', false);
      } else if (e.key.toLowerCase() === 'd' && e.ctrlKey) {
        e.preventDefault();
        this.posli(pole.value, true);
      }
    });
    this.pole = pole;
    this.vystup.pridejPrvek(pole);
    this.tlacitko.hidden = false;
    pole.focus();
  }

  // Takes the line away (it was sent, or the run ended).
  odeber() {
    this.pole?.remove();
    this.pole = null;
    this.tlacitko.hidden = true;
  }

  posli(text, konec) {
    this.odeber();
    if (text) this.vystup.pridejOzvenu(text);
    this.odesli(text, konec);
  }

  preloz() {
    this.pole?.setAttribute('aria-label', this.t().radekVstupu);
  }
}
