// The sizing report as a user gets it: after a Calculate, the Report menu and the printer image
// open the report window on a PDF that is served once; the PDF is sound (qpdf), holds what the
// page showed (pdftotext) and draws the ruled grid where the data sheet has it (pdftoppm).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { settle, replaceText, conditionNames, messages as takeMessages } from './form.mjs';

const expected = JSON.parse(readFileSync(new URL('./grid_expectations.json', import.meta.url), 'utf8'));

let server, browser, dir;
before(async () => {
  server = await startServer();
  browser = await launchBrowser();
  dir = mkdtempSync(join(tmpdir(), 'zentor-report-'));
});
after(async () => {
  await browser?.close();
  await server?.stop();
  if (dir) rmSync(dir, { recursive: true, force: true });
});

// Records the browser's window opening instead of doing it (the PDF is fetched by the test
// itself, so it can check that it is served once).
function recordWindowOpening() {
  window.__opened = [];
  window.open = (url, name, options) => { window.__opened.push({ url, name, options }); return null; };
}

const openForm = () => form.openForm(browser, server.url, 1300, 1100, { init: recordWindowOpening });

// One of the results tests' cases, typed as a user does, then Calculate.
async function enterCase(page, name) {
  const { calculate } = await form.enterCase(page, structuredClone(expected[name].input));
  assert.deepEqual(calculate, [], `${name}: no message on Calculate`);
}

const grid = async (page) => (await form.readGrid(page)).map((row) => row.map((cell) => cell.text));

class NoLayout extends Error {}

// Runs a test body; skipped when the report engine of this build cannot lay pages out.
function reportTest(title, body) {
  test(title, async (t) => {
    try {
      await body();
    } catch (e) {
      if (e instanceof NoLayout) t.skip('the report layout engine is not built in');
      else throw e;
    }
  });
}

// Asks for the report through the menu or the printer image; the window it opened, and the
// PDF's text (layout kept) and file.
async function report(page, how = 'menu') {
  await page.evaluate(() => { window.__opened = []; });
  await page.click({ menu: '#Report1', icon: '#PrintIcon', chart: '#ChartPDFbtn' }[how]);
  await settle(page);
  const shown = await takeMessages(page);
  // A build whose report engine cannot lay pages out says so; the tests then have nothing to read.
  if (shown.length === 1 && shown[0].includes('report layout is not available')) throw new NoLayout();
  assert.deepEqual(shown, [], 'no message on Report');
  const opened = await page.evaluate(() => window.__opened);
  assert.equal(opened.length, 1, 'one window');
  const w = opened[0];
  assert.equal(w.name, 'Sizing_Report');
  assert.equal(w.options, 'toolbar=no,status=no,menubar=yes,scrollbars=yes,resizable=yes,location=no,' +
    'directories=no,width=780,height=580');
  const address = new URL(w.url, server.url);
  const first = await fetch(address);
  assert.equal(first.status, 200);
  assert.equal(first.headers.get('content-type'), 'application/pdf');
  const disposition = first.headers.get('content-disposition');
  const bytes = Buffer.from(await first.arrayBuffer());
  assert.equal(bytes.subarray(0, 5).toString(), '%PDF-');
  assert.equal((await fetch(address)).status, 404, 'served once');
  const file = join(dir, `${w.url.split('/').pop()}.pdf`);
  writeFileSync(file, bytes);
  execFileSync('qpdf', ['--check', file], { stdio: 'pipe' });
  const text = execFileSync('pdftotext', ['-layout', file, '-'], { encoding: 'utf8' });
  return { file, text, url: w.url, disposition };
}

// Every value the grid shows stands in the PDF, and the units the sheet takes from the grid
// (travel, noise). Blanks are left out of the comparison: text extraction guesses them from the
// gaps between glyphs.
const squeeze = (t) => t.replace(/\s+/g, '');
function assertGridInPdf(cells, text) {
  const flat = squeeze(text);
  for (const [r, row] of cells.entries()) {
    if (r === 0) continue;
    for (const [c, cell] of row.entries()) {
      const unitsFromGrid = c === 1 && ['Travel', 'Predicted Noise'].includes(row[0]);
      if (!(c >= 2 || unitsFromGrid) || !cell.trim()) continue;
      assert.ok(flat.includes(squeeze(cell.trim())), `grid row ${r} column ${c} "${cell}" in the PDF`);
    }
  }
}

