// An assignment in the playground, in headless Chromium: a bundle made by moxa-grade, opened
// by its address and by the file chooser, tested by clicking Test; the verdicts, points and
// feedback must be those moxa-grade gives for the same visible tests, a time limit included;
// the view's texts follow the page's language, and axe-core finds nothing wrong in either.
//   node assignment.mjs SITE_DIR MOXA_GRADE EXAMPLES_GRADING_DIR [SCREENSHOT.png]
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { porusheni, prohlizec, vloz as vlozProgram } from './browser.mjs';

const [siteDir, grader, samples, screenshot] = process.argv.slice(2);
const tmp = mkdtempSync(join(tmpdir(), 'moxa-assignment-'));
const prostredi = prohlizec(siteDir);
// A page at `adresa`, once the assignment it names is shown.
async function novaStranka(adresa) {
  const page = await prostredi.novaStranka(adresa, { acceptDownloads: true });
  if (adresa) await page.waitForSelector('#assignment-task h1');
  return page;
}

// Bundles are served beside the page, as a course would put them.
const slozkaBaliku = join(siteDir, 'test-assignments');
const soucetJson = join(slozkaBaliku, 'soucet.json');
mkdirSync(slozkaBaliku, { recursive: true });
execFileSync(grader, ['--bundle', join(samples, 'soucet'), '-o', soucetJson]);

after(() => {
  rmSync(tmp, { recursive: true, force: true });
  rmSync(slozkaBaliku, { recursive: true, force: true });
});

// The visible tests of a bundle as an assignment folder of their own, for moxa-grade.
function viditelneTesty(balik) {
  const dir = join(tmp, 'visible');
  rmSync(dir, { recursive: true, force: true });
  mkdirSync(dir);
  const tests = {};
  for (const t of balik.tests) {
    writeFileSync(join(dir, `${t.name}.in`), t.input);
    writeFileSync(join(dir, `${t.name}.out`), t.expected);
    tests[t.name] = { points: t.points, mode: t.mode, ...t.limits };
  }
  writeFileSync(join(dir, 'grading.json'), JSON.stringify({ tests }));
  return dir;
}

// moxa-grade's verdict, points and feedback for each visible test of `balik`, in its order:
// points and feedback from its JSON report, the verdict word from its JUnit report.
function podleGraderu(balik, soubor) {
  const assignment = viditelneTesty(balik);
  const json = JSON.parse(execFileSync(grader, ['-f', 'gradescope', assignment, soubor]));
  const junit = execFileSync(grader, ['-f', 'junit', assignment, soubor]).toString();
  return balik.tests.map(({ name }) => {
    const t = json.tests.find((x) => x.name === name);
    const m = new RegExp(`<testcase name="${name}"[^>]*>\\s*<failure message="[^"]*" type="([a-z]+)"`).exec(junit);
    return { test: name, verdict: t?.status === 'passed' ? 'pass' : m?.[1], points: t?.score, feedback: t?.output };
  });
}

async function otestuj(page) {
  await page.click('#assignment-test');
  await page.waitForFunction(() => !document.getElementById('assignment-test').disabled, null, { timeout: 120000 });
  return page.$$eval('#assignment-results > li', (li) => li.map((e) => ({
    test: e.dataset.test, verdict: e.dataset.verdict, points: Number(e.dataset.points),
    feedback: e.querySelector('pre')?.textContent ?? '' })));
}

// Every submission of the sample class that is one program: a file, or a folder with one.
function podani() {
  const trida = join(samples, 'trida');
  return readdirSync(trida).sort().flatMap((jmeno) => {
    const cesta = join(trida, jmeno);
    const mox = statSync(cesta).isDirectory() ? readdirSync(cesta).filter((f) => f.endsWith('.mox')) : [''];
    return mox.length === 1 && (mox[0] || jmeno).endsWith('.mox') ? [{ jmeno, soubor: join(cesta, mox[0]) }] : [];
  });
}

