// The playground in headless Chromium, driven through its fixed element ids.
//   node page.mjs SITE_DIR MOXA GOLDEN_DIR [SCREENSHOT.png]
// SITE_DIR is the output of web/build.sh; MOXA is the native interpreter, whose output each
// run through the page must match; GOLDEN_DIR holds the golden programs.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { BANNER, dobehl, kVstupu, nativni as nativniNastroj, odkaz, prohlizec, spust, textEditoru, vloz, zobrazeni } from './browser.mjs';
import { sdileni } from '../src/bytes.js';
import { TEXTY } from '../src/texts.js';

const [siteDir, moxa, goldenDir, screenshot] = process.argv.slice(2);
const priklady = join(goldenDir, '..', '..', 'examples');
const enc = new TextEncoder();
const { en, cs } = TEXTY;
const prostredi = prohlizec(siteDir);
const { otevri, novaStranka } = prostredi;
const nativni = (program, input) => nativniNastroj(moxa, program, input);

// A program that asks for a word and prints it in brackets, and one that reads three words.
const CTI = '{ pis("? "); cti(@a); pis_ln("[" + @a + "]"); } .';
const TRI = '{ cti(@a); pis_ln("[" + @a + "]"); cti(@b); pis_ln("[" + @b + "]"); cti(@c); pis_ln("[" + @c + "]"); } .';
const NEKONECNY = '{ pis_ln("zacatek"); w2 (1) { @x -> 1; } w2_end; } .';
const bezi = () => document.body.dataset.state === 'running';

// The output pane's text without what was typed into it: the program's bytes alone.
const vystupProgramu = (page) =>
  page.evaluate(() => {
    const kopie = document.getElementById('output').cloneNode(true);
    for (const e of kopie.querySelectorAll('.input-echo')) e.remove();
    return kopie.textContent;
  });

// Waits for the input line, checks what the output shows before it, and types a line.
async function napis(page, predtim, radek, klavesa = 'Enter') {
  await page.waitForSelector('#stdin-line');
  assert.equal(await page.evaluate(bezi), true);
  const text = await page.textContent('#output');
  assert.ok(text.endsWith(predtim), `before the input line: ${JSON.stringify(text.slice(-60))}`);
  // The input line stands right after the prompt, at the end of the output.
  const zaRadkem = await page.evaluate(() => {
    const r = document.createRange();
    r.setStartAfter(document.getElementById('stdin-line'));
    r.setEndAfter(document.getElementById('output').lastChild);
    return r.toString();
  });
  assert.equal(zaRadkem, '');
  await page.type('#stdin-line', radek);
  await page.press('#stdin-line', klavesa);
}

