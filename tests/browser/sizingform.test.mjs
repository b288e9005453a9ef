// The sizing form as a user drives it: defaults, valve lists, fluids and units, the key filter,
// Calculate's messages and the place of the notes memo.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { idle, select, click, value, selected, options, checked, shown, messages } from './form.mjs';

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

const openForm = () => form.openForm(browser, server.url);
// Slower keys than elsewhere: every key goes through the key filter under test.
const type = (page, id, text) => form.type(page, id, text, 20);


test('the form opens on the sliding gate in Cv mode with gauge psi and the first of every list', async () => {
  const page = await openForm();
  assert.equal(await checked(page, 'GateRB'), true);
  assert.equal(await checked(page, 'CalcForCvButt'), true);
  assert.equal(await checked(page, 'GageRadButt'), true);
  assert.equal(await selected(page, 'P1Combo'), 'psi');
  assert.equal(await selected(page, 'FluidStateCombo'), 'Liquid');
  assert.equal(await selected(page, 'FluidCombo'), 'Water');
  assert.equal(await selected(page, 'FlowCombo'), 'Gallons per Minute');
  assert.equal(await selected(page, 'TempUnitCombo'), '°F');
  assert.deepEqual(await options(page, 'ValveTypeCombo'), ['Sliding Gate']);
  assert.equal(await selected(page, 'SizeCombo'), '0.25 in');
  assert.equal(await page.$eval('#FLLabel', (l) => l.textContent), 'List Fʟ');
  assert.equal(await page.$eval('#FLEdit', (e) => e.disabled), true);
  assert.equal(await shown(page, 'InfoButton'), false);
  assert.equal(await shown(page, 'Memo1'), false);
  assert.equal(await page.$eval('#CalcButton', (b) => b.textContent + '|' + b.title), 'Calculate|Calculate / Recalculate');
  // The inputs keep the middle of the window and never move left of it.
  assert.equal(await page.$eval('#DataRegion1', (r) => r.getBoundingClientRect().left), (1280 - 1000) / 2);
  await page.setViewportSize({ width: 900, height: 900 });
  assert.equal(await page.$eval('#DataRegion1', (r) => r.getBoundingClientRect().left), 0);
  await page.close();
});

test('style, type, size and Cv lists follow each other', async () => {
  const page = await openForm();
  await click(page, 'PLGlobeRB');
  assert.deepEqual(await options(page, 'ValveTypeCombo'),
    ['Globe', 'Plug & Cage Trim', 'SERIES F', 'SERIES G/H', 'TQAC', 'TQBC', 'TQCV', 'TQACPM', 'TQBCPM']);
  assert.equal(await shown(page, 'InfoButton'), true);
  assert.equal(await page.$eval('#FLLabel', (l) => l.textContent), 'Design Cv');
  await select(page, 'ValveTypeCombo', 'SERIES G/H');
  assert.deepEqual(await options(page, 'SizeCombo'), ['0.50 in', '0.75 in', '1.00 in', '1.50 in', '2.00 in', '3.00 in']);
  await select(page, 'SizeCombo', '3.00 in');
  assert.deepEqual(await options(page, 'CvCombo'), ['12', '20', '28 (Series H only)']);
  assert.equal(await value(page, 'UpDiamEdit'), '3.00 in', 'linked pipe sizes follow the valve size');
  assert.equal(await value(page, 'DownDiamEdit'), '3.00 in');

  // The guidelines open over the form and close again.
  await click(page, 'InfoButton');
  assert.equal(await shown(page, 'IWFrameRegion'), true);
  await page.click('#IWFrameRegion #IWButton1');
  await idle(page);
  assert.equal(await shown(page, 'IWFrameRegion'), false);

  await click(page, 'GateRB');
  assert.deepEqual(await options(page, 'ValveTypeCombo'), ['Sliding Gate']);
  assert.equal(await page.$eval('#FLLabel', (l) => l.textContent), 'List Fʟ');
  assert.equal(await shown(page, 'InfoButton'), false);
  const gateSizes = await options(page, 'SizeCombo');
  assert.equal(gateSizes[0], '0.25 in');
  assert.equal(gateSizes.at(-1), '8.00 in');

  await click(page, 'LowflowRB');
  assert.equal(await shown(page, 'SizeCombo'), false);
  assert.equal(await shown(page, 'CvCombo'), false, 'Cv mode hides the Cv list of a low-flow valve');
  await click(page, 'CalcForFlow');
  assert.equal(await shown(page, 'CvCombo'), true);
  const lowFlowCvs = await options(page, 'CvCombo');
  assert.equal(lowFlowCvs.length, 14);
  assert.equal(lowFlowCvs[0], '0.00001');
  assert.equal(await page.$eval('#FlowNormEdit', (e) => e.disabled), true);
  await page.close();
});