reportTest('the Report menu opens a served-once PDF with the gate sizing the page showed', async () => {
  const page = await openForm();
  await enterCase(page, 'gate-water-cv');
  await replaceText(page, 'CustEditBox', '[1+1]');
  await replaceText(page, 'TagEdit', 'FV-101');
  const cells = await grid(page);
  const { text, file, disposition } = await report(page, 'menu');
  // The saved file is named after the tag, and the document says what it is.
  assert.equal(disposition, 'inline; filename="Sizing Report FV-101.pdf"');
  assert.match(execFileSync('pdfinfo', [file], { encoding: 'utf8' }), /^Title:\s+Sizing Report FV-101$/m);
  // Row 8 ("ΔP/P1Abs") reads "Delta P/P1Abs" on the sheet; row 9 as "Operational FL".
  assertGridInPdf(cells, text);
  for (const t of ['Sizing Properties', 'Calculations', 'Calculated Cv', 'Selected Flow', 'Inlet Pressure',
    'psig', 'Vapor Pressure', 'psia', 'Operational FL', 'Delta P/P1Abs', 'Delta P Max', 'Predicted Noise',
    'ft/s (m/s)', 'Water', 'Liquid', 'FV-101', 'Standards Used', 'ANSI / ISA-75.01.01',
    'For PRV\u2019s size to 70% capacity', 'capacity \u2013 Piloted Valves'])
    assert.ok(text.includes(t), `"${t}" in the PDF`);
  assert.ok(text.includes('[1+1]'), 'the customer prints as typed');
  assert.ok(!/Customer:\s+2\b/.test(text), 'never evaluated');
  await page.close();
});

reportTest('the printer image reports a globe and then a low-flow valve, each from the template', async () => {
  const page = await openForm();
  await enterCase(page, 'globe-water-bar-m3h');
  const globe = await grid(page);
  const g = await report(page, 'icon');
  assertGridInPdf(globe, g.text);
  assert.ok(g.text.includes('bar'));
  assert.ok(!g.text.includes('Operational FL'), 'no FL row for a globe');

  await enterCase(page, 'lowflow-water-cv');
  const low = await grid(page);
  const l = await report(page, 'icon');
  assert.notEqual(l.url, g.url, 'a new file every time');
  assertGridInPdf(low, l.text);
  for (const t of ['Nominal Cv', 'Trimcode', 'Capacity']) assert.ok(l.text.includes(t), `"${t}" in the low-flow PDF`);
  for (const t of ['ft/s (m/s)', 'Delta P/P1Abs', 'Delta P Max']) assert.ok(!l.text.includes(t), `no "${t}" for a low-flow valve`);

  // A gate after the low-flow report has its own row labels back.
  await enterCase(page, 'gate-water-cv');
  const again = await report(page, 'menu');
  for (const t of ['Delta P Max', 'Travel', 'Predicted Noise', 'ft/s (m/s)']) assert.ok(again.text.includes(t), `"${t}" back`);
  assert.ok(!again.text.includes('Trimcode'));
  await page.close();
});

reportTest('absolute pressures in psig print psia; steam clears the property rows', async () => {
  const page = await openForm();
  await enterCase(page, 'gate-air-actual-abs');
  const abs = await report(page);
  assert.ok(abs.text.includes('Inlet Pressure (abs)'));
  assert.ok(abs.text.includes('psia'));
  assert.ok(abs.text.includes('Specific Heat Ratio'));
  assert.ok(abs.text.includes('Calculated Xt'));

  const steamPage = await openForm();
  await enterCase(steamPage, 'globe-steam-cv');
  const steam = await report(steamPage);
  for (const t of ['Vapor Pressure', 'Vapour Pressure', 'Critical Pressure', 'Specific Gravity', 'Dynamic Viscosity',
    'Specific Heat Ratio', 'Compressibility'])
    assert.ok(!steam.text.includes(t), `no "${t}" for steam`);
  await page.close();
  await steamPage.close();
});

