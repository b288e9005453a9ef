// The results grid as a user gets it: each case types its valve, fluid, units and service
// conditions into the sizing form, presses Calculate and compares every cell of the grid and the
// notes below it with the values grid_reference.py worked out from the sizing equations.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { startServer, launchBrowser } from './lib.mjs';
import * as form from './form.mjs';
import { enterCase, readGrid, replaceText } from './form.mjs';

const expected = JSON.parse(readFileSync(new URL('./grid_expectations.json', import.meta.url), 'utf8'));

let server, browser;
before(async () => { server = await startServer(); browser = await launchBrowser(); });
after(async () => { await browser?.close(); await server?.stop(); });

const openForm = () => form.openForm(browser, server.url, 1300, 1100);

async function readNotes(page) {
  return page.$eval('#Memo1', (m) => (getComputedStyle(m).display === 'none' ? [] : m.value.split(/\r?\n/)));
}

// Every cell of the grid against the expectation; cells the expectation leaves out are empty.
function assertGrid(grid, exp, label) {
  assert.equal(grid.length, exp.rows, `${label}: row count`);
  for (let r = 0; r < exp.rows; r++) {
    for (let c = 0; c < 5; c++) {
      const key = `${r},${c}`;
      const want = exp.cells[key] ?? '';
      assert.equal(grid[r][c].text, want, `${label}: cell row ${r} column ${c}`);
      if (r > 0 && c > 1) assert.equal(grid[r][c].yellow, exp.yellow.includes(key), `${label}: colour of row ${r} column ${c}`);
    }
  }
}

function assertNotes(notes, exp, label) {
  // An empty line of the memo stands between two notes.
  assert.deepEqual(notes.filter((l) => l !== ''), exp.notes.filter((l) => l !== ''), `${label}: notes`);
}

function caseTest(title, name) {
  test(title, async () => {
    const exp = expected[name];
    const page = await openForm();
    const { calculate } = await enterCase(page, structuredClone(exp.input));
    assert.deepEqual(calculate, [], `${name}: no message on Calculate`);
    assertGrid(await readGrid(page), exp, name);
    assertNotes(await readNotes(page), exp, name);
    await page.close();
  });
}

caseTest('water on a sliding gate, Cv mode: all ten rows, Operational Fʟ and noise of the slotted trim', 'gate-water-cv');
caseTest('water in m³/h on a large gate: the trim noise is worked out from the flow in gpm', 'gate-water-m3h-noise');
caseTest('water on a globe valve in flow mode, the Max condition flashing', 'globe-water-flow');
caseTest('water in bar and m³/h with reducers, the Max condition cavitating', 'globe-water-bar-m3h');
caseTest('air on a sliding gate, Cv mode, choked at Max with the sonic note', 'gate-air-cv');
caseTest('air on a globe valve in flow mode, Min left empty', 'globe-air-flow');
caseTest('actual gas flow with absolute pressures', 'gate-air-actual-abs');
caseTest('saturated steam on a globe valve, Cv mode, without temperatures', 'globe-steam-cv');
caseTest('saturated steam in kg/h on a sliding gate in flow mode', 'gate-steam-flow-kg');
caseTest('low-flow water selects trims and marks the conditions out of range', 'lowflow-water-cv');
caseTest('a low-flow condition too large for any trim shows "Not Low Flow"', 'lowflow-not-low-flow');

test('a condition that cannot be calculated shows NA and an alert; the others are calculated', async () => {
  const exp = expected['gate-water-cv'];
  const page = await openForm();
  // A specific gravity of 0 makes the Min calculation impossible.
  const { calculate } = await enterCase(page, structuredClone(exp.input), {
    beforeCalculate: async (p) => replaceText(p, 'SGminEdit', '0'),
  });
  assert.equal(calculate.length, 1, `one message: ${JSON.stringify(calculate)}`);
  assert.match(calculate[0], /^The Min condition could not be calculated:/);
  assert.match(calculate[0], /specific gravity/i);
  const grid = await readGrid(page);
  assert.equal(grid.length, exp.rows);
  for (let r = 1; r < exp.rows; r++) {
    assert.equal(grid[r][2].text, 'NA', `Min cell of row ${r}`);
    for (const c of [3, 4]) assert.equal(grid[r][c].text, exp.cells[`${r},${c}`] ?? '', `row ${r} column ${c}`);
  }
  const all = grid.flat().map((c) => c.text).join(' ');
  assert.doesNotMatch(all, /nan|inf/i);
  await page.close();
});
