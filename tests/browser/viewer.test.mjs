// The report viewer at its own address: pages drawn on the server, navigation, zoom modes, find,
// outline, hyperlinks, page settings, print and export PDFs (checked with poppler and qpdf),
// preparation with progress and Cancel, and damaged uploads. The server runs for a report author
// (--author), so the tests can open their own templates.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtemp, writeFile, readFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { startServer, launchBrowser, formName } from './lib.mjs';

let server, browser, dir;
before(async () => {
  server = await startServer(undefined, ['--author']);
  browser = await launchBrowser();
  dir = await mkdtemp(join(tmpdir(), 'viewer-'));
});
after(async () => { await browser?.close(); await server?.stop(); });

const fixture = (name) => readFile(new URL('./fixtures/' + name, import.meta.url));

async function openViewer() {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, acceptDownloads: true });
  const page = await context.newPage();
  await page.goto(server.url + 'viewer');
  assert.equal(await formName(page), 'TrepPreviewForm');
  return { context, page };
}

const status = (page) => page.textContent('#StatusBar');
const waitStatus = (page, text) => page.waitForFunction((t) => document.getElementById('StatusBar')?.textContent === t, text);

// The first page picture, drawn and loaded.
async function pagePicture(page, alt) {
  const sel = alt ? `#Workspace img[alt="${alt}"]` : '#PageImage1';
  await page.waitForFunction((s) => { const i = document.querySelector(s); return i && i.complete && i.naturalWidth > 0; }, sel);
  return page.$(sel);
}

async function upload(page, name, bytes) {
  await page.click('#OpenB');
  await page.setInputFiles('#OpenFileUploader', { name, mimeType: 'application/octet-stream', buffer: bytes });
}

// OK of the print panel: the PDF the new window opens, written to a file of the test's folder.
async function printedPdf(context, page, files, name) {
  const [popup] = await Promise.all([context.waitForEvent('page'), page.click('#PrintOKB')]);
  await popup.waitForLoadState().catch(() => {});
  for (let i = 0; i < 100 && !files.length; i++) await page.waitForTimeout(100);
  assert.equal(files.length, 1);
  const file = join(dir, name);
  await writeFile(file, files[0]);
  return file;
}

async function openShort(page) {
  await upload(page, 'ShortReport.xml', await fixture('ShortReport.xml'));
  await waitStatus(page, 'Page 1 of 4');
  await pagePicture(page);
}

// The bytes of every temporary file the page fetches (served once, so they are caught on the way).
async function catchFiles(context) {
  const files = [];
  await context.route('**/cache/**', async (route) => {
    const response = await route.fetch();
    const body = await response.body();
    if ((response.headers()['content-type'] || '').startsWith('application/pdf')) files.push(body);
    await route.fulfill({ response, body });
  });
  return files;
}

test('the sizing report opens at the viewer\'s address and its pages step through', async () => {
  const { context, page } = await openViewer();
  await page.click('#OpenB');
  await page.click('#OpenSourceB');
  await waitStatus(page, 'Page 1 of 2');
  await pagePicture(page, 'Page 1');
  await page.click('#NextB');
  await waitStatus(page, 'Page 2 of 2');
  assert.equal(await page.inputValue('#PageE'), '2');
  await page.click('#FirstB');
  await waitStatus(page, 'Page 1 of 2');
  await page.keyboard.press('End');
  await waitStatus(page, 'Page 2 of 2');
  await context.close();
});

