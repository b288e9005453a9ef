import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

// The session token a page sends with its events.
function tokenOf(request) {
  return new URLSearchParams(request.postData() || '').get('s');
}

test('two browser contexts get separate sessions', async () => {
  const [a, b] = [await browser.newContext(), await browser.newContext()];
  const [pa, pb] = [await a.newPage(), await b.newPage()];
  await pa.goto(server.url);
  await pb.goto(server.url);

  const [ra] = await Promise.all([pa.waitForRequest('**/event'), pa.click('#VXimage')]);
  await pa.waitForSelector('#iwForm[data-form="Globemain"]');
  assert.equal(await formName(pb), 'Splashform', 'the other session stays on its start page');

  const [rb] = await Promise.all([pb.waitForRequest('**/event'), pb.click('#LFimage')]);
  await pb.waitForSelector('#iwForm[data-form="Globemain"]');
  assert.match(tokenOf(ra), /^[0-9a-f]{64}$/);
  assert.match(tokenOf(rb), /^[0-9a-f]{64}$/);
  assert.notEqual(tokenOf(ra), tokenOf(rb));
  assert.equal((server.log().match(/Session \d+ started/g) || []).length, 2);
  await a.close();
  await b.close();
});