const VYZVA = 'Zadej cislo (0 konci): ';
// A run per row, on one page: the program opened by a link (`program`, `input` in the box,
// after `adresa`), or an example chosen from the menu (`priklad`, then `input` put in the
// box); each of `typed` ([what the output ends with, the line, the key that sends it]) typed
// when the program asks (`cekej` ms after it asks first, the run still going after the
// lines), and no other line asked for. Then what the run ended in (`state`,
// `status`: ok and Finished. if not given), the output without what was typed (`output`, else
// moxa's for the same input) and with it (`pane`), the lines typed as the pane shows them, the
// limits the page names (`limity`).
const BEHY = [
  { nazev: 'sude_liche.mox played by typing the answers when it asks', priklad: 'sude_liche.mox', snimek: true,
    typed: [[BANNER + VYZVA, '4'], [`4 je sude\n${VYZVA}`, '17'], [`17 je liche\n${VYZVA}`, '0']] },
  { nazev: 'Ctrl+D ends the input: cti then reads the empty word', program: TRI,
    typed: [[BANNER, 'prvni druhe'], ['[prvni]\n[druhe]\n', '', 'Control+d']] },
  // The run takes input 4,096 bytes at a time: the line feed of a longer line waits for the next read.
  { nazev: 'a line one byte longer than a read ends its word with its line feed', program: TRI,
    typed: [[BANNER, 'x'.repeat(4096)], [`[${'x'.repeat(4096)}]\n`, 'y'], ['[y]\n', '', 'Control+d']] },
  { nazev: 'Ctrl+D after a word without Enter hands the word over, then the end', program: TRI,
    typed: [[BANNER, 'jen', 'Control+d']], pane: /^\nhello\n\njen\[jen\]\n\[\]\n\[\]\n/ },
  { nazev: 'a shared program printing markup and script shows the characters', input: '<svg/onload=window.__zasazen=3>',
    program: '{ pis_ln("<img src=x onerror=window.__zasazen=1>"); pis_ln("<script>window.__zasazen=2</script>"); cti(@a); pis_ln(@a); } .',
    pane: /<img src=x onerror=window.__zasazen=1>\n<script>window.__zasazen=2<\/script>\n<svg\/onload=window.__zasazen=3>\n/ },
  { nazev: 'the time limit, shortened for the test', adresa: '?seconds=2', program: NEKONECNY, limity: /: 2 s,/,
    state: 'stopped', status: en.limitCasu(2), output: BANNER + 'zacatek\n' },
  { nazev: 'time spent waiting for input does not count toward the time limit', adresa: '?seconds=1', cekej: 1500,
    program: '{ pis("? "); cti(@a); pis_ln(@a); w2 (1) { @x -> 1; } w2_end; } .', typed: [['? ', 'cekal']],
    state: 'stopped', status: en.limitCasu(1), output: BANNER + '? cekal\n' },
  { nazev: 'a run past the output limit stops after the first MiB', program: '{ w2 (1) { pis("abcdefgh"); } w2_end; } .',
    state: 'stopped', status: /output reached the limit of 1 MiB/, output: BANNER + 'abcdefgh'.repeat(1 << 17), limity: /256 MiB of memory/ },
  // Call statements leave their values on the value stack for ever.
  { nazev: 'a run past the memory limit', program: '?f(p2 @a) { } { w2 (1) { ~f(1;2;3;4;5;6;7;8;9;10); } w2_end; } .',
    state: 'stopped', status: /memory limit of 256 MiB/, output: BANNER },
  { nazev: "on the worker's own stack, nesting that overflows it is stopped", adresa: '?stack=worker',
    program: `?f(p2 @a) { } { pis_ln("pred"); pis_ln(${'~f('.repeat(2999)}7${')'.repeat(2999)}); } .`,
    state: 'stopped', status: /nests deeper than this browser allows/, output: BANNER },
  { nazev: 'and the page runs on', adresa: '?stack=worker', program: '{ pis_ln("dal"); } .' },
  // The page is not cross-origin isolated without its service worker, blocked for these runs.
  { nazev: 'on the worker without shared memory, an empty box is the end of the input', adresa: '?stack=worker',
    program: CTI, status: /type the input into the box before Run/, pane: /^\nhello\n\n\? \[\]\n/ },
  { nazev: 'and a word in the box is read', adresa: '?stack=worker', program: CTI, input: 'slovo' },
];

