// Sizing files, user fluids and preferences as a user meets them: a downloaded sizing comes back
// from its file, and what is kept in the browser's cookies reaches the next session.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { idle, select, click, menu, type, value, selected, options, checked, shown, messages } from './form.mjs';

let server, browser, dir;
before(async () => {
  server = await startServer();
  browser = await launchBrowser();
  dir = mkdtempSync(join(tmpdir(), 'zentor-files-'));
});
after(async () => { await browser?.close(); await server?.stop(); });

// A new session of the browser context, on the sizing form.
const openForm = (context) => form.openForm(context, server.url);

// Text of an edit without a key handler: the page sends it with the next event.
async function fill(page, id, text) {
  await page.fill(`#${id}`, text);
}

const grid = (page) => page.$$eval('#ResultsGrid td', (cells) => cells.map((c) => c.textContent));

// What a user sees of a sizing.
async function sizing(page) {
  const out = {};
  for (const id of ['GateRB', 'GlobeRB', 'LowflowRB', 'CalcForCvButt', 'CalcForFlow', 'LinRB', 'EQRB', 'LinkDiamsCB'])
    out[id] = await checked(page, id);
  for (const id of ['ValveTypeCombo', 'SizeCombo', 'CvCombo', 'FluidStateCombo', 'FluidCombo', 'P1Combo',
    'TempUnitCombo', 'FlowCombo', 'SchedComboBox'])
    out[id] = await selected(page, id);
  for (const id of ['P1MinEdit', 'P1NormEdit', 'P2MinEdit', 'P2NormEdit', 'TempMinEdit', 'TempNormEdit',
    'FlowMinEdit', 'FlowNormEdit', 'SGminEdit', 'VPMinEdit', 'UpDiamEdit', 'DownDiamEdit', 'TagEdit',
    'NameEditBox', 'CustEditBox', 'LineEditBox'])
    out[id] = await value(page, id);
  out.grid = await grid(page);
  return out;
}

test('a downloaded sizing comes back from its file', async () => {
  const context = await browser.newContext({ acceptDownloads: true });
  const page = await openForm(context);
  await click(page, 'EQRB');
  await select(page, 'SizeCombo', '2.00 in');
  await select(page, 'P1Combo', 'bar');
  for (const [id, text] of [['P1MinEdit', '7'], ['P2MinEdit', '3'], ['TempMinEdit', '60'], ['FlowMinEdit', '40'],
    ['P1NormEdit', '7'], ['P2NormEdit', '2'], ['TempNormEdit', '60'], ['FlowNormEdit', '60']])
    await type(page, id, text);
  await fill(page, 'TagEdit', 'FV-7; "main" ~ 50% °C');
  await fill(page, 'CustEditBox', 'Müller & Söhne <b>');
  await click(page, 'CalcButton');
  await messages(page);
  const first = await sizing(page);
  assert.notEqual(first.grid[7], '', 'the sizing is calculated');

  // Download it under a name with characters no file name should carry.
  await menu(page, 'File1', 'SaveAsMenuItem');
  assert.equal(await shown(page, 'Filesaveregion'), true);
  assert.equal(await value(page, 'Filenameedit'), 'Filename');
  await page.fill('#Filenameedit', 'gate/"one"');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#FileSaveButton')]);
  await idle(page);
  assert.equal(download.suggestedFilename(), 'gateone.kvs');
  assert.equal(await shown(page, 'Filesaveregion'), false);
  const file = join(dir, 'one.kvs');
  await download.saveAs(file);
  const bytes = readFileSync(file);
  const text = bytes.toString('latin1');
  assert.equal(text.split(';').length, 34);
  assert.equal(text.split(';')[32], 'Gauge', 'the pressure mode');
  assert.ok(!text.endsWith('\n'), 'no line end');
  assert.ok(text.includes('FV-7%3B "main" %7E 50%25 \xB0C'), 'free text escaped, ° as one byte: ' + text);

  // Change the form, then load the file with the load button.
  await click(page, 'GlobeRB');
  await select(page, 'FluidStateCombo', 'Gas');
  await type(page, 'P1MinEdit', '9');
  await fill(page, 'TagEdit', 'other');
  await click(page, 'CalcButton');
  await messages(page);
  assert.notDeepEqual(await sizing(page), first);
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#LoadBtn')]);
  await chooser.setFiles(file);
  await idle(page);
  assert.deepEqual(await messages(page), []);
  assert.deepEqual(await sizing(page), first);

  // A bad file: one clear message, and the form stays as it is.
  await click(page, 'GlobeRB');
  await messages(page);
  const before = await sizing(page);
  const bad = join(dir, 'bad.kvs');
  writeFileSync(bad, text.replace(';7;', ';7 bar;'));
  await menu(page, 'File1', 'LoadSizingMenuItem');
  assert.equal(await shown(page, 'LoadFileRegion'), true);
  await page.setInputFiles('#Loadfileedit', bad);
  await idle(page);
  const m = await messages(page);
  assert.equal(m.length, 1);
  assert.match(m[0], /^The file "bad\.kvs" cannot be loaded: the inlet pressure P1 \(Min\) "7 bar" is not a number\./);
  assert.deepEqual(await sizing(page), before);

  // The same file through the panel restores the first sizing in a new session too.
  const again = await openForm(context);
  await menu(again, 'File1', 'LoadSizingMenuItem');
  await again.setInputFiles('#Loadfileedit', file);
  await idle(again);
  assert.deepEqual(await messages(again), []);
  assert.equal(await shown(again, 'LoadFileRegion'), false);
  assert.deepEqual(await sizing(again), first);
  await context.close();
});

