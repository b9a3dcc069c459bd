// Drives code-server (VS Code in the browser) in headless Chromium to a stop of the moxa
// debugger and saves a screenshot: loops.mox open, a breakpoint on line 9, F5, one Step
// Over, the Variables view with the value stack, the call stack and the Debug Console.
// Run by debugger-picture.sh, which installs code-server and starts it; arguments: the
// server's address, the workspace folder, the PNG to write.
import { chromium } from 'playwright-core';

const [url, folder, out] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
const errors = [];
page.on('pageerror', (e) => errors.push(String(e)));

await page.goto(`${url}/?folder=${encodeURIComponent(folder)}`);
await page.waitForSelector('.monaco-workbench .explorer-folders-view', { timeout: 60000 });

// Open the program from the explorer.
await page.locator('.explorer-folders-view .monaco-list-row', { hasText: 'loops.mox' }).click();
await page.waitForSelector('.monaco-editor .view-lines');
await page.locator('.monaco-editor .view-lines').click();

// A breakpoint on line 9 (Go to Line, Toggle Breakpoint), once the extensions are active.
await page.waitForSelector('text=Activating Extensions', { timeout: 20000 }).catch(() => {});
await page.waitForSelector('text=Activating Extensions', { state: 'detached', timeout: 90000 });
await page.locator('.monaco-editor .view-lines').click();
await page.keyboard.press('Control+G');
await page.keyboard.type('9');
await page.keyboard.press('Enter');
await page.keyboard.press('F9');
await page.waitForSelector('.monaco-editor .codicon-debug-breakpoint', { timeout: 10000 });

// F5 debugs the file without a launch.json; wait for the stop at the breakpoint.
await page.keyboard.press('F5');
await page.waitForSelector('.debug-top-stack-frame-line', { timeout: 30000 });
await page.locator('.debug-variables .monaco-list-row').first().waitFor();

// One Step Over: line 9 writes its sum, which the Debug Console then shows.
await page.keyboard.press('F10');
await page.getByText('0.000000').first().waitFor({ timeout: 30000 });

// The Watch view folded away; every scope of the Variables view open.
await page.locator('.pane-header', { hasText: 'Watch' }).click();
const variables = page.locator('.debug-variables');
await variables.locator('.monaco-list-row').first().waitFor();
for (const name of ['Value stack', 'Output']) {
  const row = variables.locator('.monaco-list-row', { hasText: name });
  if ((await row.count()) && (await row.getAttribute('aria-expanded')) === 'false') await row.click();
}
// The focus back in the editor, the pointer out of the way, the views settled.
await page.keyboard.press('Control+1');
await page.mouse.move(640, 790);
await page.waitForTimeout(1500);
await page.screenshot({ path: out });
if (errors.length) console.error(`errors thrown by the page:\n${errors.join('\n')}`);
await browser.close();
