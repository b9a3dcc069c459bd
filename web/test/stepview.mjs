// The step view in headless Chromium, driven as a person drives it: Step, the controls, the
// slider, the keyboard, share links. The expected states are worked out by hand from the
// program; the output the view shows is checked against the output pane of the same run.
//   node stepview.mjs SITE_DIR
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { prohlizec } from './browser.mjs';
import { sdileni } from '../src/bytes.js';

const [siteDir] = process.argv.slice(2);
const enc = new TextEncoder();
// The served site, Chromium, and a failed test for every error the page's own code throws.
const prostredi = prohlizec(siteDir);

const odkaz = (program, input = '') => sdileni(enc.encode(program), enc.encode(input));

async function novaStranka(fragment = '') {
  const page = await prostredi.browser.newPage({ viewport: { width: 1300, height: 900 } });
  prostredi.sleduj(page);
  await page.goto(prostredi.server.url + '?lang=en' + fragment);
  await page.waitForFunction(() => !document.getElementById('step').disabled);
  return page;
}

const otevreno = () => !document.getElementById('step-view').hidden;

// Clicks Step and waits for the view.
async function krokuj(page) {
  await page.click('#step');
  await page.waitForFunction(otevreno);
}

// What the view shows now, read from the page as a person reads it.
function pohled(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    const podminka = $('step-condition');
    return {
      n: $('step-number').textContent,
      line: document.querySelector('.cm-step-line')?.textContent ?? null,
      token: document.querySelector('.cm-step-token')?.textContent ?? null,
      variables: [...$('step-variables').rows].map((r) => [
        r.cells[0].textContent,
        r.cells[1].textContent,
        r.classList.contains('changed'),
      ]),
      stack: [...$('step-stack').children].map((li) => [li.textContent, li.classList.contains('pushed')]),
      output: $('step-output').textContent,
      condition: podminka.hidden ? null : podminka.textContent,
      note: $('step-note').hidden ? null : $('step-note').textContent,
      slider: $('step-slider').value,
    };
  });
}

const BANNER = '\nhello\n\n';

test('Step on an example: the statements, the variables, the loop test, forward and back', async () => {
  const page = await novaStranka();
  await page.selectOption('#examples', 'faktorial.mox');
  await krokuj(page);
  // 2 assignments, then 10 passes of a test and 4 statements, then the last, false test.
  assert.equal(await page.textContent('#step-total'), '53');
  let v = await pohled(page);
  assert.equal(v.n, '1');
  assert.equal(v.line, '  @n -> 1;');
  assert.equal(v.token, '@n');
  assert.deepEqual(v.variables, [['@n', '1', true]]);
  assert.deepEqual(v.stack, []);
  assert.equal(v.output, BANNER);
  assert.equal(v.condition, null);

  await page.click('#step-next');
  await page.click('#step-next');
  v = await pohled(page);
  assert.equal(v.n, '3');
  assert.equal(v.line, '  w2 (@n <= 10) {');
  assert.equal(v.token, 'w2');
  assert.equal(v.condition, 'Condition: 1 — held: the body runs.');
  assert.deepEqual(v.variables, [['@n', '1', false], ['@f', '1', false]]);

  for (let i = 0; i < 3; i++) await page.click('#step-next');
  v = await pohled(page);
  assert.equal(v.n, '6');
  assert.equal(v.line, '    pis_ln(@f);');
  assert.equal(v.token, 'pis_ln');
  assert.deepEqual(v.variables, [['@n', '1', false], ['@f', '1.000000', false]]);
  assert.equal(v.output, BANNER + '1! = 1.000000\n');

  // The second pass's test is marked at the loop's w2 again.
  await page.click('#step-next');
  await page.click('#step-next');
  v = await pohled(page);
  assert.equal(v.n, '8');
  assert.equal(v.token, 'w2');
  assert.deepEqual(v.variables, [['@n', '2.000000', false], ['@f', '1.000000', false]]);

  // k steps forward and k back give the same view; Back stops at the first step.
  const pred = await pohled(page);
  for (let i = 0; i < 9; i++) await page.click('#step-next');
  assert.equal((await pohled(page)).n, '17');
  for (let i = 0; i < 9; i++) await page.click('#step-back');
  assert.deepEqual(await pohled(page), pred);
  await page.click('#step-first');
  assert.equal(await page.isDisabled('#step-back'), true);
  assert.equal((await pohled(page)).n, '1');

  // The last step: the false test; the output then is the whole output before the verdict.
  await page.click('#step-last');
  v = await pohled(page);
  assert.equal(v.n, '53');
  assert.equal(v.condition, 'Condition: 0 — did not hold: the loop ends.');
  assert.equal(v.note, 'The program ran to its end after this step.');
  assert.equal(await page.isDisabled('#step-next'), true);
  const pane = await page.evaluate(() => document.getElementById('output').textContent);
  assert.equal(pane, v.output + '\nProgram probehl bez chyb.\n\nbye\n\n');
  assert.match(v.output, /\n10\.000000! = 3628800\.000000\n$/);

  // Another example chosen while the view is open: the view closes on the new program.
  await page.selectOption('#examples', 'ahoj.mox');
  await page.waitForFunction(() => document.getElementById('step-view').hidden);
  assert.match(await page.textContent('#editor .cm-content'), /Ahoj, svete!/);
  assert.equal(await page.locator('.cm-step-line, .cm-step-token').count(), 0);
  assert.equal(await page.getAttribute('#editor .cm-content', 'contenteditable'), 'true');
  await page.close();
});

