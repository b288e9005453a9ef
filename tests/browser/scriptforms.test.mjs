// Windows a report opens while the viewer prepares it: the password window of a protected report
// and the dialogs of a report's script, answered in the browser. The server runs for a report
// author (--author), so the tests can open their own templates.
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
const waitStatus = (page, text) => page.waitForFunction((t) => document.getElementById('StatusBar')?.textContent === t, text);

async function openViewer() {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  await page.goto(server.url + 'viewer');
  assert.equal(await formName(page), 'TrepPreviewForm');
  return { context, page };
}

async function upload(page, name, bytes) {
  await page.click('#OpenB');
  await page.setInputFiles('#OpenFileUploader', { name, mimeType: 'application/octet-stream', buffer: bytes });
}

async function answerPassword(page, text) {
  await page.waitForSelector('#PasswordE', { state: 'visible' });
  assert.equal(await page.textContent('#PasswordL'), 'Enter the password:');
  assert.equal(await page.getAttribute('#PasswordE', 'type'), 'password');
  await page.fill('#PasswordE', text);
  await page.click('#OkB');
}

test('a protected report refuses a wrong password and opens with the right one', async () => {
  const { context, page } = await openViewer();
  const bytes = await fixture('LockedReport.xml');

  await upload(page, 'LockedReport.xml', bytes);
  await answerPassword(page, 'Secret');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.match(await page.textContent('.iwMessageText'), /Invalid password/);
  await page.click('#iwMessage button');
  assert.equal(await page.$('#PageImage1'), null, 'nothing of the report shows');
  assert.equal(await formName(page), 'TrepPreviewForm');

  await upload(page, 'LockedReport.xml', bytes);
  await answerPassword(page, 'secret');
  await waitStatus(page, 'Page 1 of 4');
  await context.close();
});

test('a report script asks in the browser and takes the text as typed', async () => {
  const { context, page } = await openViewer();
  await upload(page, 'AskingReport.xml', await fixture('AskingReport.xml'));
  await page.waitForSelector('#Value', { state: 'visible' });
  assert.equal(await page.textContent('#Prompt'), 'Name:');
  assert.equal(await page.inputValue('#Value'), 'nobody');
  await page.fill('#Value', 'Ada [Page#] <b>');
  await page.click('#OK');
  await waitStatus(page, 'Page 1 of 1');
  await page.click('#OutlineB');
  await page.waitForSelector('#OutlineTree >> text="Ada [Page#] <b>"');
  await context.close();
});

test('a script form shows in the browser, its button handler changes a label and OK gives the edit', async () => {
  const { context, page } = await openViewer();
  await upload(page, 'FormReport.xml', await fixture('FormReport.xml'));
  await page.waitForSelector('#Edit1', { state: 'visible' });
  await page.fill('#Edit1', 'Ada');
  await page.click('#Copy');
  await page.waitForFunction(() => document.getElementById('Label1')?.textContent === 'Hello Ada');
  await page.click('#OK');
  await waitStatus(page, 'Page 1 of 1');
  await page.click('#OutlineB');
  await page.waitForSelector('#OutlineTree >> text="Ada"');
  await context.close();
});