test('zoom modes draw the page at the sizes their formulas give', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  const width = await page.evaluate(() => parseInt(document.getElementById('Workspace').style.width, 10));
  const height = await page.evaluate(() => parseInt(document.getElementById('Workspace').style.height, 10));
  const pageW = Math.round(210 * 3.77953), pageH = Math.round(297 * 3.77953);
  const drawn = () => page.evaluate(() => document.getElementById('PageImage1').naturalWidth);
  await page.selectOption('#ZoomCB', { index: 6 });
  await page.waitForFunction((w) => document.getElementById('PageImage1').naturalWidth === w, Math.round(width - 17 - 26));
  await page.selectOption('#ZoomCB', { index: 7 });
  const whole = Math.min((width - 17 - 26) / pageW, (height - 26) / pageH);
  await page.waitForFunction((w) => Math.abs(document.getElementById('PageImage1').naturalWidth - w) <= 1, whole * pageW);
  await page.fill('#ZoomE', '50');
  await page.press('#ZoomE', 'Enter');
  await page.waitForFunction((w) => document.getElementById('PageImage1').naturalWidth === w, Math.round(pageW / 2));
  assert.equal(await drawn(), Math.round(pageW / 2));
  await page.fill('#ZoomE', '9000');
  await page.press('#ZoomE', 'Enter');
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.match(await page.textContent('.iwMessageText'), /is not a zoom between 25 % and 400 %/);
  await context.close();
});

test('find marks the word on the page it is on', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await page.click('#FindB');
  await page.fill('#edtFind', 'zebrafish');
  await page.click('#btnFind');
  await waitStatus(page, 'Page 3 of 4');
  await page.waitForSelector('#FoundMark', { state: 'visible' });
  const picture = await pagePicture(page, 'Page 3');
  const mark = await (await page.$('#FoundMark')).boundingBox();
  const box = await picture.boundingBox();
  assert.ok(mark.x >= box.x && mark.x + mark.width <= box.x + box.width, 'the mark lies across page 3');
  assert.ok(mark.y >= box.y && mark.y + mark.height <= box.y + box.height, 'the mark lies on page 3');
  await context.close();
});

test('an outline heading takes the viewer to its page', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await page.click('#OutlineB');
  await page.click('#OutlineTree >> text="Row 6"');
  await waitStatus(page, 'Page 3 of 4');
  await context.close();
});

test('a hyperlink opens its address in a new browser window', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await context.route('https://example.com/**', (route) => route.fulfill({ body: 'maker', contentType: 'text/plain' }));
  const picture = await pagePicture(page, 'Page 1');
  const zoom = await page.evaluate(() => document.getElementById('PageImage1').naturalWidth / Math.round(210 * 3.77953));
  const [popup] = await Promise.all([
    context.waitForEvent('page'),
    picture.click({ position: { x: (10 * 3.77953 + 450) * zoom, y: (10 * 3.77953 + 10) * zoom } }),
  ]);
  await popup.waitForLoadState();
  assert.equal(popup.url(), 'https://example.com/valves');
  await context.close();
});

test('page settings to A4 landscape prepare the report again', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await page.click('#PageSettingsB');
  await page.selectOption('#SizeCB', { label: 'A4' });
  await page.check('#LandscapeRB');
  await page.check('#ApplyToAllRB');
  await page.click('#PageSettingsOKB');
  await page.waitForFunction(() => {
    const i = document.getElementById('PageImage1');
    return i && i.complete && i.naturalWidth > i.naturalHeight;
  });
  await context.close();
});

test('printing pages "2-3" makes a PDF of exactly those two pages', async () => {
  const { context, page } = await openViewer();
  const files = await catchFiles(context);
  await openShort(page);
  await page.click('#PrintB');
  await page.check('#PageNumbersRB');
  await page.fill('#PageNumbersE', '2-3');
  const file = await printedPdf(context, page, files, 'print.pdf');
  assert.match(execFileSync('pdfinfo', [file], { encoding: 'utf8' }), /Pages:\s+2\n/);
  const text = execFileSync('pdftotext', [file, '-'], { encoding: 'utf8' });
  assert.match(text, /Page 2/);
  assert.match(text, /Page 3/);
  assert.doesNotMatch(text, /Page 1\b/);
  await context.close();
});