test('the page gives the verdicts, points and feedback moxa-grade gives, test by test; the code stays over a reload, and Download gives its bytes', async () => {
  const raw = readFileSync(soucetJson);
  const balik = JSON.parse(raw);
  // The hidden test's own numbers are not in what the page is sent.
  assert.ok(!raw.includes('-6901') && !raw.includes('tajny'), 'a hidden test in the bundle');
  const page = await novaStranka('?assignment=test-assignments/soucet.json');
  assert.match(await page.textContent('#assignment-task'), /Součet a průměr/);
  const vsechna = podani();
  assert.ok(vsechna.length >= 7, 'the sample class');
  const verdiktu = new Set();
  for (const { jmeno, soubor } of vsechna) {
    await vlozProgram(page, readFileSync(soubor, 'utf8'));
    const naStrance = await otestuj(page);
    assert.deepEqual(naStrance, podleGraderu(balik, soubor), jmeno);
    for (const r of naStrance) verdiktu.add(r.verdict);
    const body = await Promise.all(['data-points', 'data-hidden-points'].map((a) => page.getAttribute('#assignment-summary', a)));
    assert.deepEqual(body.map(Number), [naStrance.reduce((s, r) => s + r.points, 0), 2], jmeno);
    if (jmeno === 'petr' && screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  }
  // The class meets passes, wrong outputs, the step budget and the output limit.
  for (const v of ['pass', 'wrong', 'limit', 'output']) assert.ok(verdiktu.has(v), v);

  // The code stays over a reload, and Download gives its bytes.
  const program = '{ pis_ln("žluťoučký"); @i -> 0; w2 (1 < 2) { @i -> @i + 1; } w2_end; } .';
  await vlozProgram(page, program);
  await page.reload();
  await page.waitForSelector('#assignment-task h1');
  await page.waitForFunction((p) => [...document.querySelectorAll('#editor .cm-line')].map((l) => l.textContent).join('\n') === p, program);
  const [stazeni] = await Promise.all([page.waitForEvent('download'), page.click('#assignment-download')]);
  assert.equal(stazeni.suggestedFilename(), 'soucet.mox');
  assert.deepEqual(readFileSync(await stazeni.path()), Buffer.from(program, 'utf8'));
});

test('a task text runs none of its script, handlers or javascript: links', async () => {
  const balik = JSON.parse(readFileSync(soucetJson));
  balik.task =
    '# Zlý úkol\n\n<script>window.zle = 1</script>\n\n<img src="x" onerror="window.zle = 2">\n\n' +
    '[odkaz](javascript:window.zle=3) <a href="javascript:window.zle=4" id="a2">b</a>\n';
  const page = await novaStranka('');
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#assignment-open')]);
  await chooser.setFiles({ name: 'zly.json', mimeType: 'application/json', buffer: Buffer.from(JSON.stringify(balik)) });
  await page.waitForSelector('#assignment-task h1');
  for (const a of await page.$$('#assignment-task a')) await a.click().catch(() => {});
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => window.zle), undefined);
  assert.equal(await page.$$eval('#assignment-task script, #assignment-task [onerror]', (e) => e.length), 0);
  const odkazy = await page.$$eval('#assignment-task a', (a) => a.map((x) => x.getAttribute('href') ?? ''));
  assert.ok(odkazy.every((h) => !/^\s*javascript:/i.test(h)), odkazy.join());
  // A file that is no bundle is refused, saying so; the task shown stays.
  const [c2] = await Promise.all([page.waitForEvent('filechooser'), page.click('#assignment-open')]);
  await c2.setFiles({ name: 'spatny.json', mimeType: 'application/json', buffer: Buffer.from('{"format": "moxa-assignment", "version": 7}') });
  await page.waitForSelector('#assignment-message:not([hidden])');
  assert.match(await page.textContent('#assignment-message'), /version 7/);
});

// The sample bundle served beside the page with each test's limits changed by `meze`.
function balikSMezemi(jmeno, meze) {
  const balik = JSON.parse(readFileSync(soucetJson));
  for (const t of balik.tests) Object.assign(t.limits, meze);
  writeFileSync(join(slozkaBaliku, `${jmeno}.json`), JSON.stringify(balik));
  return balik;
}

const NEKONECNY = '{ @i -> 0; w2 (1 < 2) { @i -> @i + 1; } w2_end; } .';
const RESENI = join(samples, 'reseni.mox');

test('a test past its time limit gets the verdict time, as from moxa-grade, and the tests run again after', async () => {
  const balik = balikSMezemi('cas', { max_steps: 0, max_time: 150 });
  writeFileSync(join(tmp, 'nekonecny.mox'), NEKONECNY);
  const grader = podleGraderu(balik, join(tmp, 'nekonecny.mox'));
  const page = await novaStranka('?lang=en&assignment=test-assignments/cas.json');
  await vlozProgram(page, NEKONECNY);
  const naStrance = await otestuj(page);
  assert.deepEqual(naStrance.map((r) => r.verdict), balik.tests.map(() => 'time'));
  assert.deepEqual(naStrance, grader);
  // The worker did not hang: the sample solution passes next.
  await vlozProgram(page, readFileSync(RESENI, 'utf8'));
  assert.deepEqual((await otestuj(page)).map((r) => r.verdict), balik.tests.map(() => 'pass'));
});

test('the view\'s texts follow the language, a test run going on or not; axe-core finds nothing in either', async () => {
  balikSMezemi('bez-mezi', { max_steps: 0, max_time: 0 });
  const page = await novaStranka('?lang=en&assignment=test-assignments/bez-mezi.json');
  const texty = async (j) => {
    await page.selectOption('#lang', j);
    return page.$$eval('#assignment-summary, #assignment-results > li, #assignment-stop', (e) => e.map((x) => x.textContent));
  };
  await vlozProgram(page, NEKONECNY);
  await page.click('#assignment-test');
  const bezi = await texty('cs');
  assert.deepEqual([...bezi.slice(0, 2), bezi.at(-1)], ['Zastavit testy', 'mezery: zatím nespuštěn (1 bodů)', 'Testuje se…']);
  // Stop ends the tests, giving no verdict.
  await page.click('#assignment-stop');
  await page.waitForFunction(() => !document.getElementById('assignment-test').disabled);
  assert.equal(await page.$$eval('#assignment-results [data-verdict]', (e) => e.length), 0);
  assert.equal((await texty('en')).at(-1), 'The tests were stopped.');
  await vlozProgram(page, readFileSync(RESENI, 'utf8').replace('prumer', 'prumer!'));
  await otestuj(page);
  assert.match((await texty('en')).join('|'), /mezery: wrong output, 0 of 1 points[^]*Visible tests: 0 of 4/);
  assert.deepEqual(await porusheni(page), [], 'en');
  assert.match((await texty('cs')).join('|'), /mezery: špatný výstup, 0 z 1 bodů[^]*Viditelné testy: 0 z 4/);
  assert.deepEqual(await porusheni(page), [], 'cs');
});
