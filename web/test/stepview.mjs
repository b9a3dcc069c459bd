// The step view in headless Chromium, driven as a person drives it: Step, the controls, the
// slider, the keyboard, share links. The expected states are worked out by hand from the
// program; the output the view shows is checked against the output pane of the same run.
//   node stepview.mjs SITE_DIR
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { BANNER, klavesy, krokuj, odkaz, prohlizec } from './browser.mjs';

const prostredi = prohlizec(process.argv[2]);

async function novaStranka(fragment = '') {
  const page = await prostredi.novaStranka('?lang=en' + fragment, { viewport: { width: 1300, height: 900 } });
  await page.waitForFunction(() => !document.getElementById('step').disabled);
  return page;
}

// What the view shows now, read from the page as a person reads it.
function pohled(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    const text = (e) => (e?.hidden ? null : e?.textContent ?? null);
    return {
      n: $('step-number').textContent,
      line: text(document.querySelector('.cm-step-line')),
      token: text(document.querySelector('.cm-step-token')),
      variables: [...$('step-variables').rows].map((r) =>
        [r.cells[0].textContent, r.cells[1].textContent, r.classList.contains('changed')]),
      stack: [...$('step-stack').children].map((li) => [li.textContent, li.classList.contains('pushed')]),
      output: $('step-output').textContent,
      condition: text($('step-condition')),
      note: text($('step-note')),
      slider: $('step-slider').value,
      breakpoint: text($('step-bp-note')),
    };
  });
}

const klikni = async (page, id, n = 1) => { for (let i = 0; i < n; i++) await page.click(id); };

// Steps on `dal` times, then checks the parts of the view named in `cekam`; returns the whole view.
async function ukazuje(page, cekam, dal = 0) {
  await klikni(page, '#step-next', dal);
  const v = await pohled(page);
  assert.deepEqual(Object.fromEntries(Object.keys(cekam).map((k) => [k, v[k]])), cekam);
  return v;
}

// Makes each move in turn (a control's #id clicked, or a key pressed); the view after each.
async function pohyby(page, ...tahy) {
  const r = [];
  for (const t of tahy) {
    await (t.startsWith('#') ? page.click(t) : page.keyboard.press(t));
    r.push(await pohled(page));
  }
  return r;
}

test('Step on an example: the statements, the variables, the loop test, forward and back, the slider and go to step', async () => {
  const page = await novaStranka();
  await page.selectOption('#examples', 'faktorial.mox');
  await krokuj(page);
  // 2 assignments, then 10 passes of a test and 4 statements, then the last, false test.
  assert.equal(await page.textContent('#step-total'), '53');
  await ukazuje(page, { n: '1', line: '  @n -> 1;', token: '@n', variables: [['@n', '1', true]], stack: [], output: BANNER, condition: null });
  await ukazuje(page, { n: '3', line: '  w2 (@n <= 10) {', token: 'w2', condition: 'Condition: 1 — held: the body runs.',
    variables: [['@n', '1', false], ['@f', '1', false]] }, 2);
  await ukazuje(page, { n: '6', line: '    pis_ln(@f);', token: 'pis_ln', output: BANNER + '1! = 1.000000\n',
    variables: [['@n', '1', false], ['@f', '1.000000', false]] }, 3);
  // The second pass's test is marked at the loop's w2 again.
  const pred = await ukazuje(page, { n: '8', token: 'w2', variables: [['@n', '2.000000', false], ['@f', '1.000000', false]] }, 2);

  // k steps forward and k back give the same view; Back stops at the first step.
  await ukazuje(page, { n: '17' }, 9);
  await klikni(page, '#step-back', 9);
  assert.deepEqual(await pohled(page), pred);
  await page.click('#step-first');
  assert.deepEqual([await page.isDisabled('#step-back'), (await pohled(page)).n], [true, '1']);

  // The last step: the false test; the output then is the whole output before the verdict.
  await page.click('#step-last');
  const v = await ukazuje(page, { n: '53', condition: 'Condition: 0 — did not hold: the loop ends.',
    note: 'The program ran to its end after this step.' });
  assert.equal(await page.isDisabled('#step-next'), true);
  assert.equal(await page.textContent('#output'), v.output + '\nProgram probehl bez chyb.\n\nbye\n\n');
  assert.match(v.output, /\n10\.000000! = 3628800\.000000\n$/);

  // The slider and "go to step" reach the same view as stepping there.
  // Step 30: the 6th pass (tests at 3, 8, 13, ...; 28 is the 6th), its second statement.
  await page.fill('#step-slider', '30');
  const posuvnik = await ukazuje(page, { n: '30', line: '    pis(@n + "! = ");', slider: '30',
    variables: [['@n', '6.000000', false], ['@f', '720.000000', false]] });
  await page.click('#step-first');
  await page.fill('#step-goto-n', '30');
  await page.click('#step-goto button');
  assert.deepEqual(await pohled(page), posuvnik);
  // The slider's own arrow keys move it a step.
  await page.focus('#step-slider');
  await page.keyboard.press('ArrowRight');
  assert.equal((await pohled(page)).n, '31');

  // Another example chosen while the view is open: the view closes on the new program.
  await page.selectOption('#examples', 'ahoj.mox');
  await page.waitForSelector('#step-view', { state: 'hidden' });
  assert.match(await page.textContent('#editor .cm-content'), /Ahoj, svete!/);
  assert.equal(await page.locator('.cm-step-line, .cm-step-token').count(), 0);
  assert.equal(await page.getAttribute('#editor .cm-content', 'contenteditable'), 'true');
});