// The ruled grid: at 96 pixels per inch a report unit is one pixel, so the grid's rules stand at
// the data sheet's own coordinates plus the page margins.
reportTest('the ruled grid sits where the data sheet places it', async () => {
  const page = await openForm();
  await enterCase(page, 'gate-water-cv');
  const { file } = await report(page);
  const bbox = execFileSync('pdftotext', ['-bbox', '-f', '1', '-l', '1', file, '-'], { encoding: 'utf8' });
  const words = [...bbox.matchAll(/<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<\/word>/g)]
    .map((m) => ({ x0: +m[1], y0: +m[2], x1: +m[3], y1: +m[4], w: m[5] }));
  const pageBox = /<page width="([\d.]+)" height="([\d.]+)">/.exec(bbox);
  assert.ok(Math.abs(+pageBox[1] - 612) < 1 && Math.abs(+pageBox[2] - 792) < 1, 'letter paper');
  // Words stand where their cells put them: text starts 2 units right of and 1 unit below its
  // memo's corner. The row numbers sit in the first column (x 48 to 72), "1" in row 1 (y 156 to
  // 180) and "27" in the last row (y 876 to 906); the heading in the label column (x 96 to 336)
  // of the row under row 1 (y 180 to 204).
  const pt = 0.75;  // points per report unit
  const word = (w, pred = () => true) => words.find((x) => x.w === w && pred(x));
  for (const [w, left, top, cell] of [['1', 50, 159, [48, 156, 72, 180]], ['27', 50, 879, [48, 876, 72, 906]],
    ['Sizing', 99, 183, [96, 180, 336, 204]]]) {
    const found = word(w, (x) => x.x0 < cell[2] * pt && x.y0 < cell[3] * pt && x.y0 > cell[1] * pt - 1);
    assert.ok(found, `"${w}" in its cell`);
    assert.ok(Math.abs(found.x0 - (left + 2) * pt) <= 1, `"${w}" x ${found.x0}`);
    assert.ok(Math.abs(found.y0 - (top + 1) * pt) <= 1, `"${w}" y ${found.y0}`);
    assert.ok(found.x1 <= cell[2] * pt + 1 && found.y1 <= cell[3] * pt + 1, `"${w}" inside its cell`);
  }

  // The rules: rendered at 96 pixels per inch a report unit is a pixel. The outer rules at x 48
  // and 768 run down the grid; rows are ruled at y 48, 120, 156, 180 and 906.
  execFileSync('pdftoppm', ['-r', '96', '-f', '1', '-l', '1', '-gray', file, join(dir, 'grid')]);
  const pgm = readFileSync(join(dir, 'grid-1.pgm'));
  const head = /^P5\s+(\d+)\s+(\d+)\s+255\s/.exec(pgm.subarray(0, 32).toString('latin1'));
  const [W, H] = [+head[1], +head[2]];
  const pixels = pgm.subarray(head[0].length);
  assert.ok(Math.abs(W - 816) <= 1 && Math.abs(H - 1056) <= 1, `page ${W} x ${H} pixels`);
  // Dark within one pixel of the rule's place.
  const dark = (x, y) => [-1, 0, 1].some((d) => pixels[y * W + x + d] < 128 || pixels[(y + d) * W + x] < 128);
  const share = (points) => points.filter(([x, y]) => dark(x, y)).length / points.length;
  const down = (x, y0, y1) => Array.from({ length: y1 - y0 }, (_, i) => [x, y0 + i]);
  const across = (y, x0, x1) => Array.from({ length: x1 - x0 }, (_, i) => [x0 + i, y]);
  for (const x of [48, 768]) assert.ok(share(down(x, 160, 900)) > 0.95, `rule at x ${x}`);
  for (const y of [48, 120, 156, 180, 906]) assert.ok(share(across(y, 52, 764)) > 0.95, `rule at y ${y}`);
  // Between rules the page is white: no rule a few pixels off its place.
  assert.ok(share(down(774, 160, 900)) < 0.05, 'white right of the grid');
  assert.ok(share(across(40, 52, 764)) < 0.05, 'white above the grid');
  await page.close();
});

reportTest('the chart panel\'s PDF button opens the chart page with the chart and its Cv labels', async () => {
  const page = await openForm();
  await enterCase(page, 'gate-water-cv');
  await page.click('#ChartBtn');
  await settle(page);
  assert.deepEqual(await takeMessages(page), []);
  const labels = [];
  for (const n of conditionNames) labels.push((await page.textContent(`#${n}Cvlabel`)).trim());
  const { text, disposition } = await report(page, 'chart');
  assert.equal(disposition, 'inline; filename="Flow Chart.pdf"', 'no tag or line item typed');
  const flat = squeeze(text);
  for (const t of ['Flow gpm', '% Travel - 2.00 in  Sliding Gate', 'VXCVMax Flow  - Sliding Gate', 'Sizing Recommendations:',
    '\u25CF PRV\u2019s size to 70% capacity', ...labels.filter((l) => l)])
    assert.ok(flat.includes(squeeze(t)), `"${t}" on the chart page`);
  assert.ok(labels.filter((l) => l).length >= 2, 'Cv labels drawn');
  await page.close();
});
