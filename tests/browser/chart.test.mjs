// The flow chart as a user gets it: the chart button draws the three conditions' curves with a
// marker at the travel the results grid shows and the Cv labels beside the chart; closing and
// drawing again shows nothing of the earlier chart.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { idle, select, click, shown, messages } from './form.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

const names = ['Min', 'Norm', 'Max'];

async function fillCondition(page, k, p1, p2, temp, flow) {
  for (const [id, text] of [[`P1${names[k]}Edit`, p1], [`P2${names[k]}Edit`, p2], [`Temp${names[k]}Edit`, temp],
    [`Flow${names[k]}Edit`, flow]]) {
    // Typed key by key: the keys in P1 and the temperature fill the fluid's properties.
    if (text) await form.type(page, id, text);
    else {
      await page.fill(`#${id}`, '');
      await page.locator(`#${id}`).blur();
    }
  }
  await idle(page);
}

// What the chart picture holds: its series and markers as the SVG marks them, and its texts.
function readChart(page) {
  return page.$eval('#IWImage4', (img) => {
    const src = img.getAttribute('src') || '';
    const m = /^data:image\/svg\+xml;base64,(.*)$/.exec(src);
    if (!m) return null;
    const bytes = Uint8Array.from(atob(m[1]), (c) => c.charCodeAt(0));
    const doc = new DOMParser().parseFromString(new TextDecoder().decode(bytes), 'image/svg+xml');
    const lines = [...doc.querySelectorAll('g.series[data-kind="line"]')].map((g) => ({
      title: g.dataset.title,
      points: Number(g.dataset.points),
      polylines: g.querySelectorAll('polyline').length,
      stroke: g.querySelector('polyline')?.getAttribute('stroke') ?? '',
    }));
    const markers = [...doc.querySelectorAll('g.marker')].map((g) => {
      const r = g.querySelector('rect');
      return {
        x: Number(g.dataset.x),
        y: Number(g.dataset.y),
        fill: r.getAttribute('fill'),
        cx: Number(r.getAttribute('x')) + Number(r.getAttribute('width')) / 2,
      };
    });
    const texts = [...doc.querySelectorAll('text')].map((t) => ({
      text: t.textContent, x: Number(t.getAttribute('x')), y: Number(t.getAttribute('y')) }));
    return { lines, markers, texts, width: img.naturalWidth, height: img.naturalHeight, shown: img.complete };
  });
}

const grid = (page) => page.$$eval('#ResultsGrid tr', (rows) => rows.map((r) => [...r.cells].map((td) => td.textContent)));

test('the chart shows three curves, markers at the grid travel and the Cv labels', async () => {
  const page = await form.openForm(browser, server.url);
  await select(page, 'SizeCombo', '2.00 in');
  await select(page, 'CvCombo', '60');
  await fillCondition(page, 0, '100', '50', '60', '100');
  await fillCondition(page, 1, '100', '50', '60', '200');
  await fillCondition(page, 2, '100', '50', '60', '300');
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page), []);
  assert.equal(await shown(page, 'ChartBtn'), true);
  assert.equal(await shown(page, 'ChartRegion'), false);

  await click(page, 'ChartBtn');
  assert.deepEqual(await messages(page), []);
  assert.equal(await shown(page, 'ChartRegion'), true);
  await page.waitForFunction(() => document.querySelector('#IWImage4').complete);
  const chart = await readChart(page);
  assert.ok(chart, 'the picture is an SVG image');
  assert.equal(chart.width, 609);
  assert.equal(chart.height, 432);
  assert.deepEqual(chart.lines.map((l) => [l.title, l.points, l.polylines, l.stroke]), [
    ['Minimum', 17, 1, '#FF0000'], ['Normal', 17, 1, '#008000'], ['Maximum', 17, 1, '#0000FF']]);

  // Each marker sits at the travel the grid shows for its condition, in its condition's colour.
  const cells = await grid(page);
  const travelRow = cells.find((r) => r[0] === 'Travel');
  const cvRow = cells[1];
  assert.equal(chart.markers.length, 3);
  // A travel label of the bottom axis (a flow label of the left axis may read the same).
  const tick = (label) => chart.texts.filter((t) => t.text === label).sort((a, b) => b.y - a.y)[0];
  for (let k = 0; k < 3; k++) {
    const travel = Number(travelRow[k + 2]);
    assert.ok(travel > 10 && travel < 90, `travel ${travelRow[k + 2]}`);
    assert.ok(Math.abs(chart.markers[k].x - (travel / 5 - 2)) < 1e-9, `marker ${k} at ${chart.markers[k].x}`);
    assert.equal(chart.markers[k].y, [100, 200, 300][k]);
    assert.equal(chart.markers[k].fill, ['#FF0000', '#008000', '#0000FF'][k]);
    // Between the axis labels of the 5 % steps either side of it.
    const below = Math.floor(travel / 5) * 5, above = below + 5;
    const left = tick(String(below)), right = tick(String(above));
    if (left && right) assert.ok(chart.markers[k].cx > left.x && chart.markers[k].cx < right.x + 20, `marker ${k} between ${below} and ${above}`);
    const label = await page.textContent(`#${names[k]}Cvlabel`);
    assert.equal(label, `${names[k]} Cv ${cvRow[k + 2]}`);
  }
  const texts = chart.texts.map((t) => t.text);
  for (const t of ['VXCVMax Flow  - Sliding Gate', 'Flow gpm', '% Travel - 2.00 in  Sliding Gate'])
    assert.ok(texts.includes(t), t);

  // Closing empties the panel; drawing again without Min shows no Min curve, marker or label.
  await click(page, 'ChartCloseBtn');
  assert.equal(await shown(page, 'ChartRegion'), false);
  assert.equal(await shown(page, 'ChartPDFbtn'), false);
  await fillCondition(page, 0, '', '', '', '');
  await click(page, 'ChartBtn');
  assert.deepEqual(await messages(page), []);
  const again = await readChart(page);
  assert.deepEqual(again.lines.map((l) => [l.title, l.points]), [['Minimum', 0], ['Normal', 17], ['Maximum', 17]]);
  assert.deepEqual(again.markers.map((m) => m.fill), ['#008000', '#0000FF']);
  assert.equal(await page.textContent('#MinCvlabel'), '');
  assert.equal(await page.textContent('#NormCvlabel'), `Norm Cv ${cvRow[3]}`);
  await page.close();
});

test('in flow mode the chart has curves but no markers or Cv labels', async () => {
  const page = await form.openForm(browser, server.url);
  await select(page, 'SizeCombo', '2.00 in');
  await click(page, 'CalcForFlow');
  await fillCondition(page, 1, '100', '50', '60', '40');
  await click(page, 'CalcButton');
  await click(page, 'ChartBtn');
  assert.deepEqual(await messages(page), []);
  const chart = await readChart(page);
  assert.deepEqual(chart.lines.map((l) => l.points), [0, 17, 0]);
  assert.equal(chart.markers.length, 0);
  for (const n of names) assert.equal(await page.textContent(`#${n}Cvlabel`), '');
  await page.close();
});
