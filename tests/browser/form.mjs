// Shared by the browser tests that drive the sizing form as a user does.

// A new page (of a browser or a browser context) on the sizing form, at the given viewport;
// `init` runs in the page before its own script (to record what the page does).
export async function openForm(owner, url, width = 1280, height = 1050, { init } = {}) {
  const page = await owner.newPage();
  await page.setViewportSize({ width, height });
  if (init) await page.addInitScript(init);
  await page.goto(url);
  await page.click('#VXimage');
  await page.waitForSelector('#iwForm[data-form="Globemain"]');
  await idle(page);
  return page;
}

// Waits until every event the page has queued has been answered.
export async function idle(page) {
  for (let i = 0; i < 2; i++) {
    await page.waitForTimeout(60);
    await page.waitForFunction(() => !document.documentElement.classList.contains('iwBusy'));
  }
}

export async function select(page, id, label) {
  await page.selectOption(`#${id}`, { label });
  await idle(page);
}

export async function click(page, id) {
  await page.click(`#${id}`);
  await idle(page);
}

export async function menu(page, top, item) {
  await page.hover(`#${top}`);
  await page.click(`#${item}`);
  await idle(page);
}

// Types as a user does, one key at a time (each key goes through the key filter).
export async function type(page, id, text, delay = 10) {
  await page.click(`#${id}`);
  await page.fill(`#${id}`, '');
  await page.type(`#${id}`, text, { delay });
  await idle(page);
}

export const value = (page, id) => page.$eval(`#${id}`, (e) => e.value);
export const selected = (page, id) =>
  page.$eval(`#${id}`, (s) => (s.selectedIndex < 0 ? '' : s.options[s.selectedIndex].text));
export const options = (page, id) => page.$$eval(`#${id} option`, (all) => all.map((o) => o.text));
export const checked = (page, id) => page.$eval(`#${id}`, (e) => e.checked);
export const shown = (page, id) => page.$eval(`#${id}`, (e) => e.getClientRects().length > 0);

// The messages shown, in order, each confirmed with OK.
export async function messages(page) {
  const out = [];
  while (await page.$eval('#iwMessage', (b) => b.style.display === 'block').catch(() => false)) {
    out.push(await page.$eval('#iwMessage .iwMessageText', (t) => t.textContent));
    await page.click('#iwMessage button');
  }
  return out;
}

// The steps of the results grid's cases (grid_expectations.json), each followed by one short
// wait for the page's answer: the cases type many values, and a case must stay quick.

// Waits until the page has sent every event and put the last answer in place.
export async function settle(page) {
  await page.waitForTimeout(20);
  await page.waitForFunction(() => !document.documentElement.classList.contains('iwBusy'));
}

export async function choose(page, id, label) {
  await page.selectOption(`#${id}`, { label });
  await settle(page);
}

export async function typeInto(page, id, text) {
  await page.locator(`#${id}`).pressSequentially(text);
  await settle(page);
}

// Replaces an edit's text and lets the page report the change.
export async function replaceText(page, id, text) {
  await page.fill(`#${id}`, text);
  await page.locator(`#${id}`).blur();
  await settle(page);
}

export const conditionNames = ['Min', 'Norm', 'Max'];
const styleRadio = { Gate: 'GateRB', Globe: 'GlobeRB', LowFlow: 'LowflowRB' };

// Types one case's input into the form the way a user would, then presses Calculate; the
// messages shown while typing and those Calculate showed.
export async function enterCase(page, c, { beforeCalculate } = {}) {
  await page.click(`#${styleRadio[c.style]}`);
  await settle(page);
  if (c.style !== 'LowFlow') {
    await choose(page, 'SizeCombo', `${c.size.toFixed(2)} in`);
    await choose(page, 'CvCombo', c.cv);
    if (c.pipes[0] !== c.size || c.pipes[1] !== c.size) {
      await page.uncheck('#LinkDiamsCB');
      await settle(page);
      await replaceText(page, 'UpDiamEdit', `${c.pipes[0].toFixed(2)} in`);
      await replaceText(page, 'DownDiamEdit', `${c.pipes[1].toFixed(2)} in`);
    }
    if (c.mode === 'Flow') {
      await page.click('#CalcForFlow');
      await settle(page);
    }
  }
  await choose(page, 'FluidStateCombo', c.state);
  await choose(page, 'FluidCombo', c.fluid);
  if (c.punit) await choose(page, 'P1Combo', c.punit);
  if (c.funit) await choose(page, 'FlowCombo', c.funit);
  if (c.gauge === false) {
    await page.click('#AbsRadButt');
    await settle(page);
  }
  for (const [i, x] of c.conditions.entries()) {
    if (!x.P1) continue;
    const n = conditionNames[i];
    if (x.T) await typeInto(page, `Temp${n}Edit`, x.T);
    await typeInto(page, `P1${n}Edit`, x.P1);
    await typeInto(page, `P2${n}Edit`, x.P2);
    await typeInto(page, `Flow${n}Edit`, x.Q);
  }
  if (beforeCalculate) await beforeCalculate(page);
  const typing = await messages(page);
  await page.click('#CalcButton');
  await settle(page);
  return { typing, calculate: await messages(page) };
}

// The results grid: each row's cells, with their text and whether they are marked yellow.
export async function readGrid(page) {
  return page.$$eval('#ResultsGrid tr', (rows) => rows.map((r) => [...r.cells].map((td) => ({
    text: td.textContent,
    yellow: getComputedStyle(td).backgroundColor === 'rgb(255, 255, 0)',
  }))));
}