test('each run prints what moxa prints for the same input, typed or in the box, or stops with a note', async () => {
  const page = await novaStranka('', { serviceWorkers: 'block' });
  for (const r of BEHY) {
    const { nazev: n, typed = [] } = r;
    let program = r.program;
    if (r.priklad) {
      await otevri(page);
      await page.selectOption('#examples', r.priklad);
      program = readFileSync(join(priklady, r.priklad));
      assert.equal(await page.inputValue('#input'), '', n);
      if (r.input) await page.fill('#input', r.input);
    } else {
      await otevri(page, (r.adresa ?? '') + odkaz(program, r.input ?? ''));
      // Loaded, not run.
      assert.deepEqual([await page.textContent('#output'), await page.inputValue('#input')], ['', r.input ?? ''], n);
    }
    if (r.limity) assert.match(await page.textContent('#limits'), r.limity, n);
    await page.click('#run');
    for (const [i, [predtim, radek, klavesa]] of typed.entries()) {
      if (r.snimek && screenshot && i === typed.length - 1) {
        await page.waitForSelector('#stdin-line');
        await page.screenshot({ path: screenshot, fullPage: true });
      }
      if (r.cekej && i === 0) { await page.waitForSelector('#stdin-line'); await page.waitForTimeout(r.cekej); }
      await napis(page, predtim, radek, klavesa);
    }
    if (r.cekej) assert.equal(await page.textContent('#status'), en.bezi, n);
    await page.waitForFunction(() => document.body.dataset.state !== 'running' || document.getElementById('stdin-line'));
    assert.equal(await page.locator('#stdin-line').count(), 0, `${n}: asked for a line`);
    assert.equal(await page.evaluate(() => document.body.dataset.state), r.state ?? 'ok', n);
    const status = r.status ?? en.dobehl;
    assert[typeof status === 'string' ? 'equal' : 'match'](await page.textContent('#status'), status, n);
    const radky = typed.map(([, radek, k = 'Enter']) => radek + (k === 'Enter' ? '\n' : ''));
    assert.equal(await vystupProgramu(page), r.output ?? zobrazeni(nativni(program, (r.input ?? '') + radky.join(''))), n);
    assert.deepEqual(await page.locator('#output .input-echo').allTextContents(), radky.filter((x) => x), n);
    if (r.pane) assert.match(await page.textContent('#output'), r.pane, n);
  }
  assert.equal(await page.evaluate(() => crossOriginIsolated), false);
  // Nothing printed ran; inline script is refused by the page's policy as well.
  await page.evaluate(() => {
    const s = document.createElement('script');
    s.textContent = 'window.__zasazen = 4';
    document.body.append(s);
  });
  await page.waitForTimeout(200);
  assert.equal(await page.evaluate(() => window.__zasazen), undefined);
});

