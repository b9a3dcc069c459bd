// The checker's findings, Tidy and the place of a run's error, in headless Chromium, driven
// as a person drives the page: typing into the editor, clicking, reading what it shows.
//   node diagnostics.mjs SITE_DIR MOXA MOXA_FMT [SCREENSHOT.png]
// MOXA and MOXA_FMT are the native interpreter and formatter, whose results the page's must
// match. SCREENSHOT.png shows a warning; SCREENSHOT-run.png a run's error marked;
// SCREENSHOT-fix.png the list with an error's explanation and its Apply button.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { dobehl, kVstupu, klavesy, nativni, prohlizec, spust as spustNaStrance, textEditoru as program, vloz, zobrazeni } from './browser.mjs';

const [siteDir, moxa, moxaFmt, screenshot] = process.argv.slice(2);
const prostredi = prohlizec(siteDir);
const novaStranka = () => prostredi.novaStranka('?lang=en', { viewport: { width: 1280, height: 900 } });

// Waits until the checker has answered for the program the editor holds now.
const zkontrolovano = (page) =>
  page.waitForFunction(() => !/^(Checking|$)/.test(document.getElementById('diagnostics-summary').textContent));

// Types `program` into the editor key by key, as written: the indentation the editor adds
// after a `{` is taken away again, as a person who lays out by hand does. (A `}` typed first
// on a line would be moved to its block's level: the programs typed close only the main
// block so.) Then waits for the checker's answer.
async function napis(page, program) {
  await page.focus('.cm-content');
  await klavesy(page, 'Control+a', 'Delete');
  const odsazeni = () => page.evaluate(() => /^ */.exec(document.querySelector('.cm-activeLine')?.textContent ?? '')[0].length);
  for (const [i, radek] of program.split('\n').entries()) {
    if (i > 0) {
      await page.keyboard.press('Enter');
      while ((await odsazeni()) > 0) await page.keyboard.press('Backspace');
    }
    await page.keyboard.type(radek);
  }
  await zkontrolovano(page);
}

// The text of the first element `selector` and the number of the editor line (from 1) that
// holds it.
function znacka(page, selector) {
  return page.evaluate((s) => {
    const e = document.querySelector(s);
    const line = e?.closest('.cm-line');
    return [e?.textContent, line ? [...document.querySelectorAll('.cm-line')].indexOf(line) + 1 : 0];
  }, selector);
}

const spust = async (page) => (await spustNaStrance(page)).output;

// A missing ';' is noticed by a run at the next token, two lines later; the checker puts it
// where it is missing. The line before holds characters of two and three bytes, so that a
// place counted in bytes lands elsewhere.
const BEZ_STREDNIKU = '{\npis_ln("žluťoučký kůň €");\npis_ln("a")\n:: here\npis_ln("b");\n} .';

test("a missing ; typed into the editor is underlined where it is missing and listed; the item moves the cursor there, Apply inserts it; the explanation follows the page's language", async () => {
  const page = await novaStranka();
  await napis(page, BEZ_STREDNIKU);
  assert.equal(await program(page), BEZ_STREDNIKU);

  assert.deepEqual(await znacka(page, '.cm-lintRange-error'), [')', 3]);
  const polozky = page.locator('#diagnostics-list button.diag');
  assert.deepEqual(await polozky.allTextContents(), ['3:11 error `;` missing after the statement']);
  assert.match(await page.textContent('#diagnostics-summary'), /^1 error/);

  // The cursor is elsewhere; the item takes it to the place and selects it.
  await page.keyboard.press('Control+Home');
  assert.equal(await page.textContent('.cm-activeLineGutter'), '1');
  await polozky.click();
  assert.deepEqual([await page.textContent('.cm-activeLineGutter'), await page.evaluate(() => getSelection().toString())], ['3', ')']);

  // A fix is one click: Apply inserts the missing ; there, and Ctrl+Z takes it back.
  assert.match(await page.textContent('#diagnostics-list .diag-explanation'), /^Every statement ends with a semicolon\./);
  assert.equal(await page.getAttribute('#diagnostics-list .diag-apply', 'aria-label'), 'Apply the fix: insert `;` (undo with Ctrl+Z)');
  if (screenshot) await page.locator('.editor-pane').screenshot({ path: screenshot.replace(/\.png$/, '-fix.png') });
  await page.click('#diagnostics-list .diag-apply');
  await zkontrolovano(page);
  assert.equal(await program(page), BEZ_STREDNIKU.replace('("a")', '("a");'));
  assert.equal(await page.textContent('#diagnostics-summary'), 'No errors or warnings.');
  assert.equal(await page.locator('.cm-lintRange-error, #diagnostics-list li').count(), 0);
  await page.keyboard.press('Control+z');
  await zkontrolovano(page);
  assert.equal(await program(page), BEZ_STREDNIKU);
  assert.match(await page.textContent('#diagnostics-summary'), /^1 error/);

  // In Czech the checker's words are Czech, with diacritics; the run's message stays as is.
  await page.selectOption('#lang', 'cs');
  await page.waitForFunction(() => /středníkem/.test(document.querySelector('#diagnostics-list .diag-explanation')?.textContent ?? ''));
  assert.equal(await page.textContent('#diagnostics-list .diag-message'), 'za příkazem chybí `;`');
  assert.match((await page.locator('#diagnostics-list .diag-note').allTextContents()).join('\n'), /byl ocekavan znak: ";"/);
  assert.equal(await page.textContent('#diagnostics-list .diag-apply'), 'Použít');
});