test('a save as a compressed prepared report downloads a file the viewer opens again', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await page.click('#SaveB');
  await page.waitForSelector('#SavePanel', { state: 'visible' });
  await page.selectOption('#SaveTypeCB', { label: 'Compressed prepared report (*.rp3)' });
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#SaveOKB')]);
  const file = join(dir, 'saved' + Date.now() + '.rp3');
  await download.saveAs(file);
  const bytes = await readFile(file);
  assert.equal(bytes[0], 0x78, 'zlib data');
  await page.click('#LastB');
  await waitStatus(page, 'Page 4 of 4');
  await upload(page, 'saved.rp3', bytes);
  await waitStatus(page, 'Page 1 of 4');
  await context.close();
});

test('printing with "Join small pages" on A3 puts two pages side by side on each sheet', async () => {
  const { context, page } = await openViewer();
  const files = await catchFiles(context);
  await openShort(page);
  await page.click('#PrintB');
  await page.selectOption('#PrintModeCB', { label: 'Join small pages' });
  await page.waitForFunction(() => !document.getElementById('PagPageSizeCB').disabled);
  await page.selectOption('#PagPageSizeCB', { label: 'A3' });
  const file = await printedPdf(context, page, files, 'join.pdf');
  const info = execFileSync('pdfinfo', [file], { encoding: 'utf8' });
  assert.match(info, /Pages:\s+2\n/);
  assert.match(info, /Page size:\s+1190\.5\d x 841\.8\d pts/);
  // Each sheet: the footer "Page N" of its first page on the left half, of its second on the right.
  const sheets = execFileSync('pdftotext', ['-bbox', file, '-'], { encoding: 'utf8' }).split('<page ').slice(1);
  assert.equal(sheets.length, 2);
  sheets.forEach((sheet, i) => {
    const words = [...sheet.matchAll(/<word xMin="([\d.]+)"[^>]*>([^<]*)<\/word>/g)].map((m) => [Number(m[1]), m[2]]);
    const footer = (n) => {
      const at = words.findIndex(([, w], k) => w === 'Page' && words[k + 1]?.[1] === String(n));
      assert.ok(at >= 0, `Page ${n} on sheet ${i + 1}`);
      return words[at][0];
    };
    assert.ok(footer(2 * i + 1) < 595, 'the first page on the left half');
    assert.ok(footer(2 * i + 2) >= 595, 'the second page on the right half');
  });
  await context.close();
});

test('export with a user password gives a PDF that opens only with it; PDF/A carries its metadata', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  const exportWith = async (setup) => {
    await page.click('#PdfB');
    await page.waitForSelector('#ExportPanel', { state: 'visible' });
    await setup();
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#ExportOKB')]);
    const file = join(dir, download.suggestedFilename().replace('.pdf', '') + Date.now() + '.pdf');
    await download.saveAs(file);
    return file;
  };
  const locked = await exportWith(async () => {
    await page.click('#SecurityPageB');
    await page.fill('#UserPassE', 'open sesame');
  });
  assert.notEqual(spawnSync('qpdf', ['--check', locked]).status, 0, 'no password, no document');
  assert.equal(spawnSync('qpdf', ['--password=open sesame', '--check', locked]).status, 0);

  const archive = await exportWith(async () => {
    await page.click('#SecurityPageB');
    await page.fill('#UserPassE', '');
    await page.click('#ExportPageB');
    await page.selectOption('#PDFStandardComboBox', { label: 'PDF/A-2b' });
    await page.waitForFunction(() => document.getElementById('EmbeddedCB').disabled);
  });
  const meta = execFileSync('pdfinfo', ['-meta', archive], { encoding: 'utf8' });
  assert.match(meta, /pdfaid:part[^0-9]*2/);
  await context.close();
});

test('a long report shows its progress while it prepares and Cancel stops it', async () => {
  const { context, page } = await openViewer();
  await upload(page, 'LongReport.xml', await fixture('LongReport.xml'));
  await page.waitForSelector('#ProgressPanel', { state: 'visible' });
  await page.waitForFunction(() => /Preparing page (\d{2,})/.test(document.getElementById('LMessage').textContent));
  await pagePicture(page);
  await page.click('#ProgressCancelB');
  await page.waitForSelector('#ProgressPanel', { state: 'detached' });
  const shown = await status(page);
  const m = /^Page 1 of (\d+)$/.exec(shown);
  assert.ok(m, shown);
  assert.ok(Number(m[1]) > 0 && Number(m[1]) < 3000, `stopped at ${m[1]} of 3000 pages`);
  await context.close();
});

