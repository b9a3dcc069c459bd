// The playground in headless Chromium, driven through its fixed element ids.
//   node page.mjs SITE_DIR MOXA GOLDEN_DIR [SCREENSHOT.png]
// SITE_DIR is the output of web/build.sh; MOXA is the native interpreter, whose output each
// run through the page must match; GOLDEN_DIR holds the golden programs.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';
import { serve } from './serve.mjs';
import { kusyVystupu, sdileni } from '../src/bytes.js';

const [siteDir, moxa, goldenDir, screenshot] = process.argv.slice(2);
const enc = new TextEncoder();
let server;
let browser;

before(async () => {
  server = await serve(siteDir);
  // Playwright starts Chromium with a fresh, empty profile of its own.
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
});

after(async () => {
  await browser?.close();
  await server?.close();
});

// What `moxa FILE` prints for a program and an input, as bytes.
function nativni(program, input = new Uint8Array()) {
  const dir = mkdtempSync(join(tmpdir(), 'moxa-page-'));
  const soubor = join(dir, 'p.mox');
  writeFileSync(soubor, program);
  try {
    return new Uint8Array(execFileSync(moxa, [soubor], { input, maxBuffer: 1 << 26 }));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The text the output pane shows for bytes.
const zobrazeni = (b) => kusyVystupu(b).kusy.map((k) => k.esc ?? k.text).join('');

// Loads the page afresh with a fragment (a share link) and waits until it can run.
async function otevri(page, fragment) {
  await page.goto('about:blank');
  await page.goto(server.url + fragment);
  await page.waitForFunction(() => !document.getElementById('run').disabled);
}

async function novaStranka(fragment = '', viewport) {
  const page = await browser.newPage(viewport ? { viewport } : {});
  const chyby = [];
  page.on('pageerror', (e) => chyby.push(String(e)));
  page.chyby = chyby;
  await page.goto(server.url + fragment);
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  return page;
}

// Clicks Run and waits for the run to end; returns the output as shown and the note.
async function spust(page) {
  await page.click('#run');
  await page.waitForFunction(() => !['running', undefined].includes(document.body.dataset.state));
  return {
    output: await page.textContent('#output'),
    status: await page.textContent('#status'),
    state: await page.evaluate(() => document.body.dataset.state),
  };
}

const odkaz = (program, input = '') =>
  sdileni(typeof program === 'string' ? enc.encode(program) : program, enc.encode(input));

test('an example from the menu runs and prints what moxa prints', async () => {
  const page = await novaStranka();
  await page.selectOption('#examples', 'faktorial.mox');
  const { output, state } = await spust(page);
  assert.equal(state, 'ok');
  const program = readFileSync(join(goldenDir, '..', '..', 'examples', 'faktorial.mox'));
  assert.equal(output, zobrazeni(nativni(program)));
  assert.match(output, /\n10\.000000! = 3628800\.000000\n/);
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  assert.deepEqual(page.chyby, []);
  await page.close();
});

test('a shared program that prints markup and script shows the characters and runs nothing', async () => {
  const program =
    '{ pis_ln("<img src=x onerror=window.__zasazen=1>"); pis_ln("<script>window.__zasazen=2</script>"); cti(@a); pis_ln(@a); } .';
  const input = '<svg/onload=window.__zasazen=3>';
  const page = await novaStranka(odkaz(program, input));
  // Loaded, not run.
  assert.equal(await page.textContent('#output'), '');
  assert.equal(await page.inputValue('#input'), input);
  const { output } = await spust(page);
  assert.match(output, /<img src=x onerror=window.__zasazen=1>\n<script>window.__zasazen=2<\/script>\n<svg\/onload=window.__zasazen=3>\n/);
  assert.equal(await page.locator('#output img, #output script, #output svg').count(), 0);
  // Inline script is refused by the page's policy as well.
  await page.evaluate(() => {
    const s = document.createElement('script');
    s.textContent = 'window.__zasazen = 4';
    document.body.append(s);
  });
  await page.waitForTimeout(200);
  assert.equal(await page.evaluate(() => window.__zasazen), undefined);
  await page.close();
});

test('a share link round-trips a program holding every byte value 1-255', async () => {
  const bajty = [];
  for (let b = 1; b <= 255; b++) {
    if (b === 0x22 || b === 0x2f) bajty.push(0x2f); // '/' escapes '"' and '/'
    bajty.push(b);
  }
  const program = Uint8Array.from([...enc.encode('{ pis("'), ...bajty, ...enc.encode('"); } .')]);
  const fragment = sdileni(program, Uint8Array.from([0xff, 0x20, 0x0d, 0x0a, 0x41]));
  const page = await novaStranka(fragment);
  await page.click('#share');
  const znovu = await page.evaluate(() => location.hash);
  assert.equal(znovu, fragment);
  const { output } = await spust(page);
  assert.equal(output, zobrazeni(nativni(program)));
  await page.close();
});

test('an endless loop is stopped by Stop and by the time limit, and the page still answers', async () => {
  const page = await novaStranka(odkaz('{ pis_ln("zacatek"); w2 (1) { @x -> 1; } w2_end; } .'));
  await page.click('#run');
  await page.waitForTimeout(500);
  assert.equal(await page.evaluate(() => document.body.dataset.state), 'running');
  // The page answers while the loop runs.
  await page.fill('#input', 'odpoved');
  assert.equal(await page.inputValue('#input'), 'odpoved');
  const pred = Date.now();
  await page.click('#stop');
  await page.waitForFunction(() => document.body.dataset.state === 'stopped');
  assert.ok(Date.now() - pred < 1000, 'Stop takes effect at once');
  assert.match(await page.textContent('#status'), /^Stopped/);
  // The time limit.
  const limit = Number((await page.textContent('#limits')).match(/(\d+) s/)[1]);
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  const zacatek = Date.now();
  const { status, state } = await spust(page);
  assert.equal(state, 'stopped');
  assert.match(status, /time limit/);
  assert.ok(Date.now() - zacatek >= limit * 1000 - 100);
  // And a new run works.
  await otevri(page, odkaz('{ pis_ln("znovu"); } .'));
  assert.match((await spust(page)).output, /\nznovu\n/);
  await page.close();
});

test('cti reads the words of the input box', async () => {
  const page = await novaStranka(odkaz('{ cti(@a); cti(@b); cti(@c); pis_ln(@b + "|" + @a + "|" + @c + "|"); } .'));
  await page.fill('#input', 'prvni   druhe\n');
  const { output } = await spust(page);
  assert.match(output, /\ndruhe\|prvni\|\|\n/);
  await page.close();
});

test("an error message's line number moves the editor's cursor to that line", async () => {
  const program = '{\n  pis_ln(1);\n  pis_ln("a" * 2);\n  pis_ln(3);\n} .';
  const page = await novaStranka(odkaz(program));
  const { output, state } = await spust(page);
  assert.equal(state, 'error');
  assert.equal(output, zobrazeni(nativni(enc.encode(program))));
  const link = page.locator('#output a.line');
  assert.equal(await link.count(), 1);
  assert.equal(await link.textContent(), '3');
  await link.click();
  assert.equal(await page.textContent('.cm-error-line'), '  pis_ln("a" * 2);');
  assert.equal(await page.textContent('.cm-activeLine'), '  pis_ln("a" * 2);');
  await page.close();
});

test('nesting up to the limit the page names works; one more gives the nesting message', async () => {
  const page = await novaStranka();
  const limit = Number((await page.textContent('#limits')).match(/([\d,]+) nested levels/)[1].replace(/,/g, ''));
  assert.ok(limit >= 2500, `limit ${limit}`);
  // The main block is one level; brackets and calls open the others.
  for (const tvar of [
    (n) => `{ pis_ln(${'('.repeat(n)}7${')'.repeat(n)}); } .`,
    (n) => `?f(p2 @a) { } { pis_ln(${'~f('.repeat(n)}7${')'.repeat(n)}); } .`,
    (n) => `{ ${'i2 (1) { '.repeat(n)}pis_ln(7);${' } i2_end;'.repeat(n)} } .`,
  ]) {
    for (const hloubka of [limit - 1, limit]) {
      const program = tvar(hloubka);
      await otevri(page, odkaz(program));
      const { output } = await spust(page);
      const ocekavano = output.includes('prilis hluboke vnoreni');
      assert.equal(ocekavano, hloubka === limit, program.slice(0, 40));
      assert.doesNotMatch(await page.textContent('#status'), /deeper than this browser/);
    }
  }
  await page.close();
});

test('golden programs give the same bytes through the page', async () => {
  const vse = [];
  const projdi = (d) => {
    for (const n of readdirSync(d).sort()) {
      const p = join(d, n);
      if (statSync(p).isDirectory()) projdi(p);
      else if (n.endsWith('.mox')) vse.push(p);
    }
  };
  projdi(goldenDir);
  const page = await novaStranka();
  const limit = Number((await page.textContent('#limits')).match(/([\d,]+) nested levels/)[1].replace(/,/g, ''));
  let spusteno = 0;
  for (const [i, p] of vse.entries()) {
    if (i % 4 !== 0) continue;
    const base = p.slice(0, -4);
    const program = readFileSync(p);
    if (program.length > limit) continue; // might nest deeper than the page allows
    const input = existsSync(base + '.in') ? readFileSync(base + '.in') : new Uint8Array();
    await otevri(page, sdileni(program, input));
    const { output } = await spust(page);
    assert.equal(output, zobrazeni(readFileSync(base + '.out')), p);
    spusteno++;
  }
  assert.ok(spusteno >= 30, `${spusteno} run`);
  await page.close();
});

test('keyboard alone: type a program, Ctrl+Enter runs it', async () => {
  const page = await novaStranka();
  await page.focus('.cm-content');
  await page.keyboard.type('{ pis_ln("klavesnice"); } .');
  await page.keyboard.press('Control+Enter');
  await page.waitForFunction(() => document.body.dataset.state === 'ok');
  assert.match(await page.textContent('#output'), /\nklavesnice\n/);
  for (const id of ['run', 'stop', 'share', 'input', 'examples']) {
    const jmeno = await page.evaluate(
      (id) => {
        const e = document.getElementById(id);
        return (e.labels?.[0]?.textContent ?? '') + (e.textContent ?? '') + (e.getAttribute('aria-label') ?? '');
      },
      id
    );
    assert.ok(jmeno.trim().length > 0, `${id} has a label`);
  }
  await page.close();
});

test("at a phone's width nothing overflows and the controls are on screen", async () => {
  const dlouhy = 'x'.repeat(200);
  const page = await novaStranka(odkaz(`{ pis_ln("telefon"); pis_ln("${dlouhy}"); } .`), {
    width: 360,
    height: 740,
  });
  const sirka = await page.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(sirka <= 360, `page is ${sirka}px wide`);
  for (const id of ['#run', '#stop', '#input', '#output']) {
    const r = await page.locator(id).boundingBox();
    assert.ok(r && r.x >= 0 && r.x + r.width <= 360, id);
  }
  assert.match((await spust(page)).output, /telefon/);
  assert.ok((await page.evaluate(() => document.documentElement.scrollWidth)) <= 360);
  await page.close();
});

test('the page asks for nothing but its own files, and works offline once loaded', async () => {
  const context = await browser.newContext();
  const cizi = [];
  context.on('request', (r) => {
    if (!r.url().startsWith(server.url)) cizi.push(r.url());
  });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  await context.setOffline(true);
  await page.goto(server.url + odkaz('{ pis_ln("bez site"); } .'));
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  assert.match((await spust(page)).output, /bez site/);
  assert.deepEqual(cizi, []);
  await context.close();
});

test('a run past the output or the memory limit stops with a note outside its output', async () => {
  const page = await novaStranka(odkaz('{ w2 (1) { pis("abcdefgh"); } w2_end; } .'));
  const limity = await page.textContent('#limits');
  let r = await spust(page);
  assert.equal(r.state, 'stopped');
  assert.match(r.status, /output reached the limit of 1 MiB/);
  // Exactly the first MiB of the program's output, after the opening lines.
  assert.equal(r.output.length, 8 + (1 << 20));
  assert.ok(r.output.endsWith('abcdefgh'));
  assert.match(limity, /256 MiB of memory/);
  // Call statements leave their values on the value stack for ever.
  await otevri(page, odkaz('?f(p2 @a) { } { w2 (1) { ~f(1;2;3;4;5;6;7;8;9;10); } w2_end; } .'));
  r = await spust(page);
  assert.equal(r.state, 'stopped');
  assert.match(r.status, /memory limit of 256 MiB/);
  assert.equal(r.output, '\nhello\n\n');
  await page.close();
});

test("on the worker's own stack, nesting that overflows it is stopped with a note, and the page runs on", async () => {
  const page = await browser.newPage();
  const hluboky = `?f(p2 @a) { } { pis_ln("pred"); pis_ln(${'~f('.repeat(2999)}7${')'.repeat(2999)}); } .`;
  await page.goto(server.url + '?stack=worker' + odkaz(hluboky));
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  const r = await spust(page);
  assert.equal(r.state, 'stopped');
  assert.match(r.status, /nests deeper than this browser allows/);
  assert.equal(r.output, '\nhello\n\n');
  await page.goto('about:blank');
  await page.goto(server.url + '?stack=worker' + odkaz('{ pis_ln("dal"); } .'));
  await page.waitForFunction(() => !document.getElementById('run').disabled);
  assert.match((await spust(page)).output, /\ndal\n/);
  await page.close();
});