test('a saved user fluid is there in the next session', async () => {
  const context = await browser.newContext();
  const page = await openForm(context);
  const name = 'Brine <img src=x onerror="window.hit=1"> & "co"';
  await select(page, 'FluidCombo', 'Unlisted Liquid');
  assert.equal(await shown(page, 'UFRectangle'), true);
  await fill(page, 'UFNameEdit', name);
  await type(page, 'SGminEdit', '1.2');
  await type(page, 'ViscMinEdit', '1.8');
  await type(page, 'VPMinEdit', '0.4');
  await type(page, 'CPMinEdit', '300');
  await click(page, 'UFSaveButt');
  assert.deepEqual(await messages(page), []);
  assert.equal(await selected(page, 'FluidCombo'), name);
  const saved = (await context.cookies()).filter((c) => c.name.startsWith('UserFluid'));
  assert.equal(saved.length, 1);
  assert.equal(saved[0].name, 'UserFluid1');
  assert.equal(saved[0].path, '/');
  // Asked for five years; Chromium keeps a cookie for at most 400 days.
  assert.ok(saved[0].expires * 1000 > Date.now() + 390 * 86400e3, 'kept for long');

  // The same name again is refused, and the message shows the name as text.
  await select(page, 'FluidCombo', 'Unlisted Liquid');
  await fill(page, 'UFNameEdit', name.toUpperCase());
  await click(page, 'UFSaveButt');
  const m = await messages(page);
  assert.equal(m.length, 1);
  assert.ok(m[0].startsWith(name.toUpperCase() + ' duplicates a liquid'), m[0]);
  assert.equal((await context.cookies()).filter((c) => c.name.startsWith('UserFluid')).length, 1);

  // A new session finds it once the user fluids are loaded, and only once however often.
  const next = await openForm(context);
  assert.ok(!(await options(next, 'FluidCombo')).includes(name));
  await menu(next, 'File1', 'LoadUserfluids1');
  await menu(next, 'File1', 'LoadUserfluids1');
  assert.deepEqual(await messages(next), []);
  const listed = await options(next, 'FluidCombo');
  assert.equal(listed.filter((o) => o === name).length, 1);
  await select(next, 'FluidCombo', name);
  assert.equal(await value(next, 'SGminEdit'), '');
  await type(next, 'P1MinEdit', '50');
  assert.equal(await value(next, 'SGminEdit'), '1.2');
  assert.equal(await value(next, 'CPMinEdit'), '300');  // a whole number without a trailing point
  assert.equal(await next.evaluate(() => window.hit), undefined, 'the name never ran as markup');
  await context.close();
});

test('preferences and the preset apply in the next session', async () => {
  const context = await browser.newContext();
  const page = await openForm(context);
  await click(page, 'GlobeRB');
  await select(page, 'FluidStateCombo', 'Gas');
  await select(page, 'FluidCombo', 'Nitrogen');
  await type(page, 'P1MinEdit', '100');
  await type(page, 'P2MinEdit', '40');
  await type(page, 'FlowMinEdit', '5000');
  await fill(page, 'TagEdit', 'PV-9; "preset"?');
  await click(page, 'CalcButton');
  await messages(page);
  const preset = await sizing(page);

  await click(page, 'Preferences1');
  await page.waitForSelector('#iwForm[data-form="PrefForm"]');
  assert.equal(await checked(page, 'LoadPresetCB'), true);
  assert.match(await value(page, 'RepDateEdit'), /^\d\d\/\d\d\/\d\d$/);
  await page.fill('#NameEdit', 'Jo + Ann; "QA"? °');
  await page.fill('#CompanyEdit', 'Ölwerk ~ 100%');
  await page.uncheck('#EmailApplyCheck');
  await idle(page);
  await click(page, 'AutoloadSizingButton');
  await page.waitForSelector('#iwForm[data-form="Globemain"]');
  const pref = (await context.cookies()).find((c) => c.name === 'UserPreference');
  assert.ok(pref, 'the preference cookie is kept');
  assert.equal(pref.path, '/');
  assert.ok(pref.value.startsWith('%3B'));
  assert.ok(!pref.value.includes('?'));

  const next = await openForm(context);
  // Loading user fluids at start was ticked, and there are none.
  assert.deepEqual(await messages(next),
    ['You have no saved fluids or cookies are not enabled or working on this computer.']);
  assert.deepEqual(await sizing(next), preset, 'the preset sizing is on the form');
  await click(next, 'Preferences1');
  await next.waitForSelector('#iwForm[data-form="PrefForm"]');
  assert.equal(await value(next, 'NameEdit'), 'Jo + Ann; "QA"? °');
  assert.equal(await value(next, 'CompanyEdit'), 'Ölwerk ~ 100%');
  assert.equal(await checked(next, 'EmailApplyCheck'), false);
  assert.equal(await checked(next, 'NameApplyCheck'), true);
  await click(next, 'IWButton3');
  assert.equal(await next.getAttribute('#iwForm', 'data-form'), 'Globemain');
  await context.close();
});
