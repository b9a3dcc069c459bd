// Every text the page shows, in Czech and in English. A text may hold `code` in backticks,
// shown in the code font; a function makes a text from values.
import { KROKY_TEXTY } from './steptexts.js';

const velikost = (n) => (n >= 1 << 20 ? `${n / (1 << 20)} MiB` : `${n / 1024} KiB`);

export const TEXTY = {
  en: {
    ...KROKY_TEXTY.en,
    ukol: 'Assignment',
    ukolOtevrit: 'Open assignment',
    ukolOtevritTitulek: 'Open an assignment bundle (.json); a bundle file may also be dropped on the page',
    ukolTestovat: 'Test',
    ukolZastavit: 'Stop tests',
    ukolStahnout: 'Download',
    ukolVysledky: 'Test results',
    ukolBezi: 'Testing…',
    ukolZastaven: 'The tests were stopped.',
    ukolCiziAdresa: 'An assignment is opened only from this page\'s own site.',
    ukolNenacten: (proc) => `The assignment could not be loaded: ${proc}`,
    ukolNeplatny: (proc) => `This is not a valid assignment bundle: ${proc}`,
    ukolSelhal: (proc) => `The tests could not run: ${proc}`,
    ukolVerdikt: { passed: 'passed', wrong: 'wrong output', limit: 'stopped by a limit', time: 'time limit', output: 'output limit', none: 'not graded' },
    ukolTest: (jmeno, verdikt, body, z) => `${jmeno}: ${verdikt}, ${body} of ${z} points`,
    ukolCeka: (jmeno, z) => `${jmeno}: not run yet (${z} points)`,
    ukolSouhrn: (body, z, skrytych, skryteBody) =>
      `Visible tests: ${body} of ${z} points. Still to be decided by ${skrytych} hidden ` +
      `test${skrytych === 1 ? '' : 's'}: ${skryteBody} points.`,
    nazev: 'moxa playground',
    jazyk: 'Language',
    priklad: 'Example',
    vyberte: '(choose)',
    spustit: 'Run',
    spustitTitulek: 'Run (Ctrl+Enter)',
    zastavit: 'Stop',
    sdilet: 'Share',
    program: 'Program',
    vstup: 'Input (the words that `cti` reads; leave it empty to type them when the program asks)',
    vystup: 'Output',
    odkaz: 'Link',
    pruvodce: "What the messages mean, and the rules that surprise: a student's guide",
    pruvodceAdresa: 'guide.html',
    radekVstupu: 'Input line',
    editorNapoveda:
      'Tab leaves the editor for the next control; Enter after a `{` indents the new line; Ctrl+Enter runs the program; F9 or a click on a line number sets a breakpoint for Step.',
    konecVstupu: 'End input',
    konecVstupuTitulek: 'End the input (Ctrl+D): cti then reads the empty word',
    pata:
      'The program runs in this browser, in the same interpreter as `moxa FILE`; nothing is sent ' +
      'anywhere. Bytes that are not text are shown as escapes, for example `\\xff`.',
    limity: (s, vystup, pamet, vnoreni) =>
      `Limits of a run: ${s} s, ${velikost(vystup)} of output, ${velikost(pamet)} of memory` +
      (vnoreni ? `, ${vnoreni.toLocaleString('en')} nested levels.` : '.'),
    bezi: 'Running…',
    cekaNaVstup: 'Waiting for input: type a line and press Enter (Ctrl+D ends the input).',
    dobehl: 'Finished.',
    chyba: 'Finished with an error.',
    zastaveno: 'Stopped.',
    limitCasu: (s) => `Stopped: the run took longer than the time limit of ${s} s.`,
    limitVystupu: (n) => `Stopped: the output reached the limit of ${velikost(n)}.`,
    limitPameti: (n) => `Stopped: the run reached the memory limit of ${velikost(n)}.`,
    prilisHluboko: 'Stopped: the program nests deeper than this browser allows.',
    bezVstupu:
      'The program asked for input, but this browser cannot pause a run to wait for it: ' +
      'type the input into the box before Run.',
    nenacteno: (zprava) => `The interpreter could not be loaded: ${zprava}`,
    spatnyOdkaz: 'This link does not hold a valid program.',
    zOdkazu: 'Loaded from the link. Press Run to run it.',
    odkazVsude: 'The link is in the address bar and on the clipboard.',
    odkazVAdrese: 'The link is in the address bar.',
    prikladNacten: (jmeno) => `Example “${jmeno}” loaded.`,
    naRadek: (n) => `Go to line ${n}`,
    priklady: {
      'ahoj.mox': 'Hello, world',
      'faktorial.mox': 'Factorials',
      'faktorial_cela.mox': 'Factorials in whole numbers',
      'nasobilka.mox': 'Multiplication table',
      'sude_liche.mox': 'Even or odd',
    },
    uvod: ':: Your first program: press Run (Ctrl+Enter),\n:: type your name when it asks, and press Enter.\n',
  },
  cs: {
    ...KROKY_TEXTY.cs,
    ukol: 'Úkol',
    ukolOtevrit: 'Otevřít úkol',
    ukolOtevritTitulek: 'Otevřít balíček úkolu (.json); soubor lze také přetáhnout na stránku',
    ukolTestovat: 'Test',
    ukolZastavit: 'Zastavit testy',
    ukolStahnout: 'Stáhnout',
    ukolVysledky: 'Výsledky testů',
    ukolBezi: 'Testuje se…',
    ukolZastaven: 'Testy byly zastaveny.',
    ukolCiziAdresa: 'Úkol lze otevřít jen z vlastního webu této stránky.',
    ukolNenacten: (proc) => `Úkol se nepodařilo načíst: ${proc}`,
    ukolNeplatny: (proc) => `Toto není platný balíček úkolu: ${proc}`,
    ukolSelhal: (proc) => `Testy nemohly běžet: ${proc}`,
    ukolVerdikt: {
      passed: 'prošel',
      wrong: 'špatný výstup',
      limit: 'zastaven limitem',
      time: 'časový limit',
      output: 'limit výstupu',
      none: 'nehodnoceno',
    },
    ukolTest: (jmeno, verdikt, body, z) => `${jmeno}: ${verdikt}, ${body} z ${z} bodů`,
    ukolCeka: (jmeno, z) => `${jmeno}: zatím nespuštěn (${z} bodů)`,
    ukolSouhrn: (body, z, skrytych, skryteBody) =>
      `Viditelné testy: ${body} z ${z} bodů. Skryté testy (${skrytych}) rozhodnou ještě o ${skryteBody} bodech.`,
    nazev: 'Hřiště moxa',
    jazyk: 'Jazyk',
    priklad: 'Příklad',
    vyberte: '(vyberte)',
    spustit: 'Spustit',
    spustitTitulek: 'Spustit (Ctrl+Enter)',
    zastavit: 'Zastavit',
    sdilet: 'Sdílet',
    program: 'Program',
    vstup: 'Vstup (slova, která čte `cti`; když zůstane prázdný, píšete je, až se program zeptá)',
    vystup: 'Výstup',
    odkaz: 'Odkaz',
    pruvodce: 'Co znamenají hlášení a která pravidla překvapí: průvodce pro studenty',
    pruvodceAdresa: 'guide.html#cs',
    radekVstupu: 'Řádek vstupu',
    editorNapoveda:
      'Tab opustí editor a přejde na další ovládací prvek; Enter za `{` nový řádek odsadí; Ctrl+Enter program spustí; F9 nebo klepnutí na číslo řádku nastaví zarážku pro krokování.',
    konecVstupu: 'Konec vstupu',
    konecVstupuTitulek: 'Ukončit vstup (Ctrl+D): cti pak přečte prázdné slovo',
    pata:
      'Program běží v tomto prohlížeči, ve stejném interpretu jako `moxa SOUBOR`; nic se nikam ' +
      'neposílá. Bajty, které nejsou text, se ukazují jako escape sekvence, například `\\xff`.',
    limity: (s, vystup, pamet, vnoreni) =>
      `Limity běhu: ${s} s, ${velikost(vystup)} výstupu, ${velikost(pamet)} paměti` +
      (vnoreni ? `, ${vnoreni.toLocaleString('cs')} úrovní vnoření.` : '.'),
    bezi: 'Běží…',
    cekaNaVstup: 'Čeká na vstup: napište řádek a stiskněte Enter (Ctrl+D vstup ukončí).',
    dobehl: 'Doběhl.',
    chyba: 'Skončil chybou.',
    zastaveno: 'Zastaveno.',
    limitCasu: (s) => `Zastaveno: běh trval déle, než dovoluje časový limit ${s} s.`,
    limitVystupu: (n) => `Zastaveno: výstup dosáhl limitu ${velikost(n)}.`,
    limitPameti: (n) => `Zastaveno: běh dosáhl limitu paměti ${velikost(n)}.`,
    prilisHluboko: 'Zastaveno: program je vnořený hlouběji, než tento prohlížeč dovolí.',
    bezVstupu:
      'Program chtěl číst vstup, ale tento prohlížeč neumí běh pozastavit a čekat na něj: ' +
      'napište vstup do pole před spuštěním.',
    nenacteno: (zprava) => `Interpret se nepodařilo načíst: ${zprava}`,
    spatnyOdkaz: 'Tento odkaz neobsahuje platný program.',
    zOdkazu: 'Načteno z odkazu. Spustíte tlačítkem Spustit.',
    odkazVsude: 'Odkaz je v adresním řádku a ve schránce.',
    odkazVAdrese: 'Odkaz je v adresním řádku.',
    prikladNacten: (jmeno) => `Načten příklad „${jmeno}“.`,
    naRadek: (n) => `Přejít na řádek ${n}`,
    priklady: {
      'ahoj.mox': 'Ahoj, světe',
      'faktorial.mox': 'Faktoriály',
      'faktorial_cela.mox': 'Faktoriály v celých číslech',
      'nasobilka.mox': 'Násobilka',
      'sude_liche.mox': 'Sudé, nebo liché',
    },
    uvod: ':: Váš první program: stiskněte Spustit (Ctrl+Enter),\n:: až se zeptá, napište své jméno a stiskněte Enter.\n',
  },
};

// The starter program below the first line, which greets in the page's language.
const UVODNI_PROGRAM = `{
  pis("Jak se jmenujes? ");
  cti(@jmeno);
  pis_ln("Ahoj, " + @jmeno + "!");
} .
`;

export const uvodniProgram = (jazyk) => TEXTY[jazyk].uvod + UVODNI_PROGRAM;

// The language of the page: `?lang=` in the address, else the one chosen before, else the
// browser's first language we have, else English.
export function zvolJazyk(adresa, ulozeny, prohlizec) {
  const z = [adresa, ulozeny, ...prohlizec.map((j) => j.slice(0, 2).toLowerCase())];
  return z.find((j) => j && Object.hasOwn(TEXTY, j)) ?? 'en';
}

// Fills `kam` with a text whose `code` in backticks goes into <code> elements.
export function vlozText(kam, text) {
  kam.textContent = '';
  text.split('`').forEach((kus, i) => {
    if (i % 2 === 0) kam.append(kus);
    else {
      const c = document.createElement('code');
      c.textContent = kus;
      kam.append(c);
    }
  });
}
