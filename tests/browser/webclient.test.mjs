// The page's script against a form with every kind of control (the web layer's demo server).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { startServer, launchBrowser } from './lib.mjs';

let server, browser, context, page;
before(async () => {
  server = await startServer(process.env.ZENTOR_DEMO);
  browser = await launchBrowser();
  context = await browser.newContext({ acceptDownloads: true });
  page = await context.newPage();
  await page.goto(server.url);
});
after(async () => { await browser?.close(); await server?.stop(); });

const out = (text) => page.waitForFunction((t) => document.getElementById('Out').textContent === t, text,
  { timeout: 5000 });

test('key events reach the server and typing goes on while they travel', async () => {
  await page.click('#DigitsEdit');
  await page.keyboard.type('12a3');
  await out('key 51 text 123');
  assert.equal(await page.inputValue('#DigitsEdit'), '123');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'DigitsEdit');
});

test('Enter in an edit without key handler runs the default action', async () => {
  await page.fill('#PlainEdit', 'abc');
  await page.press('#PlainEdit', 'Enter');
  await out('default abc');
});

test('messages queue up and show one after another', async () => {
  await page.click('#TwoMessages');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.equal(await page.textContent('.iwMessageText'), 'First <message>');
  await page.click('#iwMessage button');
  assert.equal(await page.textContent('.iwMessageText'), 'Second');
  await page.click('#iwMessage button');
  await page.waitForSelector('#iwMessage', { state: 'hidden' });
});

test('a failing handler shows its error and the page goes on', async () => {
  await page.click('#FailButton');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.equal(await page.textContent('.iwMessageText'), "'x' is not a valid floating point value");
  await page.click('#iwMessage button');
  await page.selectOption('#UnitCombo', { label: 'kPa' });
  await out('combo kPa');
});

test('lists, boxes, radios, grid cells and menu items send their events', async () => {
  assert.deepEqual(await page.$$eval('#UnitCombo option', (o) => o.map((x) => x.textContent)), ['psi', 'bar', 'kPa']);
  await page.check('#LinkCheck');
  await out('check on');
  await page.check('#AbsRB');
  await out('radio Absolute');
  assert.equal(await page.isChecked('#GaugeRB'), false);
  await page.click('#ResultsGrid tr:nth-child(3) td:nth-child(2)');
  await out('cell 2,1');
  await page.hover('#File1');
  await page.click('#SaveAsMenuItem');
  await out('menu save');
  await page.click('#Report1');
  await out('menu report');
});

test('downloads arrive with a cleaned file name', async () => {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#DownloadButton')]);
  assert.equal(download.suggestedFilename(), 'mysizing.kvs');
  assert.equal(await readFile(await download.path(), 'utf8'), 'a;b;c');
});

test('an uploaded file reaches its handler', async () => {
  await page.setInputFiles('#Loadfileedit', { name: 'my.kvs', mimeType: 'application/octet-stream', buffer: Buffer.from('1;2;3') });
  await out('upload my.kvs 1;2;3');
});

test('cookies written by a handler come back as written', async () => {
  await page.click('#SetCookie');
  await page.waitForFunction(() => document.cookie.includes('UserFluid1='));
  await page.click('#ReadCookies');
  await out('cookies UserFluid1=Oil%2C+light+60%B0F;');
});

test('a region hidden by its handler leaves the page', async () => {
  assert.equal(await page.isVisible('#Panel'), true);
  await page.click('#CloseButton');
  await page.waitForSelector('#Panel', { state: 'detached' });
});

test('a click on a server-drawn picture carries the point in the picture\'s own pixels', async () => {
  await page.click('#PageImage', { position: { x: 25, y: 10 } });
  await out('picture 50,20');
});

test('tree nodes open by their sign and answer clicks on their text', async () => {
  assert.equal(await page.$('#OutlineTree >> text=Results'), null);
  await page.click('#OutlineTree [data-toggle]');
  await page.waitForSelector('#OutlineTree >> text=Results');
  await page.click('#OutlineTree >> text=Results');
  await out('node Results');
});

test('a password edit hides what is typed and hands it to the server', async () => {
  assert.equal(await page.getAttribute('#PasswordEdit', 'type'), 'password');
  await page.fill('#PasswordEdit', 'open sesame');
  await page.click('#ShowPassword');
  await out('password open sesame');
});

test('keys the form asked for reach it unless an entry has the focus', async () => {
  await page.click('#Out');
  await page.keyboard.press('PageDown');
  await out('formkey 34');
  await page.keyboard.press('Control+f');
  await out('formkey 70 ctrl');
  await page.click('#PlainEdit');
  await page.keyboard.press('PageDown');
  await page.click('#TwoMessages');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.equal(await page.textContent('#Out'), 'formkey 70 ctrl', 'a key in an entry stays the entry\'s');
  await page.click('#iwMessage button');
  await page.click('#iwMessage button');
});

test('a scrolling region stands where the server says and reports where the user scrolls to', async () => {
  assert.equal(await page.evaluate(() => document.getElementById('PagesRegion').scrollTop), 40);
  await page.evaluate(() => { document.getElementById('PagesRegion').scrollTop = 300; });
  await out('scrolled 0,300');
  assert.equal(await page.evaluate(() => document.getElementById('PagesRegion').scrollTop), 300);
});
