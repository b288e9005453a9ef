// What the page shows when the server refuses an event: an ended session replaces the page with
// the server's own page, and an event too large to send is a message naming what was too large.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

test('an event of a session the server no longer knows shows the session-ended page', async () => {
  const page = await browser.newPage();
  await page.goto(server.url);
  // The token as a session that has timed out would send it.
  await page.route('**/event', (route) => {
    const body = new URLSearchParams(route.request().postData() || '');
    body.set('s', '0'.repeat(64));
    route.continue({ postData: body.toString() });
  });
  await page.click('#VXimage');
  await page.waitForSelector('text=Your session has ended');
  assert.equal(await page.$('#iwForm'), null);
  await page.unroute('**/event');
  await page.click('text=Start again');
  await page.waitForSelector('#iwForm');
  assert.equal(await formName(page), 'Splashform');
  assert.equal((server.log().match(/Session \d+ started/g) || []).length, 2, 'only the start pages start sessions');
  await page.close();
});

test('an event too large to send is refused with a message and the session goes on', async () => {
  const page = await browser.newPage({ viewport: { width: 1280, height: 1050 } });
  await page.goto(server.url);
  await page.click('#VXimage');
  await page.waitForSelector('#iwForm[data-form="Globemain"]');
  await page.fill('#TagEdit', 'x'.repeat(1100 * 1024));
  await page.click('#CalcButton');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  const text = await page.$eval('#iwMessage .iwMessageText', (t) => t.textContent);
  assert.match(text, /^The page's entries and cookies are too large to send \(\d+ KiB, at most 1024 KiB\)/);
  await page.click('#iwMessage button');

  await page.fill('#TagEdit', 'x'.repeat(9000));
  await page.click('#CalcButton');
  await page.waitForFunction(() => !document.documentElement.classList.contains('iwBusy'));
  assert.equal(await page.$eval('#TagEdit', (e) => e.value.length), 9000, 'a long text goes through');
  assert.equal(await formName(page), 'Globemain');
  await page.close();
});
