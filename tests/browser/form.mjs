// Shared by the browser tests that drive the sizing form as a user does.

// A new page (of a browser or a browser context) on the sizing form, at the given viewport.
export async function openForm(owner, url, width = 1280, height = 1050) {
  const page = await owner.newPage();
  await page.setViewportSize({ width, height });
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