// A declaration, calls leaving values on the stack, a read, both ways of an i2.
const VSE = `?f(p2 @a) {
  @d -> "v bloku";
}
{
  ~f(1; 2);
  ~g("x");
  cti(@w);
  i2 (@w = "ahoj") { pis_ln("ano"); } e2 { pis_ln("ne"); } i2_end;
  i2 (0) { pis_ln("nikdy"); } i2_end;
} .
`;

test('a declaration, calls and the value stack, a read, an i2 taken and not', async () => {
  const page = await novaStranka(odkaz(VSE, 'ahoj'));
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '8');
  const kroky = [await pohled(page), ...(await pohyby(page, ...Array(7).fill('#step-next')))];
  assert.deepEqual(kroky.map((k) => k.token), ['?f', '@d', '~f', '~g', 'cti', 'i2', 'pis_ln', 'i2']);
  assert.equal(kroky[0].line, '?f(p2 @a) {');
  assert.deepEqual(kroky[1].variables, [['@d', 'v bloku', true]]);
  // ~f(1; 2) pushes 1 then 2: the top, 2, first; both new.
  assert.deepEqual(kroky[2].stack, [['2', true], ['1', true]]);
  assert.deepEqual(kroky[3].stack, [['x', true], ['2', false], ['1', false]]);
  assert.deepEqual(kroky[4].variables, [['@d', 'v bloku', false], ['@w', 'ahoj', true]]);
  assert.deepEqual(kroky[4].stack, kroky[3].stack.map(([h]) => [h, false]));
  assert.equal(kroky[5].condition, 'Condition: 1 — held: the first branch runs.');
  assert.equal(kroky[6].output, BANNER + 'ano\n');
  assert.equal(kroky[7].condition, 'Condition: 0 — did not hold: the first branch is passed over.');
  assert.equal(kroky[7].note, 'The program ran to its end after this step.');
});

// An error in the second pass of a loop: the view ends at the step before it and marks the
// statement that failed, though the message quotes the line of w2_end.
const CHYBA = `{
  @i -> 0;
  @x -> 1;
  w2 (@i < 3) {
    @i -> @i + 1;
    i2 (@i = 2) { @x -> "a"; } i2_end;
    pis_ln(@x * 2);
  } w2_end;
  pis_ln("po");
} .
`;
const ZPRAVA = "V bloku: 'Vnitrni_term', na radku: 8 nastala chyba - nejedna se o cislo.\n";

