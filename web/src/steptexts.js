// The step view's texts, in Czech and in English (merged into the page's texts, texts.js).
// Names and words of the program are shown in backticks, as code.

const cislo = (n, jazyk) => n.toLocaleString(jazyk);

export const KROKY_TEXTY = {
  en: {
    krokovat: 'Step',
    krokovatTitulek: 'Run the program and go through it step by step (Ctrl+Shift+Enter)',
    kroky: 'Steps of the run',
    krokyOvladani: 'Step controls',
    krokPrvni: '|◀ First',
    krokPrvniTitulek: 'The first step (Home)',
    krokZpet: '◀ Back',
    krokZpetTitulek: 'One step back (←)',
    krokDalsi: 'Next ▶',
    krokDalsiTitulek: 'One step on (→)',
    krokPosledni: 'Last ▶|',
    krokPosledniTitulek: 'The last step (End)',
    krokKonec: 'Exit',
    krokKonecTitulek: 'Back to editing (Esc)',
    krok: 'Step',
    krokyPosuvnik: 'Step',
    krokJdi: 'Go to step',
    krokJdiTlacitko: 'Go',
    podminka: 'Condition:',
    promenne: 'Variables, in the order of their first assignment',
    zadnePromenne: 'No variable has been assigned yet.',
    zasobnik: 'Value stack, top first',
    prazdnyZasobnik: 'The value stack is empty.',
    krokVystup: 'Output up to this step',
    zadnyKrok: 'The program ended before its first step.',
    krokRadek: (radek, sloupec) => `Line ${radek}, column ${sloupec}:`,
    krokDruh: (k) =>
      ({
        assign: () => `\`${k.var}\` is assigned.`,
        read: () => `\`cti\` reads a word into \`${k.var}\`.`,
        print: () => 'The program prints.',
        call: () => `The call \`${k.name}\` leaves its values on the value stack.`,
        declare: () => `The declaration \`${k.name}\`: its block runs now, once.`,
        if: () => 'The condition of `i2`.',
        while: () => 'The condition of `w2`.',
      })[k.kind]?.() ?? k.kind,
    podminkaPlati: (druh, plati) =>
      druh === 'if'
        ? plati
          ? 'held: the first branch runs.'
          : 'did not hold: the first branch is passed over.'
        : plati
          ? 'held: the body runs.'
          : 'did not hold: the loop ends.',
    krokDobehl: 'The program ran to its end after this step.',
    krokChyba: (radek, sloupec) =>
      `After this step the program stopped at an error, in the statement at line ${radek}, column ${sloupec} (marked in red); its message ends the output.`,
    krokZastaveno: 'A limit stopped the run after this step.',
    krokZastavenoRucne: 'The run was stopped (Stop) after this step.',
    dalsiNaZasobniku: (n) => `… and ${cislo(n, 'en')} more values below.`,
    krokyPresLimit: (n) =>
      `The program went past ${cislo(n, 'en')} steps, the most this view records: the run was stopped there, and the view shows its first ${cislo(n, 'en')} steps.`,
    krokyPresPamet: (bajtu) =>
      `The steps of the run hold more than ${bajtu >> 20} MiB of values, the most this view records: the run was stopped there, and the view shows the steps up to there.`,
    krokyNejvys: (n) => `The step view records at most ${cislo(n, 'en')} steps of a run.`,
    zkraceno: (n) => ` … (${cislo(n, 'en')} bytes)`,
    zarazky: 'Breakpoints',
    zarazkaDal: 'Continue to the next breakpoint',
    zarazkaDalTitulek: 'Continue to the next breakpoint (F8)',
    zarazkaZpet: 'Back to the previous breakpoint',
    zarazkaZpetTitulek: 'Back to the previous breakpoint (Shift+F8)',
    zarazkyNapoveda:
      'A click on a line number sets a breakpoint there or removes it; F9 does the same on the line of this step (in the editor, on the line of the cursor).',
    zadneZarazky: 'No breakpoint is set.',
    zarazkyNaRadcich: (radky) => `Breakpoints on line${radky.length === 1 ? '' : 's'} ${radky.join(', ')}.`,
    zarazkaNastavena: (radek) => `Breakpoint set on line ${radek}.`,
    zarazkaZrusena: (radek) => `Breakpoint removed from line ${radek}.`,
    zarazkyZruseny: 'The program changed: its breakpoints were removed.',
    zarazkaZastaveni: (radek) => `Stopped at the breakpoint on line ${radek}.`,
    zarazkaZadnaDal: 'No further breakpoint: this is the last step of the run.',
    zarazkaZadnaZpet: 'No earlier breakpoint: this is the first step of the run.',
  },
  cs: {
    krokovat: 'Krokovat',
    krokovatTitulek: 'Spustit program a projít ho krok za krokem (Ctrl+Shift+Enter)',
    kroky: 'Kroky běhu',
    krokyOvladani: 'Ovládání kroků',
    krokPrvni: '|◀ První',
    krokPrvniTitulek: 'První krok (Home)',
    krokZpet: '◀ Zpět',
    krokZpetTitulek: 'O krok zpět (←)',
    krokDalsi: 'Další ▶',
    krokDalsiTitulek: 'O krok dál (→)',
    krokPosledni: 'Poslední ▶|',
    krokPosledniTitulek: 'Poslední krok (End)',
    krokKonec: 'Zavřít',
    krokKonecTitulek: 'Zpět k úpravám (Esc)',
    krok: 'Krok',
    krokyPosuvnik: 'Krok',
    krokJdi: 'Přejít na krok',
    krokJdiTlacitko: 'Přejít',
    podminka: 'Podmínka:',
    promenne: 'Proměnné, v pořadí prvního přiřazení',
    zadnePromenne: 'Zatím nebyla přiřazena žádná proměnná.',
    zasobnik: 'Zásobník hodnot, vrchol první',
    prazdnyZasobnik: 'Zásobník hodnot je prázdný.',
    krokVystup: 'Výstup do tohoto kroku',
    zadnyKrok: 'Program skončil před svým prvním krokem.',
    krokRadek: (radek, sloupec) => `Řádek ${radek}, sloupec ${sloupec}:`,
    krokDruh: (k) =>
      ({
        assign: () => `Přiřazení do \`${k.var}\`.`,
        read: () => `\`cti\` čte slovo do \`${k.var}\`.`,
        print: () => 'Program píše.',
        call: () => `Volání \`${k.name}\` nechá své hodnoty na zásobníku hodnot.`,
        declare: () => `Deklarace \`${k.name}\`: její blok proběhne teď, jednou.`,
        if: () => 'Podmínka `i2`.',
        while: () => 'Podmínka `w2`.',
      })[k.kind]?.() ?? k.kind,
    podminkaPlati: (druh, plati) =>
      druh === 'if'
        ? plati
          ? 'platí: proběhne první větev.'
          : 'neplatí: první větev se přeskočí.'
        : plati
          ? 'platí: proběhne tělo cyklu.'
          : 'neplatí: cyklus končí.',
    krokDobehl: 'Po tomto kroku program doběhl do konce.',
    krokChyba: (radek, sloupec) =>
      `Po tomto kroku program skončil chybou v příkazu na řádku ${radek}, sloupci ${sloupec} (označen červeně); její hlášení je na konci výstupu.`,
    krokZastaveno: 'Po tomto kroku běh zastavil limit.',
    krokZastavenoRucne: 'Po tomto kroku byl běh zastaven (Zastavit).',
    dalsiNaZasobniku: (n) => `… a pod nimi ještě ${cislo(n, 'cs')} hodnot.`,
    krokyPresLimit: (n) =>
      `Program překročil ${cislo(n, 'cs')} kroků, nejvíc, kolik toto zobrazení zaznamená: běh se tam zastavil a zobrazení ukazuje jeho prvních ${cislo(n, 'cs')} kroků.`,
    krokyPresPamet: (bajtu) =>
      `Kroky běhu nesou víc než ${bajtu >> 20} MiB hodnot, nejvíc, kolik toto zobrazení zaznamená: běh se tam zastavil a zobrazení ukazuje kroky až do toho místa.`,
    krokyNejvys: (n) => `Krokování zaznamená nejvýš ${cislo(n, 'cs')} kroků jednoho běhu.`,
    zkraceno: (n) => ` … (${cislo(n, 'cs')} bajtů)`,
    zarazky: 'Zarážky',
    zarazkaDal: 'Pokračovat k další zarážce',
    zarazkaDalTitulek: 'Pokračovat k další zarážce (F8)',
    zarazkaZpet: 'Zpět k předchozí zarážce',
    zarazkaZpetTitulek: 'Zpět k předchozí zarážce (Shift+F8)',
    zarazkyNapoveda:
      'Klepnutí na číslo řádku tam zarážku nastaví, nebo zruší; F9 udělá totéž na řádku tohoto kroku (v editoru na řádku kurzoru).',
    zadneZarazky: 'Žádná zarážka není nastavena.',
    zarazkyNaRadcich: (radky) => `Zarážky na ${radky.length === 1 ? 'řádku' : 'řádcích'} ${radky.join(', ')}.`,
    zarazkaNastavena: (radek) => `Zarážka nastavena na řádku ${radek}.`,
    zarazkaZrusena: (radek) => `Zarážka zrušena na řádku ${radek}.`,
    zarazkyZruseny: 'Program se změnil: jeho zarážky byly zrušeny.',
    zarazkaZastaveni: (radek) => `Zastaveno na zarážce na řádku ${radek}.`,
    zarazkaZadnaDal: 'Žádná další zarážka: toto je poslední krok běhu.',
    zarazkaZadnaZpet: 'Žádná předchozí zarážka: toto je první krok běhu.',
  },
};
