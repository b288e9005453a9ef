import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

test('the start page shows all eight pictures', async () => {
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(server.url);
  assert.equal(await formName(page), 'Splashform');
  await page.waitForFunction(() => [...document.querySelectorAll('#IWRegion1 img')].every((i) => i.complete));
  const images = await page.$$eval('#IWRegion1 img', (all) => all.map((i) => ({ id: i.id, width: i.naturalWidth })));
  assert.deepEqual(images.map((i) => i.id).sort(),
    ['IWImageFile1', 'IWImageFile2', 'IWImageFile3', 'IWImageFile4', 'LFimage', 'PUFimage', 'PUimage', 'VXimage']);
  for (const i of images) assert.ok(i.width > 0, `${i.id} loaded`);
  // The region stays centred and never moves left of the window's edge.
  const left = await page.$eval('#IWRegion1', (r) => r.getBoundingClientRect().left);
  assert.equal(left, 140);
  await page.setViewportSize({ width: 700, height: 800 });
  assert.equal(await page.$eval('#IWRegion1', (r) => r.getBoundingClientRect().left), 0);
  await page.close();
});

test('a product click moves to the sizing form at once', async () => {
  for (const product of ['#VXimage', '#PUimage', '#PUFimage', '#LFimage']) {
    const page = await browser.newPage();
    await page.goto(server.url);
    const start = Date.now();
    await page.click(product);
    await page.waitForSelector('#iwForm[data-form="Globemain"]', { timeout: 3000 });
    assert.ok(Date.now() - start < 3000, `${product} moved in ${Date.now() - start} ms`);
    await page.close();
  }
});

test('the help-desk button opens a window named "Help Desk"', async () => {
  const page = await browser.newPage();
  await page.goto(server.url);
  const [popup] = await Promise.all([page.waitForEvent('popup'), page.click('#IWImageFile4')]);
  await popup.waitForLoadState();
  assert.equal(await popup.evaluate(() => window.name), 'Help Desk');
  assert.match(popup.url(), /\/files\/helpdesk\.html$/);
  assert.equal(await popup.title(), 'ZentorApp Help Desk');
  assert.equal(await formName(page), 'Splashform');
  await page.close();
});