test('a link with &step=N opens the view at that step, Share from the view makes one; an error in a later pass is shown at its step, its statement marked', async () => {
  const page = await novaStranka(odkaz(CHYBA) + '&step=7');
  await page.waitForSelector('#step-view');
  await ukazuje(page, { n: '7', token: 'w2', line: '  w2 (@i < 3) {', output: BANNER + '2.000000\n',
    variables: [['@i', '1.000000', false], ['@x', '1', false]] });
  await klikni(page, '#step-next', 2);
  await page.click('#share');
  assert.ok(await page.isVisible('#share-link'), 'the link shows while the step view is open');
  const link = await page.inputValue('#share-link');
  assert.match(link, /&step=9$/);
  const druha = await novaStranka(new URL(link).hash);
  await druha.waitForSelector('#step-view');
  const v = await ukazuje(druha, { n: '9', condition: 'Condition: 1 — held: the first branch runs.' });
  assert.deepEqual(await pohled(page), v);

  assert.equal(await page.textContent('#step-total'), '10');
  await page.click('#step-first');
  await ukazuje(page, { n: '1', note: null });
  assert.equal(await page.locator('.cm-step-error').count(), 0);
  await page.click('#step-last');
  const posledni = await ukazuje(page, { token: '@x', line: '    i2 (@i = 2) { @x -> "a"; } i2_end;',
    variables: [['@i', '2.000000', false], ['@x', 'a', true]], output: BANNER + '2.000000\n' + ZPRAVA });
  assert.equal(await page.textContent('.cm-step-error'), 'pis_ln');
  assert.match(posledni.note, /^After this step the program stopped at an error, in the statement at line 7, column 5/);
});

test('a program past the step cap, or past the bytes of trace kept, is stopped there, and the view says so', async () => {
  const page = await novaStranka(odkaz('{\n  w2 (1) { @x -> 1; } w2_end;\n} .\n'));
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '100000');
  assert.match(await page.textContent('#step-cap'), /at most 100,000 steps/);
  // The view's note and the page's status both say why the run was cut short.
  const hlasi = async (p, duvod) => { for (const t of [(await pohled(p)).note, await p.textContent('#status')]) assert.match(t, duvod); };
  await hlasi(page, /went past 100,000 steps, the most this view records/);
  await page.click('#step-last');
  // Odd steps test the loop, even ones assign.
  await ukazuje(page, { n: '100000', token: '@x', variables: [['@x', '1', true]] });

  // Steps that each set a value of 1 MiB pass the bytes the view keeps long before the cap.
  const velke = await novaStranka(odkaz(
    '{ @s -> "xxxxxxxxxxxxxxxx"; @i -> 0; w2 (@i < 16) { @s -> @s + @s; @i -> @i + 1; } w2_end;\n' +
    '  w2 (1) { @t -> @s; } w2_end; } .\n'));
  await krokuj(velke);
  await hlasi(velke, /hold more than 64 MiB of values, the most this view records/);
  assert.ok(Number(await velke.textContent('#step-total')) < 300);
  await velke.click('#step-last');
  const t = (await pohled(velke)).variables.find(([jmeno]) => jmeno === '@t');
  assert.equal(t[1], 'x'.repeat(2000) + ' … (1,048,576 bytes)');
});

test('keyboard only: Ctrl+Shift+Enter, the arrows, Home and End, Esc; the editor is read-only meanwhile', async () => {
  const page = await novaStranka(odkaz('{\n  @a -> 1;\n  @b -> 2;\n  @a -> 3;\n} .\n'));
  await page.focus('#editor .cm-content');
  await page.keyboard.press('Control+Shift+Enter');
  await page.waitForSelector('#step-view');
  const kroky = async (...klavesy) => (await pohyby(page, ...klavesy)).map((v) => v.n);
  assert.equal((await pohled(page)).n, '1');
  assert.deepEqual(await kroky('ArrowRight', 'ArrowDown'), ['2', '3']);
  await ukazuje(page, { n: '3', variables: [['@a', '3', true], ['@b', '2', false]], line: '  @a -> 3;' });
  assert.deepEqual(await kroky('ArrowLeft', 'Home', 'End'), ['2', '1', '3']);
  // Typing into the editor changes nothing while the view is open.
  assert.equal(await page.getAttribute('#editor .cm-content', 'contenteditable'), 'false');
  await page.click('#editor .cm-content');
  await page.keyboard.type('zz');
  assert.doesNotMatch(await page.textContent('#editor .cm-content'), /zz/);
  await page.keyboard.press('Escape');
  await page.waitForSelector('#step-view', { state: 'hidden' });
  assert.equal(await page.locator('.cm-step-line').count(), 0);
  assert.equal(await page.isVisible('#output'), true);
});

