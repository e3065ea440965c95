// SPDX-License-Identifier: BSD-3-Clause
// The page opened from disk in headless chromium: the README's example entered through the form gives
// the command-line tool's report byte for byte, a work file chosen in the file input is loaded and run,
// a 2D sweep draws its 41 points, a floating-point fault shows "ERROR" instead of a result, and the exact
// refinement, a recipe and an uncertainty entered through their forms give the tool's output. Every
// case also checks that the page asked the network for nothing and raised no script error.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { test } from 'node:test';
import { openBrowser, openPage } from './browser.mjs';

const cli = process.env.DEDODIZ_CLI || 'build/app/cli/dedodiz32-cli';

// What dedodiz32-cli prints (run from the source folder, as ctest does).
function cliOutput(...args) {
  return execFileSync(cli, args, { encoding: 'utf8' });
}

// A case: a fresh browser and page; the page's problems must stay none.
async function withPage(body) {
  const { browser, close } = await openBrowser();
  try {
    const { page, problems } = await openPage(browser);
    await body(page);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
}

// Replaces the text of a field as a user does: select all of it, delete, type (a triple click selects
// all in chromium only).
async function type(page, selector, text) {
  await page.click(selector);
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  if (text) await page.type(selector, text);
}

// The page's JSON document equals the tool's: the same keys, texts and flags, and the same numbers but
// for the last bit that WebAssembly's mathematical functions may round differently from the C library's.
function assertSameDocument(actual, expected, path = '') {
  if (typeof expected === 'number' && typeof actual === 'number') {
    assert.ok(Math.abs(actual - expected) <= 1e-14 * Math.max(Math.abs(actual), Math.abs(expected)), `${path}: ${actual} != ${expected}`);
  } else if (expected && typeof expected === 'object') {
    assert.deepEqual(Object.keys(actual), Object.keys(expected), path);
    for (const key of Object.keys(expected)) assertSameDocument(actual[key], expected[key], `${path}/${key}`);
  } else {
    assert.equal(actual, expected, path);
  }
}

const reportOf = (page, selector) => page.$eval(selector, (e) => (e.textContent ? e.textContent + '\n' : ''));

test('report: the README example entered through the form gives the report of dedodiz32-cli run', async () => {
  await withPage(async (page) => {
    // Everything typed as a user would, in other units and with a decimal comma where it reads the same.
    await page.click('#type-total');
    await page.click('#type-free');
    await type(page, '#temperature', '20');
    await type(page, '#ph', '7,2');
    await type(page, '#ionic', '0.1');
    for (let i = 1; i <= 6; i++) {
      await page.select(`#chelator-${i}`, '');
      await page.select(`#metal-${i}`, '');
    }
    await page.select('#chelator-1', 'EGTA');
    await type(page, '#chelator-1-total', '2');
    await page.select('#chelator-1-total-unit', 'mM');
    await page.select('#metal-1', 'Ca2');
    await type(page, '#metal-1-total', '1000 uM');
    await page.select('#metal-2', 'Mg2');
    await type(page, '#metal-2-total', '0,001');
    await page.select('#metal-2-total-unit', 'M');
    await page.keyboard.press('Enter');  // submits the form from the field
    await page.waitForFunction(() => document.querySelector('#report').textContent !== '');
    const expected = cliOutput('run', 'examples/ca-egta-free.STG');
    assert.equal(await reportOf(page, '#report'), expected);
    // The readable table shows the same free calcium, and the downloads are offered.
    const free = await page.$$eval('#results table.results', (t) => t[0].rows[1].cells[2].textContent);
    assert.equal(free, '155 nM');  // three digits in the unit that keeps them between 1 and 999
    assert.equal(await page.$eval('#panel-solution button[type=button]', (b) => b.disabled), false);
  });
});

test('workfile: a work file chosen in the file input is loaded and run', async () => {
  await withPage(async (page) => {
    await page.click('#tab-files');
    const input = await page.$('#file-input');
    await input.uploadFile('examples/bapta-37c-total.STG');
    await page.waitForFunction(() => document.querySelector('#loaded-files li'));
    // The page goes to the solution, filled from the file, with the run's report.
    assert.equal(await page.$eval('#tab-solution', (t) => t.getAttribute('aria-selected')), 'true');
    assert.equal(await page.$eval('#temperature', (e) => e.value), '37');
    assert.equal(await page.$eval('#type-total', (e) => e.checked), true);
    assert.equal(await reportOf(page, '#report'), cliOutput('run', 'examples/bapta-37c-total.STG'));
    // Run again from the form it filled: the same report.
    await page.click('#calculate');
    assert.equal(await reportOf(page, '#report'), cliOutput('run', 'examples/bapta-37c-total.STG'));
  });
});

test('sweep: a 2D sweep over pH draws 41 points per series and prints the table of dedodiz32-cli sweep', async () => {
  await withPage(async (page) => {
    await page.click('#tab-sweep');
    await page.select('#sweep-x-variable', 'ph');
    await type(page, '#sweep-x-low', '6');
    await type(page, '#sweep-x-high', '8');
    await page.click('#run-sweep');
    await page.waitForSelector('#sweep-chart svg');
    const points = await page.$$eval('#sweep-chart .line', (lines) => lines.map((l) => l.querySelectorAll('.point').length));
    assert.deepEqual(points, [41, 41]);  // free Ca2 and free Mg2
    assert.equal(await reportOf(page, '#sweep-table'), cliOutput('sweep', 'examples/ca-egta-free.STG', '--x', 'ph:6:8'));
    // Pointing at the chart, or the keys once it has the focus, show the values of the nearest point.
    const tip = () => page.$eval('#sweep-chart .chart-tip', (t) => t.textContent);
    const box = await page.$eval('#sweep-chart svg', (s) => { const r = s.getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; });
    await page.mouse.move(box.x + box.w / 2, box.y + box.h / 2);
    assert.match(await tip(), /^pH: [67]\.\d+\nFree Ca2 \(M\): \d+(\.\d+)? [nµ]M\nFree Mg2 \(M\): /);
    await page.focus('#run-sweep');
    await page.keyboard.press('Tab');  // the chart is the next stop of the keyboard
    assert.equal(await page.evaluate(() => document.activeElement.closest('#sweep-chart') !== null), true);
    await page.keyboard.press('End');
    assert.match(await tip(), /^pH: 8\nFree Ca2 \(M\): 5\.93 nM\n/);  // checked: the exact 5.93, not the iteration's 5.94
  });
});

test('fault: ionic strength 0 gives the ERROR message of dedodiz32-cli, and no result', async () => {
  await withPage(async (page) => {
    await page.click('#calculate');  // a result first, which the failed run must take away
    await page.waitForFunction(() => document.querySelector('#report').textContent !== '');
    await type(page, '#ionic', '0');
    await page.click('#calculate');
    const shown = await page.$$eval('#run-messages li', (items) => items.map((li) => li.textContent));
    const cliRun = spawnSync(cli, ['run', '--constants', 'data/standard.TCM', '--type', 'free', '--ph', '7.2',
      '--ionic', '0', '--chelator', 'EGTA=2e-3', '--metal', 'Ca2=1e-3', '--metal', 'Mg2=1e-3'], { encoding: 'utf8' });
    assert.equal(cliRun.status, 1);
    assert.match(cliRun.stderr, /^ERROR: FLOATING POINT ERROR/);
    assert.deepEqual(shown.map((s) => s.replace(/\n/g, ' ') + '\n'), [cliRun.stderr]);
    assert.equal(await page.$eval('#report', (e) => e.textContent), '');
    assert.equal(await page.$eval('#results', (e) => e.children.length), 0);
  });
});

test('refine: the README example with exact precision chosen gives the report and JSON of dedodiz32-cli run --refine', async () => {
  await withPage(async (page) => {
    await page.select('#precision', 'exact');
    await page.click('#calculate');
    await page.waitForFunction(() => document.querySelector('#report').textContent !== '');
    assert.equal(await reportOf(page, '#report'), cliOutput('run', 'examples/ca-egta-free.STG', '--refine'));
    // The downloads carry "refined" and the residual as the tool's do.
    const reply = await page.evaluate(() => Dedodiz.solution.run());
    const json = JSON.parse(reply.json);
    assert.equal(json.refined, true);
    assertSameDocument(json, JSON.parse(cliOutput('run', 'examples/ca-egta-free.STG', '--refine', '--format', 'json')));
    const [head, row] = reply.csv.split('\n');
    const [cliHead, cliRow] = cliOutput('run', 'examples/ca-egta-free.STG', '--refine', '--format', 'csv').split('\n');
    assert.equal(head, cliHead);
    assertSameDocument(row.split(',').map((c) => (Number.isNaN(Number(c)) ? c : Number(c))),
      cliRow.split(',').map((c) => (Number.isNaN(Number(c)) ? c : Number(c))));
    // A work file loaded while exact is chosen is run refined too.
    await page.click('#tab-files');
    await (await page.$('#file-input')).uploadFile('examples/bapta-37c-total.STG');
    await page.waitForFunction(() => document.querySelector('#loaded-files li'));
    assert.equal(await reportOf(page, '#report'), cliOutput('run', 'examples/bapta-37c-total.STG', '--refine'));
  });
});

test('recipe: stocks, purity, pH buffer, top-up and a pCa list through the form give dedodiz32-cli recipe', async () => {
  await withPage(async (page) => {
    await page.click('#tab-recipe');
    await type(page, '#recipe-volume', '10');  // mL beside it
    await type(page, '#recipe-stock-1', '100');  // EGTA, mM beside it
    await type(page, '#recipe-purity-1', '97 %');
    await type(page, '#recipe-stock-2', '0,1 mol/L');  // Ca2, the unit typed as a lab writes it
    await type(page, '#recipe-stock-3', '1');
    await page.select('#recipe-stock-3-unit', 'M');
    await page.select('#recipe-buffer', 'HEPES');
    await type(page, '#recipe-buffer-conc', '20');
    await type(page, '#recipe-buffer-stock', '1');  // M beside it; KCl 3 M is the top-up
    await page.select('#recipe-series-metal', 'Ca2');
    await page.select('#recipe-series-kind', 'px');
    await type(page, '#recipe-series-values', '7; 6,5 6');
    await page.click('#run-recipe');
    await page.waitForFunction(() => document.querySelector('#recipe-report').textContent !== '');
    const args = ['recipe', 'examples/ca-egta-free.STG', '--volume', '10mL', '--stock', 'EGTA=100mM', '--purity', 'EGTA=97%',
      '--stock', 'Ca2=0.1M', '--stock', 'Mg2=1M', '--buffer', 'HEPES=20mM', '--stock', 'HEPES=1M', '--topup', 'KCl=3M',
      '--series', 'Ca2=pX:7,6.5,6'];
    assert.equal(await reportOf(page, '#recipe-report'), cliOutput(...args));
    assert.equal(await page.$$eval('#recipe-table tbody tr', (rows) => rows.length), 3);
    const reply = await page.evaluate(() => Dedodiz.recipe.run());
    assertSameDocument(JSON.parse(reply.json), JSON.parse(cliOutput(...args, '--format', 'json')));
    // A recipe that cannot be made shows the calculator's own reason, and no table.
    await type(page, '#recipe-salt-stock', '1');
    await page.select('#recipe-salt-stock-unit', 'mM');
    await page.click('#run-recipe');
    // A series is made in the worker: its answer comes when the button is back.
    await page.waitForFunction(() => !document.querySelector('#run-recipe').disabled && document.querySelector('#recipe-messages li'), { timeout: 60000 });
    const cli2 = spawnSync(cli, args.map((a) => (a === 'KCl=3M' ? 'KCl=1mM' : a)), { encoding: 'utf8' });
    assert.equal(cli2.status, 1);
    const shown = await page.$$eval('#recipe-messages li', (items) => items.map((li) => li.textContent.replace(/\n/g, ' ') + '\n'));
    assert.equal(shown.join(''), cli2.stderr);
    assert.equal(await page.$eval('#recipe-table', (e) => e.children.length), 0);
  });
});

test('uncertainty: 200 samples with a seed give the block of dedodiz32-cli uncertainty and a histogram per result', async () => {
  await withPage(async (page) => {
    await page.click('#tab-uncertainty');
    await type(page, '#uncertainty-samples', '200');
    await type(page, '#uncertainty-seed', '7');
    await type(page, '#uncertainty-ph-sd', '0,03');
    for (const id of ['h', 'ml', 'mhl']) await type(page, `#uncertainty-logk-${id}-sd`, '0.08');
    await type(page, '#uncertainty-purity-1', '0,97');
    await type(page, '#uncertainty-purity-sd-1', '0.02');
    await page.click('#run-uncertainty');
    await page.waitForFunction(() => document.querySelector('#uncertainty-report').textContent !== '');
    assert.equal(await reportOf(page, '#uncertainty-report'), cliOutput('uncertainty', 'examples/ca-egta-free.STG',
      '--samples', '200', '--seed', '7', '--ph-sd', '0.03', '--logk-sd', '0.08', '--purity', 'EGTA=0.97:0.02'));
    // Free Ca2 and free Mg2, each with its 200 samples in the bins.
    const bars = await page.$$eval('#uncertainty-charts svg', (svgs) => svgs.map((s) => s.querySelectorAll('rect').length));
    assert.deepEqual(bars, [30, 30]);
    assert.match(await page.$eval('#uncertainty-results table', (t) => t.rows[1].textContent), /^Ca2 free155 nM/);
  });
});

test('chemistry: the base, the contamination and the osmolarity through the recipe form give dedodiz32-cli recipe', async () => {
  await withPage(async (page) => {
    await page.click('#tab-recipe');
    await type(page, '#recipe-stock-1', '100');  // EGTA, mM beside it
    await type(page, '#recipe-stock-2', '100');
    await type(page, '#recipe-stock-3', '1 M');
    await page.click('#recipe-chemistry summary');
    await type(page, '#recipe-base', 'NaOH');
    await type(page, '#recipe-base-stock', '0,5');  // M beside it
    await type(page, '#recipe-contamination', 'Ca2=10 uM');
    await type(page, '#recipe-osmolyte', 'sucrose');
    await type(page, '#recipe-osmolyte-stock', '1');
    await type(page, '#recipe-osmolarity', '290');
    await page.click('#run-recipe');
    await page.waitForFunction(() => document.querySelector('#recipe-report').textContent !== '');
    const args = ['recipe', 'examples/ca-egta-free.STG', '--volume', '10mL', '--stock', 'EGTA=100mM', '--stock', 'Ca2=100mM',
      '--stock', 'Mg2=1M', '--topup', 'KCl=3M', '--base', 'NaOH=0.5M', '--contamination', 'Ca2=10uM',
      '--osmolyte', 'sucrose=1M', '--osmolarity-target', '290'];
    assert.equal(await reportOf(page, '#recipe-report'), cliOutput(...args));
    // A contamination without its unit is refused, as the command line refuses it.
    await type(page, '#recipe-contamination', 'Ca2=10');
    await page.click('#run-recipe');
    const bare = spawnSync(cli, args.map((a) => (a === 'Ca2=10uM' ? 'Ca2=10' : a)), { encoding: 'utf8' });
    assert.notEqual(bare.status, 0);
    const shown = await page.$eval('#recipe-messages', (m) => m.textContent);
    assert.match(shown, /contamination Ca2: .*"10"/);
    assert.ok(bare.stderr.includes(shown.replace(/^ERROR: contamination Ca2: /, '').replace(/, got "10"$/, '')), `${bare.stderr} vs ${shown}`);
    assert.equal(await page.$eval('#recipe-table', (e) => e.children.length), 0);
  });
});
