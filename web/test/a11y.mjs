// The page for every student, in headless Chromium: axe-core finds no violation on any view
// (a program in the editor, the output of a run that ended in an error, a run waiting for
// input, the step view with a breakpoint, the guide) in English and in Czech, in the light and the dark colour
// scheme; every control works from the keyboard alone, in an order the focus ring shows; the
// step view and new output are said in live regions; nothing moves for reduced motion.
//   node a11y.mjs SITE_DIR
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { dobehl, kVstupu, klavesy, krokuj, odkaz, porusheni, prohlizec, spust } from './browser.mjs';

const prostredi = prohlizec(process.argv[2]);

const CHYBNY = '{\n  pis_ln("a");\n  @x -> "slovo" * 2;\n} .\n';
const KROKY = '{ @x -> 6 * 7; pis_ln(@x); } .';
// What the step view says of KROKY's first step, and of its second.
const OHLASY = {
  en: [['Step 1 / 2.', 'Line 1, column 3:', '@x is assigned.', '@x = 42.000000.'], /Line 1, column 16:.*prints\. “42\.000000”/],
  cs: [['Krok 1 / 2.', 'Řádek 1, sloupec 3:', 'Přiřazení do @x.', '@x = 42.000000.'], /Řádek 1, sloupec 16:.*píše\. „42\.000000“/],
};

// Each view, reached as a person reaches it.
const POHLEDY = {
  editor: (page) => page.waitForSelector('.cm-content .hl-keyword'),
  'error output': async (page, jazyk) => {
    await prostredi.otevri(page, `?lang=${jazyk}${odkaz(CHYBNY)}`);
    assert.equal((await spust(page)).state, 'error');
    await page.waitForSelector('#output a.line');
  },
  'waiting for input': kVstupu,
  // The step view; each step said in a live region, in the page's language.
  'step view': async (page, jazyk) => {
    await prostredi.otevri(page, `?lang=${jazyk}${odkaz(KROKY)}`);
    assert.equal(await page.getAttribute('#step-announce', 'aria-live'), 'polite');
    await krokuj(page);
    await page.waitForFunction(() => document.getElementById('step-announce').textContent !== '');
    const [prvni, druhy] = OHLASY[jazyk];
    const text = await page.textContent('#step-announce');
    for (const kus of prvni) assert.ok(text.includes(kus), `${jazyk}: ${JSON.stringify(text)} lacks ${kus}`);
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction(() => document.getElementById('step-announce').textContent.includes(' 2 / 2.'));
    assert.match(await page.textContent('#step-announce'), druhy);
    // A breakpoint marked in the gutter, and the note of a move back to it.
    await page.locator('#editor .cm-lineNumbers .cm-gutterElement').filter({ hasText: /^1$/ }).click();
    await page.click('#step-bp-back');
    await page.waitForSelector('#step-bp-note:not([hidden])');
  },
  // The guide, by the page's link to the part in the page's language.
  guide: (page) => Promise.all([page.waitForURL(/guide\.html/), page.click('#guide')]),
};

for (const schema of ['light', 'dark']) {
  for (const jazyk of ['en', 'cs']) {
    test(`axe-core finds no violation on any view, and the step view is said aloud (${jazyk}, ${schema})`, async () => {
      const nalezy = [];
      for (const [nazev, dojdi] of Object.entries(POHLEDY)) {
        const page = await prostredi.novaStranka(`?lang=${jazyk}`, { colorScheme: schema });
        await dojdi(page, jazyk);
        for (const n of await porusheni(page)) nalezy.push(`${nazev}: ${n}`);
        await page.close();
      }
      assert.deepEqual(nalezy, []);
    });
  }
}

// The element that has the focus, named by its id, or "editor" for the program's text.
const fokus = (page) =>
  page.evaluate(() => {
    const e = document.activeElement;
    return e?.closest('.cm-editor') ? 'editor' : e?.id || e?.tagName.toLowerCase();
  });

// Whether the focused control shows a ring of at least 2 px (on the editor, around it).
const prstenec = (page) =>
  page.evaluate(() => {
    const s = getComputedStyle(document.activeElement.closest('.cm-editor') ?? document.activeElement);
    return s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) >= 2;
  });

// Presses Tab (Shift+Tab `zpet`) until `cil` has the focus, checking the ring on the way,
// then the key `pak` if given; the names passed.
async function tabemNa(page, cil, { zpet = false, pak } = {}) {
  const cesta = [];
  for (let i = 0; i < 40; i++) {
    await page.keyboard.press(zpet ? 'Shift+Tab' : 'Tab');
    const kde = await fokus(page);
    cesta.push(kde);
    // Past the last control the focus leaves the page for the browser's own controls.
    if (kde !== 'body') assert.equal(await prstenec(page), true, `no focus ring on ${kde}: ${cesta.join(' ')}`);
    if (kde !== cil) continue;
    if (pak) await page.keyboard.press(pak);
    return cesta;
  }
  assert.fail(`Tab never reached ${cil}: ${cesta.join(' ')}`);
}