// Breakpoints: two statements on line 2, a loop on line 3 (its test and body on one line).
// The 13 steps run on line 2 twice, then line 3 (tests at steps 3, 6, 9, 12), then line 4.
const ZARAZKY = '{\n  @i -> 0; @s -> 0;\n  w2 (@i < 3) { @i -> @i + 1; @s -> @s + @i; } w2_end;\n  pis_ln(@s);\n} .\n';

test('breakpoints: set by line number or F9, reached by Continue and Back (F8, Shift+F8) where the run arrives anew', async () => {
  const page = await novaStranka(odkaz(ZARAZKY));
  const text = (id) => page.$eval(id, (e) => (e.hidden ? '' : e.textContent));
  const znacky = () => page.$$eval('.cm-breakpoint', (e) => e.map((x) => x.textContent).join());
  const cislo = (n) => page.locator('#editor .cm-lineNumbers .cm-gutterElement').filter({ hasText: new RegExp(`^${n}$`) });
  // Each move (a button clicked, or a key): the step reached, its values, the view's note.
  const zastaveni = async (...tahy) =>
    (await pohyby(page, ...tahy)).map((v) => `${v.n} ${v.variables.map((p) => p[1]).join('/')} ${v.breakpoint ?? ''}`);
  await cislo(2).click();
  assert.equal(await znacky(), '2');
  await krokuj(page);
  await zastaveni('ArrowRight', 'ArrowRight', 'F9'); // F9 on the line of step 3
  assert.equal(await znacky(), '2,3');
  assert.equal(await text('#step-breakpoints'), 'Breakpoints on lines 2, 3.');
  assert.equal(await text('#breakpoint-announce'), 'Breakpoint set on line 3.');
  const na3 = 'Stopped at the breakpoint on line 3.';
  const konec = '13 3.000000/6.000000 No further breakpoint: this is the last step of the run.';
  assert.deepEqual(await zastaveni('Home', '#step-bp-next', 'F8', 'F8', 'F8', '#step-bp-next', 'F8'), ['1 0 ',
    `3 0/0 ${na3}`, `6 1.000000/1.000000 ${na3}`, `9 2.000000/3.000000 ${na3}`, `12 3.000000/6.000000 ${na3}`, konec, konec]);
  assert.equal(await text('#breakpoint-announce'), konec.slice(konec.indexOf('No')));
  assert.deepEqual((await zastaveni('Shift+F8', '#step-bp-back', 'ArrowLeft', 'Shift+F8', 'Shift+F8')).map((r) => r.split(' ')[0]),
    ['12', '9', '8', '6', '3']);
  assert.deepEqual(await zastaveni('#step-bp-back', '#step-bp-back'),
    ['1 0 Stopped at the breakpoint on line 2.', '1 0 No earlier breakpoint: this is the first step of the run.']);
  // A click on a marked number removes it; in the editor F9 works on the cursor's line, and
  // an edit removes every breakpoint, saying so.
  await cislo(3).click();
  assert.equal(await znacky(), '2');
  await page.keyboard.press('Escape');
  await page.click('#editor .cm-content');
  await klavesy(page, 'Control+End', 'F9');
  assert.equal(await znacky(), '2,6');
  await page.keyboard.type(':: x');
  assert.equal(await znacky(), '');
  assert.equal(await text('#breakpoint-announce'), 'The program changed: its breakpoints were removed.');
});