test('what the scanner reads differently is a warning (@Vysledek is @ysledek); Tidy lays the program out as moxa-fmt does, in one undoable step; with a syntax error it is disabled and says why', async () => {
  const page = await novaStranka();
  const neupraveny = '{\n@Vysledek->0;w2(@Vysledek<3){pis_ln(@Vysledek*2);@Vysledek->@Vysledek + 1;}w2_end;:: konec\n} .';
  await napis(page, neupraveny);
  const zpravy = await page.locator('#diagnostics-list .diag-warning .diag-message').allTextContents();
  assert.ok(zpravy.length >= 1, 'a warning is listed');
  assert.ok(zpravy.every((z) => /`@Vysledek` reads as `@ysledek`/.test(z)), zpravy.join('\n'));
  assert.equal(await page.locator('#diagnostics-list .diag-error').count(), 0);
  assert.deepEqual(await znacka(page, '.cm-lintRange-warning'), ['Vysledek', 2]);
  if (screenshot) {
    await page.locator('.cm-lintRange-warning').first().hover();
    await page.waitForSelector('.cm-tooltip-lint');
    await page.screenshot({ path: screenshot });
  }
  assert.equal(await page.isDisabled('#tidy'), false);
  const pred = await spust(page);
  await page.click('#tidy');
  await page.waitForFunction((p) => [...document.querySelectorAll('.cm-line')].map((l) => l.textContent).join('\n') !== p, neupraveny);
  assert.equal(await program(page), new TextDecoder().decode(nativni(moxaFmt, neupraveny)));
  assert.match(await page.textContent('#diagnostics-summary'), /Tidied: only the layout changed\./);
  // The program runs as before.
  assert.equal(await spust(page), pred);
  assert.equal(pred, zobrazeni(nativni(moxa, neupraveny)));
  // Tidy again: nothing more to do.
  await page.click('#tidy');
  await page.waitForFunction(() => /already tidy/.test(document.getElementById('diagnostics-summary').textContent));
  // One undo brings the original back.
  await page.focus('.cm-content');
  await page.keyboard.press('Control+z');
  assert.equal(await program(page), neupraveny);

  await klavesy(page, 'Control+End', 'Backspace');
  await zkontrolovano(page);
  assert.equal(await page.isDisabled('#tidy'), true);
  assert.match(await page.getAttribute('#tidy', 'title'), /without syntax errors/);
  assert.match(await page.textContent('#diagnostics-summary'), /correct the error first/);
});

// A run's error is marked at the statement that failed, though its message may quote a later
// line: a syntax error noticed at a later token, an error in a later pass of a loop.
// The line number in the message is a link to the line it quotes (`cituje`).
const CHYBY_BEHU = [
  { program: '{\n@x -> 1 +\n;\npis_ln(@x);\n} .', zprava: /na radku: 4 nastala chyba/, znacka: ';', radek: 3,
    cituje: ['4', 'pis_ln(@x);'],
    misto: /line 3, column 1 ; \(the message quotes line 4\)/ },
  { program: '{\n@i -> 0;\n@x -> 1;\nw2 (@i < 3) {\n@i -> @i + 1;\ni2 (@i = 2) { @x -> "a"; } i2_end;\npis_ln(@x * 2);\n} w2_end;\npis_ln("po");\n} .',
    zprava: /na radku: 8 nastala chyba - nejedna se o cislo/, znacka: 'pis_ln', radek: 7, cituje: ['8', '} w2_end;'],
    misto: /line 7, column 1 pis_ln \(the message quotes line 8\)/, vysvetleni: /^M014: An operand of `-`, `\*`/ },
];

