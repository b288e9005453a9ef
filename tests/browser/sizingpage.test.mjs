// The sizing form as an engineer meets it: absolute pressures that survive a sizing file, a
// Calculate on an empty form that says what to enter, and a page that reads well at 1024 px.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { idle, select, click, type, messages } from './form.mjs';

let server, browser, dir;
before(async () => {
  server = await startServer();
  browser = await launchBrowser();
  dir = mkdtempSync(join(tmpdir(), 'zentor-sizingpage-'));
});
after(async () => { await browser?.close(); await server?.stop(); });

const openForm = (context, width, height) => form.openForm(context, server.url, width, height);

// Every input of the sizing as the page shows it: each edit's text, each radio and check box,
// each list's selection, and every cell of the results grid. The panels' own inputs are no part
// of a sizing.
function everything(page) {
  return page.evaluate(() => {
    const out = {};
    const panels = new Set(['Filenameedit', 'UFNameEdit', 'Loadfileedit']);
    for (const e of document.querySelectorAll('#DataRegion1 input, #DataRegion1 select')) {
      if (!e.id || panels.has(e.id)) continue;
      if (e.tagName === 'SELECT') out[e.id] = e.selectedIndex < 0 ? '' : e.options[e.selectedIndex].text;
      else if (e.type === 'radio' || e.type === 'checkbox') out[e.id] = e.checked;
      else out[e.id] = e.value;
    }
    out.grid = [...document.querySelectorAll('#ResultsGrid td')].map((c) => c.textContent);
    return out;
  });
}

test('a sizing saved with absolute pressures loads back absolute, every entry and result with it', async () => {
  const context = await browser.newContext({ acceptDownloads: true });
  const page = await openForm(context);
  await click(page, 'AbsRadButt');
  await select(page, 'FluidStateCombo', 'Gas');
  await select(page, 'FluidCombo', 'Nitrogen');
  await select(page, 'P1Combo', 'bar');
  for (const [id, text] of [['P1MinEdit', '7'], ['P2MinEdit', '2'], ['TempMinEdit', '20'], ['FlowMinEdit', '500'],
    ['P1MaxEdit', '8'], ['P2MaxEdit', '1.5'], ['TempMaxEdit', '40'], ['FlowMaxEdit', '900']])
    await type(page, id, text);
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page), []);
  const saved = await everything(page);
  assert.equal(saved.AbsRadButt, true);
  assert.notEqual(saved.grid[7], '', 'the sizing is calculated');

  await click(page, 'SaveBtn');
  await page.fill('#Filenameedit', 'absolute');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#FileSaveButton')]);
  await idle(page);
  const file = join(dir, 'absolute.kvs');
  await download.saveAs(file);
  assert.equal(readFileSync(file).toString('latin1').split(';')[32], 'Absolute');

  // A new session starts in gauge; the file brings the absolute sizing back whole.
  const next = await openForm(context);
  assert.equal((await everything(next)).GageRadButt, true);
  const [chooser] = await Promise.all([next.waitForEvent('filechooser'), next.click('#LoadBtn')]);
  await chooser.setFiles(file);
  await idle(next);
  assert.deepEqual(await messages(next), []);
  assert.deepEqual(await everything(next), saved);
  await context.close();
});

test('Calculate on an empty form says what to enter', async () => {
  const context = await browser.newContext();
  const page = await openForm(context);
  const before = await everything(page);
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page), [
    'Nothing was calculated: enter the inlet pressure P1, outlet pressure P2, temperature and flow of at least one ' +
    'condition (Min, Norm or Max).']);
  assert.deepEqual((await everything(page)).grid, before.grid);
  await context.close();
});

// Controls of the sizing region that stick out of the window or cut their text; none may.
function clipped(page) {
  return page.evaluate(() => {
    const out = [];
    const right = document.documentElement.clientWidth;
    const ctx = document.createElement('canvas').getContext('2d');
    for (const e of document.querySelectorAll('#DataRegion1 *')) {
      if (!e.id || e.getClientRects().length === 0 || getComputedStyle(e).visibility === 'hidden') continue;
      const r = e.getBoundingClientRect();
      if (r.width === 0) continue;
      if (r.left < 0 || r.right > right) out.push(`${e.id} reaches ${r.left}..${r.right} of ${right}`);
      if (e.tagName === 'SELECT') {
        ctx.font = getComputedStyle(e).font;
        const text = e.selectedIndex < 0 ? '' : e.options[e.selectedIndex].text;
        // the text beside the list's arrow and padding
        if (ctx.measureText(text).width + 24 > e.clientWidth) out.push(`${e.id} cuts "${text}"`);
      } else if (e.tagName === 'INPUT' && e.type === 'text') {
        if (e.scrollWidth > e.clientWidth) out.push(`${e.id} cuts "${e.value}"`);
      } else if (e.children.length === 0 && e.textContent.trim() && e.scrollWidth > e.clientWidth + 1) {
        out.push(`${e.id} cuts "${e.textContent}"`);
      }
    }
    return out;
  });
}

test('the form reads well at 1024 px: no control outside the window, no text cut', async () => {
  const context = await browser.newContext();
  const page = await openForm(context, 1024, 768);
  assert.deepEqual(await clipped(page), [], 'as it opens');

  await type(page, 'NameEditBox', 'A. Engineer');
  await type(page, 'CustEditBox', 'Northern Water Board');
  await type(page, 'TagEdit', 'FV-1042');
  await type(page, 'LineEditBox', '12');
  await select(page, 'P1Combo', 'kilo pascal');
  for (const [id, text] of [['P1MinEdit', '700'], ['P2MinEdit', '300'], ['TempMinEdit', '60'], ['FlowMinEdit', '10'],
    ['P1NormEdit', '700'], ['P1MaxEdit', '700']])
    await type(page, id, text);
  assert.equal(await page.$eval('#CPMinEdit', (e) => e.value), '22110.34483');
  await click(page, 'CalcButton');
  await messages(page);
  assert.deepEqual(await clipped(page), [], 'water in kPa, calculated');

  await select(page, 'FluidStateCombo', 'Gas');
  for (const unit of await page.$$eval('#FlowCombo option', (all) => all.map((o) => o.text))) {
    await select(page, 'FlowCombo', unit);
    assert.deepEqual(await clipped(page), [], unit);
  }
  for (const fluid of await page.$$eval('#FluidCombo option', (all) => all.map((o) => o.text))) {
    if (fluid.startsWith('Unlisted')) continue;
    await select(page, 'FluidCombo', fluid);
    assert.deepEqual(await clipped(page), [], fluid);
  }
  await select(page, 'FluidCombo', 'Unlisted Gas');
  assert.match(await page.$eval('#UFSourceLabel', (l) => l.textContent), /Min column/);
  assert.deepEqual(await clipped(page), [], 'the user-fluid panel');
  await context.close();
});