test('the page asks for nothing but its own files, works offline once loaded, and its service worker lets a run on the worker wait for typed input', async () => {
  const context = await prostredi.kontext();
  const cizi = [];
  context.on('request', (r) => r.url().startsWith(prostredi.server.url) || cizi.push(r.url()));
  const page = await context.newPage();
  await otevri(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  await context.setOffline(true);
  await otevri(page, '?stack=worker' + odkaz(CTI));
  assert.equal(await page.evaluate(() => crossOriginIsolated), true);
  await page.click('#run');
  await napis(page, BANNER + '? ', 'sdilene');
  await page.waitForFunction(() => document.body.dataset.state === 'ok');
  assert.equal(await vystupProgramu(page), BANNER + '? [sdilene]\n\nProgram probehl bez chyb.\n\nbye\n\n');
  // Stop while the worker is blocked, and the next run waits again.
  await kVstupu(page);
  await page.click('#stop');
  assert.deepEqual(await dobehl(page), { status: en.zastaveno, state: 'stopped', output: BANNER + '? ' });
  assert.equal(await page.locator('#stdin-line').count(), 0);
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  await page.click('#run');
  await napis(page, BANNER + '? ', '', 'Control+d');
  assert.match((await dobehl(page)).output, /^\nhello\n\n\? \[\]\n\nProgram probehl bez chyb\./);
  assert.deepEqual(cizi, []);
});

// Where the output box is scrolled to, and how far its end is below what it shows.
const posunVystupu = (page) =>
  page.evaluate(() => {
    const o = document.getElementById('output');
    return { nahore: o.scrollTop, podKoncem: o.scrollHeight - o.scrollTop - o.clientHeight };
  });

// The last printed character of the output is inside the box's visible part (run in the page).
const konecVidet = () => {
  const o = document.getElementById('output');
  const w = document.createTreeWalker(o, NodeFilter.SHOW_TEXT);
  let posledni = null;
  for (let n = w.nextNode(); n; n = w.nextNode()) if (n.data.trim()) posledni = n;
  const i = posledni.data.trimEnd().length;
  const r = document.createRange();
  r.setStart(posledni, i - 1);
  r.setEnd(posledni, i);
  const [kde, box] = [r.getBoundingClientRect(), o.getBoundingClientRect()];
  return kde.top >= box.top && kde.bottom <= box.bottom;
};

test('output scrolled up by the person during the run stays where they put it', async () => {
  // Lines, a long computation, more lines; the time limit raised for a busy machine.
  const program =
    '{ @i -> 0; w2 (@i < 2000) { pis_ln("radek " + @i); @i -> @i + 1; } w2_end;' +
    ' @j -> 0; w2 (@j < 20000000) { @j -> @j + 1; } w2_end;' +
    ' w2 (@i < 4000) { pis_ln("dalsi " + @i); @i -> @i + 1; } w2_end; } .';
  const page = await novaStranka('?seconds=600' + odkaz(program));
  await page.click('#run');
  await page.waitForFunction(() => document.getElementById('output').textContent.includes('radek 1999.000000\n'));
  await page.waitForFunction(konecVidet);
  // The person scrolls up with the wheel over the box while the program computes.
  await page.hover('#output');
  await page.mouse.wheel(0, -4000);
  await page.waitForTimeout(500);
  const pred = await posunVystupu(page);
  assert.equal(await page.evaluate(bezi), true, 'the run ended before the test scrolled');
  assert.ok(pred.podKoncem > 1000, JSON.stringify(pred));
  await page.waitForFunction(() => document.body.dataset.state === 'ok', null, { timeout: 600000 });
  await page.waitForTimeout(300);
  const po = await posunVystupu(page);
  assert.ok(Math.abs(po.nahore - pred.nahore) < 2, `moved from ${pred.nahore} to ${po.nahore}`);
  assert.equal(await page.evaluate(konecVidet), false);
  assert.equal(await page.textContent('#output'), zobrazeni(nativni(program)));
  // Scrolled back to the end by the person, the box follows the output again.
  await page.click('#run');
  await page.waitForFunction(() => document.body.dataset.state === 'ok', null, { timeout: 600000 });
  await page.waitForFunction(konecVidet);
});

test('Share offers a link that opens the same program and input in a fresh page, on a phone too; a link keeps every byte', async () => {
  const page = await novaStranka();
  const program = '{\ncti(@a);\npis_ln("mám " + @a);\n} .';
  await vloz(page, program);
  await page.fill('#input', 'žlutý\nkůň');
  await page.click('#share');
  await page.waitForSelector('#share-link', { state: 'visible' });
  const odkazNaStranku = await page.inputValue('#share-link');
  assert.equal(odkazNaStranku, page.url());
  assert.match(await page.textContent('#status'), /^The link is in the address bar/);
  // The link opened on a phone: nothing overflows, before a run or after a long line, and the controls are on screen.
  const jina = await novaStranka(odkazNaStranku.slice(prostredi.server.url.length), { viewport: { width: 360, height: 740 } });
  const sirka = () => jina.evaluate(() => document.documentElement.scrollWidth);
  assert.ok((await sirka()) <= 360, `page is ${await sirka()}px wide`);
  for (const id of ['#run', '#stop', '#input', '#output']) {
    const r = await jina.locator(id).boundingBox();
    assert.ok(r && r.x >= 0 && r.x + r.width <= 360, id);
  }
  assert.equal(await textEditoru(jina), program);
  assert.equal(await jina.inputValue('#input'), 'žlutý\nkůň');
  assert.equal((await spust(jina)).output, zobrazeni(nativni(program, 'žlutý\nkůň')));

  // A program holding every byte value 1-255 ('/' escapes '"' and '/') and input bytes.
  const bajty = [];
  for (let b = 1; b <= 255; b++) bajty.push(...(b === 0x22 || b === 0x2f ? [0x2f, b] : [b]));
  const dalsi = Uint8Array.from([...enc.encode('{ pis("'), ...bajty, ...enc.encode('"); } .')]);
  const fragment = sdileni(dalsi, Uint8Array.from([0xff, 0x20, 0x0d, 0x0a, 0x41]));
  await otevri(jina, fragment);
  await jina.click('#share');
  assert.equal(await jina.evaluate(() => location.hash), fragment);
  assert.equal((await spust(jina)).output, zobrazeni(nativni(dalsi)));
  assert.ok((await sirka()) <= 360, `page is ${await sirka()}px wide`);
});

// ---- the page's languages -----------------------------------------------------------------

// Every text a person sees or hears: visible text outside the program, the output and code,
// the examples' names, titles and labels of controls, the window's title.
const textyStranky = (page) =>
  page.evaluate(() => {
    const texty = [document.title];
    const chodec = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let n = chodec.nextNode(); n; n = chodec.nextNode()) {
      const e = n.parentElement;
      if (e.closest('#editor, #output, #output-news, code, #lang, script')) continue;
      if (e.closest('option') ? e.closest('#examples') === null : !e.checkVisibility()) continue;
      if (n.textContent.trim()) texty.push(n.textContent.trim());
    }
    for (const e of document.querySelectorAll('[title], [aria-label]')) {
      if (e.closest('#editor')) continue;
      texty.push(e.getAttribute('title'), e.getAttribute('aria-label'));
    }
    return texty.filter((x) => x && /[a-z]{2}/i.test(x));
  });