test("a run's error: the output stays as moxa's, the statement that failed is marked, its place a link; an edit or a clean run takes the mark away", async () => {
  const page = await novaStranka();
  for (const [i, c] of CHYBY_BEHU.entries()) {
    await vloz(page, c.program);
    const vystup = await spust(page);
    assert.equal(vystup, zobrazeni(nativni(moxa, c.program)));
    assert.match(vystup, c.zprava);
    await page.waitForSelector('.cm-run-error');
    assert.deepEqual(await znacka(page, '.cm-run-error'), [c.znacka, c.radek]);
    assert.match(await page.textContent('#run-error-spot'), c.misto);
    // Beside it, what the run's message means, in the page's language.
    if (c.vysvetleni) assert.match(await page.textContent('#run-error-spot .run-error-explanation'), c.vysvetleni);
    assert.deepEqual(await page.locator('#output a.line').allTextContents(), [c.cituje[0]]);
    await page.click('#output a.line');
    assert.deepEqual([await page.textContent('.cm-error-line'), await page.textContent('.cm-activeLine')], [c.cituje[1], c.cituje[1]]);
    if (i === 0) {
      // The place's link moves the cursor there; a change to the program takes the mark away.
      await page.keyboard.press('Control+Home');
      await page.click('#run-error-spot a');
      assert.equal(await page.textContent('.cm-activeLineGutter'), String(c.radek));
      await page.keyboard.type('2');
      assert.equal(await page.locator('.cm-run-error').count(), 0);
      assert.equal(await page.isHidden('#run-error-spot'), true);
    }
  }
  if (screenshot) await page.screenshot({ path: screenshot.replace(/\.png$/, '-run.png') });
  // The run clean again: the mark goes with the next run.
  await vloz(page, '{ pis_ln(1); } .');
  assert.match(await spust(page), /Program probehl bez chyb/);
  assert.equal(await page.locator('.cm-run-error').count(), 0);
});

test('a run that fails on the input typed while it runs is replayed on that input to mark its statement', async () => {
  const page = await novaStranka();
  // With the word "ano" the run fails on line 3; on any other input it would fail on line 4.
  const p = '{\ncti(@a);\ni2 (@a = "ano") { pis_ln(1 - "x"); } e2 { pis_ln(2); } i2_end;\npis_ln(@b - 1);\n} .';
  await napis(page, p);
  await kVstupu(page);
  await page.type('#stdin-line', 'ano');
  await page.press('#stdin-line', 'Enter');
  assert.match((await dobehl(page)).output, /na radku: 3 nastala chyba - nejedna se o cislo/);
  await page.waitForSelector('.cm-run-error');
  assert.deepEqual(await znacka(page, '.cm-run-error'), ['pis_ln', 3]);
});

test('nesting up to the limit the page names runs and checks clean; one more gives the nesting message in the run and in the findings', async () => {
  const page = await novaStranka();
  const limit = Number((await page.textContent('#limits')).match(/([\d,]+) nested levels/)[1].replace(/,/g, ''));
  assert.ok(limit >= 2500, `limit ${limit}`);
  // The main block is one level; brackets, calls and blocks open the others.
  for (const tvar of [
    (n) => `{ pis_ln(${'('.repeat(n)}7${')'.repeat(n)}); } .`,
    (n) => `?f(p2 @a) { } { pis_ln(${'~f('.repeat(n)}7${')'.repeat(n)}); } .`,
    (n) => `{ ${'i2 (1) { '.repeat(n)}pis_ln(7);${' } i2_end;'.repeat(n)} } .`,
  ]) {
    for (const hloubka of [limit - 1, limit]) {
      const program = tvar(hloubka);
      await vloz(page, program);
      await zkontrolovano(page);
      // No error found but the nesting error, which the run gives too.
      const zjisteni = await page.locator('#diagnostics-list .diag-error .diag-message').allTextContents();
      const { output, status } = await spustNaStrance(page);
      const vnoreni = (t) => /prilis hluboke vnoreni/.test(t);
      assert.deepEqual([zjisteni.map(vnoreni), vnoreni(output)], hloubka < limit ? [[], false] : [[true], true], program.slice(0, 40));
      assert.doesNotMatch(status, /deeper than this browser/);
    }
  }
});