test('the slider and "go to step" reach the same view as stepping there', async () => {
  const page = await novaStranka();
  await page.selectOption('#examples', 'faktorial.mox');
  await krokuj(page);
  await page.fill('#step-slider', '30');
  const posuvnik = await pohled(page);
  assert.equal(posuvnik.n, '30');
  await page.click('#step-first');
  await page.fill('#step-goto-n', '30');
  await page.click('#step-goto button');
  assert.deepEqual(await pohled(page), posuvnik);
  await page.fill('#step-goto-n', '25');
  await page.press('#step-goto-n', 'Enter');
  for (let i = 0; i < 5; i++) await page.click('#step-next');
  assert.deepEqual(await pohled(page), posuvnik);
  // Step 30: the 6th pass (tests at 3, 8, 13, ...; 28 is the 6th), its second statement.
  assert.equal(posuvnik.line, '    pis(@n + "! = ");');
  assert.deepEqual(posuvnik.variables, [['@n', '6.000000', false], ['@f', '720.000000', false]]);
  assert.equal(posuvnik.slider, '30');
  // The slider's own arrow keys move it a step.
  await page.focus('#step-slider');
  await page.keyboard.press('ArrowRight');
  assert.equal((await pohled(page)).n, '31');
  await page.close();
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
  const kroky = [];
  for (let i = 1; i <= 8; i++) {
    if (i > 1) await page.click('#step-next');
    kroky.push(await pohled(page));
  }
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
  await page.close();
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

test('an error in a later pass is shown at its step, its statement marked', async () => {
  const page = await novaStranka(odkaz(CHYBA));
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '10');
  const v = await pohled(page);
  assert.equal(v.n, '1');
  assert.equal(v.note, null);
  assert.equal(await page.locator('.cm-step-error').count(), 0);
  await page.click('#step-last');
  const posledni = await pohled(page);
  assert.equal(posledni.token, '@x');
  assert.equal(posledni.line, '    i2 (@i = 2) { @x -> "a"; } i2_end;');
  assert.deepEqual(posledni.variables, [['@i', '2.000000', false], ['@x', 'a', true]]);
  assert.equal(await page.textContent('.cm-step-error'), 'pis_ln');
  assert.equal(posledni.note.startsWith('After this step the program stopped at an error, in the statement at line 7, column 5'), true);
  assert.equal(posledni.output, BANNER + '2.000000\n' + ZPRAVA);
  await page.close();
});

test('a link with &step=N opens the view at that step; Share from the view makes one', async () => {
  const page = await novaStranka(odkaz(CHYBA) + '&step=7');
  await page.waitForFunction(otevreno);
  let v = await pohled(page);
  assert.equal(v.n, '7');
  assert.equal(v.token, 'w2');
  assert.equal(v.line, '  w2 (@i < 3) {');
  assert.deepEqual(v.variables, [['@i', '1.000000', false], ['@x', '1', false]]);
  assert.equal(v.output, BANNER + '2.000000\n');
  await page.click('#step-next');
  await page.click('#step-next');
  await page.click('#share');
  assert.ok(await page.isVisible('#share-link'), 'the link shows while the step view is open');
  const link = await page.inputValue('#share-link');
  assert.match(link, /&step=9$/);
  const druha = await novaStranka(new URL(link).hash);
  await druha.waitForFunction(otevreno);
  v = await pohled(druha);
  assert.equal(v.n, '9');
  assert.equal(v.condition, 'Condition: 1 — held: the first branch runs.');
  assert.deepEqual(await pohled(page), v);
  await druha.close();
  await page.close();
});

test('a program past the step cap, or past the bytes of trace kept, is stopped there, and the view says so', async () => {
  const page = await novaStranka(odkaz('{\n  w2 (1) { @x -> 1; } w2_end;\n} .\n'));
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '100000');
  assert.match(await page.textContent('#step-cap'), /at most 100,000 steps/);
  const poznamka = /went past 100,000 steps, the most this view records/;
  assert.match((await pohled(page)).note, poznamka);
  assert.match(await page.textContent('#status'), poznamka);
  await page.click('#step-last');
  const v = await pohled(page);
  assert.equal(v.n, '100000');
  // Odd steps test the loop, even ones assign.
  assert.equal(v.token, '@x');
  assert.deepEqual(v.variables, [['@x', '1', true]]);

  // Steps that each set a value of 1 MiB pass the bytes the view keeps long before the cap.
  await page.goto('about:blank');
  const velke =
    '{ @s -> "xxxxxxxxxxxxxxxx"; @i -> 0; w2 (@i < 16) { @s -> @s + @s; @i -> @i + 1; } w2_end;\n' +
    '  w2 (1) { @t -> @s; } w2_end; } .\n';
  await page.goto(prostredi.server.url + '?lang=en' + odkaz(velke));
  await page.waitForFunction(() => !document.getElementById('step').disabled);
  await krokuj(page);
  const pamet = /hold more than 64 MiB of values, the most this view records/;
  assert.match((await pohled(page)).note, pamet);
  assert.match(await page.textContent('#status'), pamet);
  assert.ok(Number(await page.textContent('#step-total')) < 300);
  await page.click('#step-last');
  const t = (await pohled(page)).variables.find(([jmeno]) => jmeno === '@t');
  assert.equal(t[1], 'x'.repeat(2000) + ' … (1,048,576 bytes)');
  await page.close();
});