test('a damaged upload gives one message and an empty viewer', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await upload(page, 'broken.rp3', Buffer.from('<?xml version="1.0"?><preparedreport><previewpages><page0'));
  await page.waitForSelector('#iwMessage', { state: 'visible' });
  assert.match(await page.textContent('.iwMessageText'), /^The file broken\.rp3 cannot be opened: /);
  await page.click('#iwMessage button');
  assert.equal(await page.$('#PageImage1'), null);
  assert.equal(await status(page), '');
  await context.close();
});

test('the toolbar shows our own pictures with the buttons\' hints', async () => {
  const { context, page } = await openViewer();
  for (const id of ['PrintB', 'OpenB', 'SaveB', 'FindB', 'ThumbB', 'FirstB', 'PriorB', 'NextB', 'LastB', 'ZoomPlusB']) {
    await page.waitForFunction((s) => { const i = document.querySelector(s); return i && i.complete && i.naturalWidth > 0; }, `#${id} > img`);
    const [title, alt, size] = await page.$eval(`#${id}`, (b) => [b.title, b.firstElementChild.alt, b.firstElementChild.naturalWidth]);
    assert.ok(title.length > 0, id);
    assert.equal(alt, title, id);
    assert.equal(size, 16, `${id}: the 16-pixel picture on a screen of one device pixel per pixel`);
  }
  // A screen with more device pixels takes the larger drawing.
  const sharp = await browser.newContext({ viewport: { width: 1280, height: 900 }, deviceScaleFactor: 2 });
  const page2 = await sharp.newPage();
  await page2.goto(server.url + 'viewer');
  await page2.waitForFunction(() => {
    const i = document.querySelector('#PrintB > img');
    return i && i.complete && i.currentSrc.endsWith(i.srcset.split(', ')[1].split(' ')[0]);
  });
  await sharp.close();
  await context.close();
});

test('a thumbnail click takes the viewer to its page', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  await page.click('#ThumbB');
  await page.waitForFunction(() => { const i = document.querySelector('#Thumbnails img[alt="Page 3"]'); return i && i.complete && i.naturalWidth > 0; });
  assert.equal(await page.isVisible('#OutlineTree'), false);
  await page.click('#Thumbnails img[alt="Page 3"]');
  await waitStatus(page, 'Page 3 of 4');
  await page.waitForSelector('#ThumbFrame', { state: 'visible' });
  await context.close();
});

test('a hint appears when the pointer rests on an object that has one', async () => {
  const { context, page } = await openViewer();
  await openShort(page);
  const picture = await pagePicture(page, 'Page 1');
  const box = await picture.boundingBox();
  const scale = await page.evaluate(() => { const i = document.getElementById('PageImage1'); return i.getBoundingClientRect().width / i.naturalWidth; });
  const zoom = await page.evaluate(() => document.getElementById('PageImage1').naturalWidth / Math.round(210 * 3.77953));
  const at = (x, y) => [box.x + (10 * 3.77953 + x) * zoom * scale, box.y + (10 * 3.77953 + y) * zoom * scale];
  await page.mouse.move(...at(50, 10));
  await page.waitForSelector('#iwHint', { state: 'visible' });
  assert.equal(await page.textContent('#iwHint'), 'Page title');
  assert.equal(await page.textContent('#MessageBar'), 'The title of the report');
  // Over the link: no hint of its own, its address in the message line and the hand.
  await page.mouse.move(...at(450, 10));
  await page.waitForSelector('#iwHint', { state: 'hidden' });
  assert.equal(await page.textContent('#MessageBar'), 'https://example.com/valves');
  assert.equal(await picture.evaluate((i) => i.style.cursor), 'pointer');
  await page.mouse.move(...at(450, 300));
  await page.waitForFunction(() => document.getElementById('MessageBar').textContent === '');
  await context.close();
});
