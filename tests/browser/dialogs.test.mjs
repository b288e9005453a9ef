// Dialog pages of a report in the viewer: each shows as a browser form before the report is
// laid out, the values chosen there appear in the prepared pages, Cancel prepares nothing, and two
// sessions answering their dialogs at once each see only their own. The server runs for a report
// author (--author), so the test can open its own template.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser;
before(async () => {
  server = await startServer(undefined, ['--author']);
  browser = await launchBrowser();
});
after(async () => { await browser?.close(); await server?.stop(); });

const fixture = (name) => readFile(new URL('./fixtures/' + name, import.meta.url));

async function openDialogReport() {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  await page.goto(server.url + 'viewer');
  assert.equal(await formName(page), 'TrepPreviewForm');
  await page.click('#OpenB');
  await page.setInputFiles('#OpenFileUploader', {
    name: 'DialogReport.xml', mimeType: 'application/octet-stream', buffer: await fixture('DialogReport.xml'),
  });
  // The dialog page shows as a form of its own, its controls by their names.
  await page.waitForSelector('#Edit1', { state: 'visible' });
  return { context, page };
}

const status = (page) => page.textContent('#StatusBar');

// Finds Text in the prepared pages; true when the viewer marks it.
async function found(page, text) {
  await page.click('#FindB');
  await page.fill('#edtFind', text);
  await page.click('#btnFind');
  try {
    await page.waitForSelector('#FoundMark', { state: 'visible', timeout: 5000 });
    return true;
  } catch {
    return false;
  }
}

async function answer(page, name, fluid, metric) {
  assert.equal(await page.inputValue('#Edit1'), 'Pump 1');
  await page.fill('#Edit1', name);
  await page.selectOption('#ComboBox1', { label: fluid });
  if (metric) await page.check('#CheckBox1');
  await page.click('#OK');
  await page.waitForFunction(() => /^Page 1 of 1$/.test(document.getElementById('StatusBar')?.textContent || ''));
}

test('the values chosen in a dialog page appear in the prepared report, as typed', async () => {
  const { context, page } = await openDialogReport();
  await answer(page, 'Valve <7> [1+1]', 'Steam', true);
  assert.ok(await found(page, 'Valve <7> [1+1]|Steam|True'), 'the title shows the answers');
  await context.close();
});

test('Cancel in a dialog page prepares nothing', async () => {
  const { context, page } = await openDialogReport();
  await page.click('#Cancel');
  await page.waitForSelector('#OpenB', { state: 'visible' });
  await page.waitForFunction(() => !document.getElementById('Edit1')
    && document.getElementById('StatusBar')?.textContent === '');
  assert.equal(await status(page), '');
  assert.equal(await page.$('.iwMessageText:visible'), null, 'a cancel is no failure');
  assert.equal(await page.$('#PageImage1:visible'), null);
  await context.close();
});

test('two sessions answering their dialogs at once see only their own forms', async () => {
  const a = await openDialogReport();
  const b = await openDialogReport();
  await Promise.all([answer(a.page, 'Alpha', 'Water', false), answer(b.page, 'Bravo', 'Air', true)]);
  assert.ok(await found(a.page, 'Alpha|Water|False'));
  assert.ok(await found(b.page, 'Bravo|Air|True'));
  await a.context.close();
  await b.context.close();
});