test('keyboard only: Ctrl+Shift+Enter, the arrows, Home and End, Esc; the editor is read-only meanwhile', async () => {
  const program = '{\n  @a -> 1;\n  @b -> 2;\n  @a -> 3;\n} .\n';
  const page = await novaStranka(odkaz(program));
  await page.focus('#editor .cm-content');
  await page.keyboard.press('Control+Shift+Enter');
  await page.waitForFunction(otevreno);
  const kroky = async () => (await pohled(page)).n;
  assert.equal(await kroky(), '1');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowDown');
  const v = await pohled(page);
  assert.equal(v.n, '3');
  assert.deepEqual(v.variables, [['@a', '3', true], ['@b', '2', false]]);
  assert.equal(v.line, '  @a -> 3;');
  await page.keyboard.press('ArrowLeft');
  assert.equal(await kroky(), '2');
  await page.keyboard.press('Home');
  assert.equal(await kroky(), '1');
  await page.keyboard.press('End');
  assert.equal(await kroky(), '3');
  // Typing into the editor changes nothing while the view is open.
  assert.equal(await page.getAttribute('#editor .cm-content', 'contenteditable'), 'false');
  await page.click('#editor .cm-content');
  await page.keyboard.type('zz');
  assert.doesNotMatch(await page.textContent('#editor .cm-content'), /zz/);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('step-view').hidden);
  assert.equal(await page.locator('.cm-step-line').count(), 0);
  assert.equal(await page.isVisible('#output'), true);
  // Editing again.
  await page.click('#editor .cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type('zz');
  assert.match(await page.textContent('#editor .cm-content'), /zz/);
  await page.close();
});