test('the page in Czech: the switch changes every text, is remembered, and ?lang=cs opens it', async () => {
  const page = await novaStranka('', { locale: 'en-US' });
  assert.equal(await page.getAttribute('html', 'lang'), 'en');
  await page.waitForFunction(() => document.getElementById('examples').options.length > 1);
  // A note and the input line on the page.
  await kVstupu(page);
  const anglicky = new Set(await textyStranky(page));
  for (const t of [en.spustit, en.konecVstupu, en.cekaNaVstup, 'Hello, world']) assert.ok(anglicky.has(t), t);

  await page.selectOption('#lang', 'cs');
  assert.equal(await page.getAttribute('html', 'lang'), 'cs');
  const cesky = await textyStranky(page);
  // The only words alike in both languages: the name of the language and "Program".
  assert.deepEqual(cesky.filter((x) => anglicky.has(x) && x !== 'Program'), []);
  for (const t of [cs.spustit, cs.cekaNaVstup]) assert.ok(cesky.includes(t), t);
  // The untouched starter program follows the language; the run goes on.
  assert.match(await page.textContent('.cm-content'), /Váš první program/);
  await napis(page, 'Jak se jmenujes? ', 'Ema');
  await page.waitForFunction(() => document.body.dataset.state === 'ok');
  assert.equal(await page.textContent('#status'), cs.dobehl);
  await page.selectOption('#examples', 'faktorial.mox');
  assert.equal(await page.textContent('#status'), cs.prikladNacten('Faktoriály'));

  // Remembered for the next visit; the browser's language when nothing was chosen.
  const znovu = await page.context().newPage();
  await znovu.goto(prostredi.server.url);
  assert.equal(await znovu.textContent('#run'), cs.spustit);
  for (const [locale, ocekavano] of [['cs-CZ', 'cs'], ['de-DE', 'en']]) {
    const p = await novaStranka('', { locale });
    assert.equal(await p.textContent('#run'), TEXTY[ocekavano].spustit, locale);
  }
  const p = await novaStranka('?lang=cs', { locale: 'en-GB' });
  assert.equal(await p.inputValue('#lang'), 'cs');
  assert.match(await p.title(), /Hřiště/);
  // The guide's link leads to its Czech part.
  await p.click('#guide');
  await p.waitForURL(/guide\.html#cs$/);
  assert.equal(await p.getAttribute(':target', 'lang'), 'cs');
});