test('choosing a fluid fills the property edits', async () => {
  const page = await openForm();
  await type(page, 'P1MinEdit', '10');
  await type(page, 'TempMinEdit', '60');
  await select(page, 'P1Combo', 'bar');
  assert.equal(await page.$eval('#P2PressureLabel', (l) => l.textContent), 'bar');
  await select(page, 'FluidCombo', 'Acetone');
  await select(page, 'FluidCombo', 'Water');
  assert.equal(await value(page, 'VPMinEdit'), '0.01793');
  assert.equal(await value(page, 'CPMinEdit'), '221.10345');
  assert.equal(await value(page, 'SGminEdit'), '1');

  await select(page, 'FluidStateCombo', 'Gas');
  assert.equal(await selected(page, 'FluidCombo'), 'Air');
  assert.equal(await page.$eval('#VPorSpecheatLabel', (l) => l.textContent), 'Specific Heat');
  assert.equal(await page.$eval('#CPorCompressLabel', (l) => l.textContent), 'Compressibility');
  assert.equal(await value(page, 'VPMinEdit'), '1.4');
  assert.equal(await value(page, 'CPMinEdit'), '1');
  assert.equal(await selected(page, 'FlowCombo'), 'Std cubic feet per hr');

  await select(page, 'FluidStateCombo', 'Steam');
  await select(page, 'P1Combo', 'psi');
  await type(page, 'P1MinEdit', '0');
  assert.equal(await value(page, 'TempMinEdit'), '212.0', 'saturation temperature at 0 psig');
  assert.equal(await page.$eval('#TempMinEdit', (e) => e.disabled), true);
  assert.equal(await shown(page, 'SGminEdit'), false);
  await page.close();
});

test('the key filter keeps only a number and Calculate names an entry it cannot read', async () => {
  const page = await openForm();
  await type(page, 'P1MinEdit', '12a');
  assert.equal(await value(page, 'P1MinEdit'), '12');
  await type(page, 'P1MinEdit', '1*5');
  assert.equal(await value(page, 'P1MinEdit'), '15');

  await type(page, 'TempMinEdit', '60');
  await type(page, 'P2MinEdit', '5');
  await type(page, 'FlowMinEdit', '10');
  await type(page, 'P1NormEdit', '1.2.3');
  await type(page, 'TempNormEdit', '60');
  await type(page, 'P2NormEdit', '5');
  await type(page, 'FlowNormEdit', '10');
  assert.deepEqual(await messages(page), [], 'no message while typing');
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page),
    ['Inlet pressure P1 (Norm): "1.2.3" is not a number.\r\nThe Norm condition was not calculated.']);
  await page.close();
});

test('pressure and superheat messages appear with their texts', async () => {
  const page = await openForm();
  // The inlet pressure is typed (the fluid's properties follow it); the rest is pasted.
  await type(page, 'P1NormEdit', '100');
  await page.fill('#P2NormEdit', '100');
  await page.fill('#TempNormEdit', '60');
  await page.fill('#FlowNormEdit', '10');
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page), [
    'Outlet Pressure must be less than Input Pressure\r\nOutlet Pressure has been temporarily adjusted\r\nPlease re-enter']);
  assert.equal(await value(page, 'P2NormEdit'), '99');

  // Every change recalculates: the Norm condition is left incomplete until it is all entered.
  await page.fill('#P2NormEdit', '');
  await page.fill('#FlowNormEdit', '');
  await select(page, 'FluidStateCombo', 'Steam');
  await messages(page);
  await select(page, 'FluidCombo', 'Superheated Steam');
  await messages(page);
  await type(page, 'P1NormEdit', '85.3');
  await page.fill('#P2NormEdit', '50');
  await page.fill('#FlowNormEdit', '500');
  await page.fill('#TempNormEdit', '300');
  await messages(page);
  await page.focus('#FlowNormEdit');
  await page.keyboard.press('Enter');
  await idle(page);
  assert.deepEqual(await messages(page), [
    'The entered temperature is below the superheated steam threshold. Please increase the temperature above the ' +
    'superheated steam threshold value displayed in the "Norm" column']);
  assert.equal(await value(page, 'TempNormEdit'), '328');

  await select(page, 'FluidCombo', 'Saturated Steam');
  await messages(page);
  await select(page, 'P1Combo', 'bar');
  await messages(page);
  await page.fill('#P1NormEdit', '227.586');
  await messages(page);
  await click(page, 'CalcButton');
  assert.deepEqual(await messages(page), ['Program limitation is 221 bar for Steam Sizing\r\nPlease re-enter']);
  assert.equal(await value(page, 'P1NormEdit'), '220.21');
  await page.close();
});

test('the notes memo sits under the grid for 10, 9 and 6 rows', async () => {
  const page = await openForm();
  await type(page, 'P1NormEdit', '100');
  await type(page, 'P2NormEdit', '50');
  await type(page, 'TempNormEdit', '60');
  await type(page, 'FlowNormEdit', '10');
  for (const [radio, rows, top, height] of [['GlobeRB', 9, 768, 151], ['LowflowRB', 6, 699, 220], ['GateRB', 10, 791, 128]]) {
    await click(page, radio);
    await click(page, 'CalcButton');
    assert.equal(await page.$$eval('#ResultsGrid tr', (r) => r.length), rows, radio);
    const memo = await page.$eval('#Memo1', (m) => [parseInt(m.style.top, 10), parseInt(m.style.height, 10)]);
    assert.deepEqual(memo, [top, height], radio);
    // The memo's top edge lies below the grid's bottom edge.
    const gridBottom = await page.$eval('#ResultsGrid', (g) => g.offsetTop + g.offsetHeight);
    assert.ok(gridBottom <= top, `${radio}: grid ends at ${gridBottom}`);
  }
  await page.close();
});