// Breakpoints: two statements on line 2, a loop whose test is line 3 and whose body is lines
// 4 and 5, a print on line 7. Its 13 steps run on lines 2 2 3 4 5 3 4 5 3 4 5 3 7.
const ZARAZKY = '{\n  @i -> 0; @s -> 0;\n  w2 (@i < 3) {\n    @i -> @i + 1;\n    @s -> @s + @i;\n  } w2_end;\n  pis_ln(@s);\n} .\n';

// Clicks the number of line `radek` in the editor's gutter.
const klikniRadek = (page, radek) =>
  page.locator('#editor .cm-lineNumbers .cm-gutterElement').filter({ hasText: new RegExp(`^${radek}$`) }).click();

const zarazkyVGutteru = (page) =>
  page.$$eval('#editor .cm-lineNumbers .cm-gutterElement.cm-breakpoint', (e) => e.map((x) => Number(x.textContent)));

// The step shown, its variables and what the move to a breakpoint said.
async function naZarazce(page) {
  const v = await pohled(page);
  const note = await page.evaluate(() => {
    const e = document.getElementById('step-bp-note');
    return e.hidden ? null : e.textContent;
  });
  return { n: Number(v.n), variables: v.variables.map(([jmeno, hodnota]) => `${jmeno}=${hodnota}`), note };
}

test('breakpoints: clicked line numbers, Continue and Back stop where the run arrives at their lines anew', async () => {
  const page = await novaStranka(odkaz(ZARAZKY));
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '13');
  await klikniRadek(page, 5);
  await klikniRadek(page, 2);
  assert.deepEqual(await zarazkyVGutteru(page), [2, 5]);
  assert.equal(await page.textContent('#step-breakpoints'), 'Breakpoints on lines 2, 5.');
  assert.equal(await page.textContent('#breakpoint-announce'), 'Breakpoint set on line 2.');

  // Line 2 holds two steps, but the run arrives there once; line 5 once a pass.
  const dal = [
    { n: 5, variables: ['@i=1.000000', '@s=1.000000'], note: 'Stopped at the breakpoint on line 5.' },
    { n: 8, variables: ['@i=2.000000', '@s=3.000000'], note: 'Stopped at the breakpoint on line 5.' },
    { n: 11, variables: ['@i=3.000000', '@s=6.000000'], note: 'Stopped at the breakpoint on line 5.' },
    { n: 13, variables: ['@i=3.000000', '@s=6.000000'], note: 'No further breakpoint: this is the last step of the run.' },
  ];
  for (const ceka of dal) {
    await page.click('#step-bp-next');
    assert.deepEqual(await naZarazce(page), ceka);
  }
  // Continue at the end stays there, saying so again.
  await page.click('#step-bp-next');
  assert.deepEqual(await naZarazce(page), dal.at(-1));
  assert.equal(await page.textContent('#breakpoint-announce'), dal.at(-1).note);

  // Back returns to each earlier hit, then to the first step, which is line 2's hit.
  for (const n of [11, 8, 5]) {
    await page.click('#step-bp-back');
    assert.deepEqual(await naZarazce(page), dal.find((d) => d.n === n));
  }
  await page.click('#step-bp-back');
  assert.deepEqual(await naZarazce(page), { n: 1, variables: ['@i=0'], note: 'Stopped at the breakpoint on line 2.' });
  await page.click('#step-bp-back');
  assert.deepEqual(await naZarazce(page), {
    n: 1,
    variables: ['@i=0'],
    note: 'No earlier breakpoint: this is the first step of the run.',
  });

  // A click on a marked line removes its breakpoint; an ordinary step clears the note.
  await klikniRadek(page, 5);
  assert.deepEqual(await zarazkyVGutteru(page), [2]);
  await page.click('#step-next');
  assert.equal((await naZarazce(page)).note, null);
  await page.click('#step-bp-next');
  assert.equal((await naZarazce(page)).n, 13);

  // A loop on one line: its steps follow one another on that line, and each test of the
  // condition begins a pass anew, the statements between them do not.
  await page.goto(prostredi.server.url + '?lang=en' + odkaz('{\n  @i -> 0;\n  w2 (@i < 3) { @i -> @i + 1; } w2_end;\n} .\n'));
  await page.waitForFunction(() => !document.getElementById('step').disabled);
  await krokuj(page);
  assert.equal(await page.textContent('#step-total'), '8');
  await klikniRadek(page, 3);
  const hits = [];
  for (let i = 0; i < 5; i++) {
    await page.click('#step-bp-next');
    hits.push((await naZarazce(page)).n);
  }
  assert.deepEqual(hits, [2, 4, 6, 8, 8]);
  await page.close();
});