test('every control works from the keyboard alone, in a visible order, and the editor lets go of Tab', async () => {
  const page = await prostredi.novaStranka('?lang=en');
  await page.evaluate(() => {
    window.__mys = 0;
    for (const u of ['mousedown', 'pointerdown', 'mouseup']) window.addEventListener(u, () => window.__mys++, true);
  });
  // Another program, in the same document: only the address's fragment changes.
  const nacti = async (program) => {
    await page.goto(`${prostredi.server.url}?lang=en${odkaz(program)}`);
    await page.waitForFunction(() => !['run', 'step'].some((id) => document.getElementById(id).disabled));
  };
  // The order of the controls.
  const cesta = await tabemNa(page, 'guide');
  const poradi = ['examples', 'run', 'step', 'share', 'lang', 'editor', 'input', 'output', 'guide'];
  const indexy = poradi.map((id) => cesta.indexOf(id));
  assert.ok(indexy.every((i, k) => i >= 0 && (k === 0 || i > indexy[k - 1])), cesta.join(' '));

  // An example chosen with the arrow keys; the focus stays on the menu, Run next.
  await page.keyboard.press('Shift+Tab'); // back from the guide link, to find the menu from the top
  await page.focus('body');
  await tabemNa(page, 'examples', { pak: 'ArrowDown' });
  assert.match(await page.textContent('#status'), /Example .* loaded/);
  assert.ok((await page.inputValue('#examples')).endsWith('.mox'));
  await page.keyboard.press('Tab');
  assert.equal(await fokus(page), 'run');

  // The editor: typed into, then Tab goes on to the next control and types no tab.
  await nacti('{\n} .\n');
  await tabemNa(page, 'editor');
  await klavesy(page, 'Control+Home', 'End', 'Enter');
  await page.keyboard.type('pis_ln("klavesnice");');
  await page.keyboard.press('Tab');
  assert.notEqual(await fokus(page), 'editor');
  assert.equal(await page.evaluate(() => document.querySelector('.cm-content').textContent.includes('\t')), false);
  // Enter after the brace indented the new line.
  assert.match(await page.evaluate(() => document.querySelectorAll('.cm-line')[1].textContent), /^ {2}pis_ln\("klavesnice"\);$/);
  // Ctrl+Enter from the editor runs it.
  await tabemNa(page, 'editor', { zpet: true, pak: 'Control+Enter' });
  assert.match((await dobehl(page)).output, /^\nhello\n\nklavesnice\n\nProgram probehl bez chyb\./);

  // Run with Enter; input typed when the program asks, the input ended with End input, which
  // goes with the run. New output is said by itself, not with everything before it.
  assert.deepEqual([await page.getAttribute('#output', 'aria-live'), await page.getAttribute('#output-news', 'aria-live')], [null, 'polite']);
  await nacti('{ pis_ln("prvni radek"); cti(@a); cti(@b); pis_ln("[" + @a + "|" + @b + "]"); } .');
  await tabemNa(page, 'run', { pak: 'Enter' });
  await page.waitForFunction(() => document.getElementById('output-news').textContent.includes('prvni radek'));
  await page.waitForSelector('#stdin-line');
  assert.equal(await fokus(page), 'stdin-line');
  await page.keyboard.type('prvni');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.activeElement?.id === 'stdin-line' && document.getElementById('output').textContent.includes('prvni'));
  await tabemNa(page, 'end-input', { pak: 'Enter' });
  assert.match((await dobehl(page)).output, /\[prvni\.?\|\]\n\nProgram probehl bez chyb\./);
  assert.match(await page.textContent('#output-news'), /\[prvni\.?\|\]/);
  assert.doesNotMatch(await page.textContent('#output-news'), /prvni radek/);
  assert.equal(await page.isVisible('#end-input'), false);

  // Stop: the next control after Run once Run and Step are disabled.
  await nacti('{ w2 (1) { @x -> 1; } w2_end; } .');
  await tabemNa(page, 'run', { pak: 'Enter' });
  await page.waitForFunction(() => document.body.dataset.state === 'running');
  await page.keyboard.press('Tab');
  assert.equal(await fokus(page), 'stop');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.body.dataset.state === 'stopped');

  // The step view: opened with Enter on Step, left with Escape, the focus back on Step (its
  // keys are stepview.mjs's).
  await nacti(KROKY);
  await tabemNa(page, 'step', { pak: 'Enter' });
  await page.waitForFunction(() => !document.getElementById('step-view').hidden);
  assert.equal(await fokus(page), 'step-next');
  await page.keyboard.press('Escape');
  assert.equal(await fokus(page), 'step');

  // The language switched with the arrow keys.
  await page.focus('body');
  await tabemNa(page, 'lang', { pak: (await page.inputValue('#lang')) === 'en' ? 'ArrowUp' : 'ArrowDown' });
  assert.equal(await page.evaluate(() => document.documentElement.lang), 'cs');
  assert.equal(await page.evaluate(() => window.__mys), 0, 'mouse events');
});

test('nothing moves for a person who asks for reduced motion', async () => {
  // The editor's cursor blinks by default, which this check sees, and not with reduced motion.
  const animace = [];
  for (const reducedMotion of ['no-preference', 'reduce']) {
    const page = await prostredi.novaStranka('?lang=en', { reducedMotion });
    await page.focus('.cm-content');
    await page.keyboard.press('End');
    await page.waitForTimeout(1500);
    animace.push(await page.evaluate(() => document.getAnimations().length > 0));
  }
  assert.deepEqual(animace, [true, false]);
});
