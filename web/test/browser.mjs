// What the playground's browser tests share: the site served on a free port, one headless
// Chromium for all the tests of a file, and every error the page's own code throws failing
// the test it happens in. Call `prohlizec(SITE_DIR)` at the top of a test file; it registers
// the set-up and the clean-up with node:test, closing the pages a test opened after it. Also:
// share links, the native tools' output and that output as the output pane shows it, and the
// moves a person makes again and again (a run, keys, a program pasted).
import { after, afterEach, before } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { chromium } from 'playwright-core';
import { kusyVystupu, sdileni } from '../src/bytes.js';

const enc = new TextEncoder();
const bajty = (x) => (typeof x === 'string' ? enc.encode(x) : x);

// The fragment of a share link for a program and an input (texts or bytes).
export const odkaz = (program, input = '') => sdileni(bajty(program), bajty(input));

// What a native tool (`moxa`, `moxa-fmt`) prints for a program and an input, as bytes.
export function nativni(nastroj, program, input = '') {
  const dir = mkdtempSync(join(tmpdir(), 'moxa-page-'));
  const soubor = join(dir, 'p.mox');
  writeFileSync(soubor, bajty(program));
  try {
    return new Uint8Array(execFileSync(nastroj, [soubor], { input: bajty(input), maxBuffer: 1 << 26 }));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The text the output pane shows for bytes.
export const zobrazeni = (b) => kusyVystupu(b).kusy.map((k) => k.esc ?? k.text).join('');

// A static file server for the tests: one folder on 127.0.0.1 at a free port.
const TYPY = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.json': 'application/json', '.wasm': 'application/wasm' };

async function serve(dir) {
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = join(dir, normalize(path === '/' ? '/index.html' : path));
    try {
      const body = await readFile(file);
      res.writeHead(200, { 'content-type': TYPY[extname(file)] ?? 'application/octet-stream' }).end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  const url = `http://127.0.0.1:${server.address().port}/`;
  return { url, close: () => new Promise((r) => server.close(r)) };
}

export function prohlizec(siteDir) {
  const p = { server: null, browser: null, chyby: [], kontexty: [] };

  // A context of its own (`moznosti`: a locale, downloads...); any of its pages' errors fail the test.
  p.kontext = async (moznosti = {}) => {
    const context = await p.browser.newContext(moznosti);
    context.on('page', (page) =>
      page.on('pageerror', (e) => p.chyby.push(`${page.url()}: ${e.stack ?? e}`)));
    p.kontexty.push(context);
    return context;
  };

  // Loads `adresa` (the part after the site's root) afresh in `page`, and waits until
  // Run can be pressed.
  p.otevri = async (page, adresa = '') => {
    await page.goto('about:blank');
    await page.goto(p.server.url + adresa);
    await page.waitForFunction(() => !document.getElementById('run').disabled);
  };

  // A page of its own context (`moznosti`: a viewport, a colour scheme, reduced motion...)
  // at `adresa`, once Run can be pressed.
  p.novaStranka = async (adresa = '', moznosti = {}) => {
    const page = await (await p.kontext(moznosti)).newPage();
    await p.otevri(page, adresa);
    return page;
  };

  before(async () => {
    p.server = await serve(siteDir);
    // Playwright starts Chromium with a fresh, empty profile of its own.
    p.browser = await chromium.launch({
      executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
  });
  afterEach(async () => {
    for (const c of p.kontexty.splice(0)) await c.close().catch(() => {});
    assert.deepEqual(p.chyby.splice(0), [], 'errors thrown by the page');
  });
  after(async () => {
    await p.browser?.close();
    await p.server?.close();
  });
  return p;
}

// What the output shows before a program's own output.
export const BANNER = '\nhello\n\n';

// Waits for the run to end; returns the output as shown, the note and how the run ended.
export async function dobehl(page) {
  await page.waitForFunction(() => !['running', undefined].includes(document.body.dataset.state));
  const [output, status, state] = await Promise.all([page.textContent('#output'), page.textContent('#status'),
    page.evaluate(() => document.body.dataset.state)]);
  return { output, status, state };
}

// Clicks Run and waits for the run to end, ending the input (Ctrl+D) whenever the program
// asks for a line, as `moxa FILE < /dev/null` would; returns what `dobehl` returns.
export async function spust(page) {
  await page.click('#run');
  for (;;) {
    await page.waitForFunction(
      () => !['running', undefined].includes(document.body.dataset.state) || document.getElementById('stdin-line') !== null
    );
    if (!(await page.locator('#stdin-line').count())) return dobehl(page);
    await page.press('#stdin-line', 'Control+d');
  }
}

export async function kVstupu(page) {
  await page.click('#run');
  await page.waitForSelector('#stdin-line');
}

export async function klavesy(page, ...klavesy) {
  for (const k of klavesy) await page.keyboard.press(k);
}

// Clicks Step and waits for the step view.
export async function krokuj(page) {
  await page.click('#step');
  await page.waitForSelector('#step-view');
}

// The program in the editor, and a program put there as if pasted.
export const textEditoru = (page) =>
  page.evaluate(() => [...document.querySelectorAll('#editor .cm-line')].map((l) => l.textContent).join('\n'));
export async function vloz(page, text) {
  await page.click('#editor .cm-content');
  await page.keyboard.press('Control+a');
  await page.keyboard.insertText(text);
}

const axeZdroj = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// Every violation axe-core finds on the page as it is now, one line each.
export async function porusheni(page) {
  await page.evaluate(axeZdroj);
  return page.evaluate(async () => {
    const r = await window.axe.run(document, { resultTypes: ['violations'] });
    return r.violations.map((v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => `${n.target.join(' ')}: ${n.failureSummary}`).join(' | ')}`);
  });
}