test('breakpoints by keyboard: F9 on the step\'s or the cursor\'s line, F8 and Shift+F8; an edit removes them', async () => {
  const page = await novaStranka(odkaz(ZARAZKY));
  // In the editor, F9 marks the cursor's line.
  await page.click('#editor .cm-content');
  await page.keyboard.press('Control+Home');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('F9');
  assert.deepEqual(await zarazkyVGutteru(page), [2]);
  assert.equal(await page.textContent('#breakpoint-announce'), 'Breakpoint set on line 2.');
  // It is kept when the view opens on the unchanged program.
  await page.keyboard.press('Control+Shift+Enter');
  await page.waitForFunction(otevreno);
  assert.deepEqual(await zarazkyVGutteru(page), [2]);
  // In the view, F9 marks the line of the step shown: the loop's test, reached anew each pass.
  for (let i = 0; i < 2; i++) await page.keyboard.press('ArrowRight');
  assert.equal((await naZarazce(page)).n, 3);
  await page.keyboard.press('F9');
  assert.deepEqual(await zarazkyVGutteru(page), [2, 3]);
  await page.keyboard.press('Home');
  const hits = [];
  for (let i = 0; i < 5; i++) {
    await page.keyboard.press('F8');
    hits.push((await naZarazce(page)).n);
  }
  assert.deepEqual(hits, [3, 6, 9, 12, 13]);
  await page.keyboard.press('Shift+F8');
  assert.deepEqual(await naZarazce(page), {
    n: 12,
    variables: ['@i=3.000000', '@s=6.000000'],
    note: 'Stopped at the breakpoint on line 3.',
  });
  // F9 again on that line removes it.
  await page.keyboard.press('F9');
  assert.deepEqual(await zarazkyVGutteru(page), [2]);
  assert.equal(await page.textContent('#breakpoint-announce'), 'Breakpoint removed from line 3.');

  // Back to editing: the program changed loses its breakpoints, and that is said.
  await page.keyboard.press('Escape');
  await page.click('#editor .cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type(':: x\n');
  assert.deepEqual(await zarazkyVGutteru(page), []);
  assert.equal(await page.textContent('#breakpoint-announce'), 'The program changed: its breakpoints were removed.');
  await page.close();
});
