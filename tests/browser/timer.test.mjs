import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

test('after five seconds without a click the sizing form is shown', async () => {
  const page = await browser.newPage();
  await page.goto(server.url);
  const start = Date.now();
  assert.equal(await formName(page), 'Splashform');
  await page.waitForSelector('#iwForm[data-form="Globemain"]', { timeout: 15000 });
  const waited = Date.now() - start;
  assert.ok(waited >= 4500, `moved after ${waited} ms`);
  assert.equal(await page.$('#VXimage'), null);
});
