// SPDX-License-Identifier: BSD-3-Clause
// The page as a lab uses it, in chromium or firefox (BROWSER): files that fail to load change nothing,
// no old answer stays beside a new input or a refusal, a link repeats a calculation, every tab fits a
// phone and prints without its controls, a long computation can be stopped, a titration gives the
// command line's calibration, carries it into the recipe and the uncertainty and downloads its constants
// table, and axe-core finds no serious or critical
// accessibility fault on any tab.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { test } from 'node:test';
import { browserName, openBrowser, openPage } from './browser.mjs';

const cli = process.env.DEDODIZ_CLI || 'build/app/cli/dedodiz32-cli';
const out = process.env.DEDODIZ_WEB_OUT || fs.mkdtempSync(path.join(os.tmpdir(), 'dedodiz-web-'));

async function withPage(body, viewport) {
  const { browser, close } = await openBrowser();
  try {
    const { page, problems, url } = await openPage(browser, viewport);
    await body(page, url);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
}

// Files given to the file input, made in a folder of their own.
function files(named) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'dedodiz-files-'));
  return Object.entries(named).map(([name, bytes]) => { fs.writeFileSync(path.join(folder, name), bytes); return path.join(folder, name); });
}

// The README example's work file, naming another constants table.
function workNaming(table) {
  const bytes = fs.readFileSync('examples/ca-egta-free.STG');
  const name = Buffer.from(table, 'latin1');
  return Buffer.concat([Buffer.from([name.length]), name, bytes.subarray(1 + name.length)]);
}

const state = (page) => page.evaluate(() => ({
  table: document.querySelector('#table-name').textContent,
  temperature: document.querySelector('#temperature').value,
  chelator: document.querySelector('#chelator-1').value,
  report: document.querySelector('#report').textContent,
  messages: [...document.querySelectorAll('#file-messages li')].map((li) => li.textContent),
}));

async function choose(page, ...paths) {
  const before = await page.$$eval('#loaded-files li', (items) => items.length);
  await (await page.$('#file-input')).uploadFile(...paths);
  await page.waitForFunction((n) => document.querySelectorAll('#loaded-files li').length >= n, {}, before + paths.length);
}

test('loading: a failed load changes nothing, says what is missing, and a late table runs the waiting work file', async () => {
  await withPage(async (page) => {
    await page.click('#calculate');
    const before = await state(page);
    await page.click('#tab-files');
    const table = fs.readFileSync('data/standard.TCM');
    const [work, tcm, bad, big] = files({ 'mine.STG': workNaming('mytable.TCM'), 'mytable.TCM': table, 'bad.TCM': 'no table\n',
      'huge.TCM': Buffer.alloc(2 * 1024 * 1024, 32) });
    await choose(page, work);
    let now = await state(page);
    assert.deepEqual({ ...now, messages: [] }, { ...before, messages: [] });
    assert.match(now.messages.join('\n'), /Cannot Load Constants File\nNo such file or directory: mytable\.TCM/);
    assert.match(now.messages.join('\n'), /the work file names mytable\.TCM: open that table too/);
    // The reader's reason, and a file too large refused before it is read.
    await choose(page, bad, big);
    now = await state(page);
    assert.equal(now.table, before.table);
    assert.match(now.messages.join('\n'), /Cannot Load Constants File\nthe first data line does not begin with "!" in bad\.TCM/);
    assert.match(now.messages.join('\n'), /File too large \(more than 1048576 bytes\): huge\.TCM/);
    // The table opened after its work file: the work file runs, as the command line runs it.
    await choose(page, tcm);
    now = await state(page);
    assert.equal(now.table, 'mytable.TCM');
    assert.equal(now.report + '\n', spawnSync(cli, ['run', 'examples/ca-egta-free.STG'], { encoding: 'utf8' }).stdout.replace('using data/standard.TCM', 'using mytable.TCM'));
    // A table without a chelator of the solution says which it took out.
    const [lacking] = files({ 'noegta.TCM': table.toString('latin1').replace(/EGTA/g, 'EGTX') });
    await choose(page, lacking);
    now = await state(page);
    assert.deepEqual([now.table, now.chelator, now.messages], ['noegta.TCM', '', ['NOTE: noegta.TCM has no EGTA: it was taken out of the solution.']]);
  });
});

test('stale: an edit greys the results and turns off the downloads; a refusal clears them and marks the field on every tab', async () => {
  await withPage(async (page) => {
    await page.click('#calculate');
    const downloads = () => page.$$eval('#panel-solution .output .actions button', (b) => b.map((x) => x.disabled));
    assert.deepEqual(await downloads(), [false, false, false]);
    await page.focus('#ph');
    await page.keyboard.press('End');
    await page.keyboard.type('5');  // 7.25
    assert.equal(await page.$eval('#panel-solution .output', (o) => o.classList.contains('stale')), true);
    assert.deepEqual(await downloads(), [true, true, true]);
    // The Session's refusal, word for word the command line's, with the field marked and no result.
    await page.$eval('#chelator-1-total', (i) => { i.value = '-1'; });
    await page.click('#calculate');
    const cliRun = spawnSync(cli, ['run', '--type', 'free', '--ph', '7.25', '--chelator', 'EGTA=-1e-3', '--metal', 'Ca2=1e-3', '--metal', 'Mg2=1e-3'], { encoding: 'utf8' });
    assert.equal(cliRun.status, 2);
    assert.match(cliRun.stderr, /chelator EGTA total: a concentration cannot be negative \(-0\.001 M\)/);
    assert.equal(await page.$eval('#run-messages', (m) => m.textContent), 'ERROR: chelator EGTA total: a concentration cannot be negative (-0.001 M)');
    assert.equal(await page.$eval('#chelator-1-total', (i) => i.getAttribute('aria-invalid')), 'true');
    assert.equal(await page.$eval('#report', (r) => r.textContent), '');
    // A chelator in two rows is refused, never the last amount kept.
    await page.$eval('#chelator-1-total', (i) => { i.value = '2'; });
    await page.select('#chelator-2', 'EGTA');
    await page.$eval('#chelator-2-total', (i) => { i.value = '1'; });
    await page.click('#calculate');
    assert.equal(await page.$eval('#run-messages', (m) => m.textContent), 'ERROR: chelator EGTA: given twice');
    await page.select('#chelator-2', '');
    // The sweep and the pH buffers mark their own fields.
    await page.click('#tab-sweep');
    await page.click('#run-sweep');
    await page.waitForSelector('#sweep-chart svg');
    await page.select('#sweep-x-variable', 'metal1');
    await page.$eval('#sweep-x-low', (i) => { i.value = '-1'; });
    await page.click('#run-sweep');
    assert.match(await page.$eval('#panel-sweep .messages', (m) => m.textContent), /x axis: metal1: a concentration cannot be negative/);
    assert.equal(await page.$eval('#sweep-x-low', (i) => i.getAttribute('aria-invalid')), 'true');
    assert.equal(await page.$('#sweep-chart svg'), null);
    await page.click('#tab-buffers');
    await page.$eval('#buffers-temperature', (i) => { i.value = '-300'; });
    await page.click('#run-buffers');
    assert.equal(await page.$eval('#buffers-temperature', (i) => i.getAttribute('aria-invalid')), 'true');
  });
});

test('link: the address repeats the calculation of the tab, the browser keeps the last inputs, and reset goes back to the example', async () => {
  let link;
  await withPage(async (page, url) => {
    await page.click('#tab-sweep');
    await page.$eval('#sweep-x-low', (i) => { i.value = '6,5'; });
    await page.focus('#sweep-x-high');
    await page.keyboard.press('End');
    await page.keyboard.type('.5');  // 8.5
    await page.click('#run-sweep');
    await page.waitForFunction(() => location.hash.includes('sweep-x-high=8.5'));
    link = await page.evaluate(() => location.href);
    assert.ok(link.startsWith(url + '#tab=sweep'));
    // A fresh load without the link brings the last inputs back.
    await page.goto(url, { waitUntil: 'load' });
    await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
    assert.equal(await page.$eval('#sweep-x-high', (i) => i.value), '8.5');
    // The rows built for the solution's chelators and metals go back too.
    await page.click('#tab-uncertainty');
    await page.$eval('#uncertainty-purity-1', (i) => { i.value = '0,9'; });
    await page.click('#tab-recipe');
    await page.$eval('#recipe-stock-1', (i) => { i.value = '100'; });
    await page.click('#reset-example');
    assert.equal(await page.$eval('#sweep-x-high', (i) => i.value), '8');
    assert.equal(await page.$eval('#recipe-stock-1', (i) => i.value), '');
    await page.click('#tab-uncertainty');
    assert.equal(await page.$eval('#uncertainty-purity-1', (i) => i.value), '1');
    assert.equal(await page.evaluate(() => localStorage.getItem('dedodiz32.inputs').includes('sweep-x-high=8.5')), false);
  });
  // In another browser, the link alone fills the form and gives the command line's sweep.
  const { browser, close } = await openBrowser();
  try {
    const page = await browser.newPage();
    await page.goto(link, { waitUntil: 'load' });
    await page.waitForFunction(() => document.querySelector('#sweep-table') && document.querySelector('#sweep-table').textContent !== '');
    const expected = spawnSync(cli, ['sweep', 'examples/ca-egta-free.STG', '--x', 'ph:6.5:8.5'], { encoding: 'utf8' }).stdout;
    assert.equal(await page.$eval('#sweep-table', (t) => t.textContent + '\n'), expected);
  } finally {
    await close();
  }
});

test('layout: every tab fits 360 px, the print shows the report without controls, and dark is dark', async () => {
  await withPage(async (page) => {
    await page.click('#calculate');
    const ids = await page.evaluate(() => Dedodiz.sections.map((s) => s.id));
    for (const id of ids) {
      await page.click(`#tab-${id}`);
      assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 360), `${id} is wider than 360 px`);
    }
    await page.click('#tab-solution');
    await page.screenshot({ path: path.join(out, `web-360-${browserName}.png`), fullPage: true });
    // Print to PDF in both; the print look itself is read where the browser can emulate media (chromium's
    // DevTools protocol; firefox over WebDriver BiDi cannot).
    if (browserName === 'chromium') {
      await page.emulateMediaType('print');
      const printed = await page.evaluate(() => ['#solution-form', '#tabs', '#report'].map((s) => getComputedStyle(document.querySelector(s)).display));
      assert.deepEqual(printed, ['none', 'none', 'block']);
      await page.emulateMediaType('screen');
    }
    const pdf = await page.pdf({ format: 'A4', printBackground: true });
    assert.equal(Buffer.from(pdf).subarray(0, 5).toString(), '%PDF-');
    fs.writeFileSync(path.join(out, `web-report-${browserName}.pdf`), pdf);
    if (browserName === 'chromium') {
      await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
      const ground = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
      assert.equal(ground, 'rgb(21, 24, 27)');
    }
  }, { width: 360, height: 740 });
});

test('worker: a long uncertainty shows its progress, leaves the page answering, and Stop ends it', async () => {
  await withPage(async (page) => {
    await page.click('#tab-uncertainty');
    await page.$eval('#uncertainty-samples', (i) => { i.value = '100000'; });
    await page.click('#run-uncertainty');
    await page.waitForFunction(() => document.querySelector('#panel-uncertainty progress').value > 0, { timeout: 60000 });
    // The page computes a single point meanwhile.
    assert.equal(await page.evaluate(() => Dedodiz.call('run', { solution: Dedodiz.solution.entered() }).ok), true);
    await page.click('#panel-uncertainty .progress button.stop');
    await page.waitForFunction(() => document.querySelector('#uncertainty-messages').textContent.includes('Stopped'));
    assert.equal(await page.$eval('#uncertainty-report', (r) => r.textContent), '');
    assert.equal(await page.$eval('#run-uncertainty', (b) => b.disabled), false);
  });
});

test('calibrate: the example titration gives the fit of dedodiz32-cli calibrate, the recipe and uncertainty of its --calibration and its --write-constants table; refusals mark their fields', async () => {
  const args = ['calibrate', 'examples/ca-egta-titration.csv', '--temp', '22', '--ph', '7.2', '--ionic', '0.15', '--chelator', 'EGTA',
    '--metal', 'Ca2', '--bootstrap', '200', '--seed', '7'];
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'dedodiz-fit-'));
  const fit = path.join(folder, 'fit.json');
  fs.writeFileSync(fit, spawnSync(cli, [...args, '--format', 'json'], { encoding: 'utf8' }).stdout);
  const expected = JSON.parse(fs.readFileSync(fit, 'utf8'));
  await withPage(async (page) => {
    // A text put in as typed: the tab sees its input event.
    const field = (selector, text) => page.$eval(selector, (i, t) => { i.value = t; i.dispatchEvent(new Event('input', { bubbles: true })); }, text);
    await page.click('#tab-calibrate');
    // The tab's example is the example file, and its conditions are those of the file's own command line.
    assert.equal(await page.$eval('#calibrate-data', (t) => t.value), fs.readFileSync('examples/ca-egta-titration.csv', 'utf8'));
    await field('#calibrate-ph', '7,2');
    await field('#calibrate-bootstrap', '200');
    await field('#calibrate-seed', '7');
    await page.click('#run-calibrate');
    await page.waitForFunction(() => document.querySelector('#calibrate-report').textContent !== '', { timeout: 60000 });
    assert.equal(await page.$eval('#calibrate-report', (r) => r.textContent + '\n'), spawnSync(cli, args, { encoding: 'utf8' }).stdout);
    const got = await page.evaluate(() => Dedodiz.calibrate.last());
    // The fit to 1e-9; each bootstrap draw's fit ends within its convergence tolerance, where a last bit of
    // WebAssembly's log10 may move it, so its percentiles to 1e-6.
    const near = (a, b, tolerance, what) => assert.ok(Math.abs(a - b) <= tolerance * Math.abs(b), `${what}: ${a} != ${b}`);
    for (const key of ['purity', 'contamination_M', 'kd_M']) {
      near(got[key].value, expected[key].value, 1e-9, key);
      [0, 1].forEach((k) => near(got[key].ci95[k], expected[key].ci95[k], 1e-9, `${key} ci95`));
      [0, 1].forEach((k) => near(got[key].bootstrap_ci95[k], expected[key].bootstrap_ci95[k], 1e-6, `${key} bootstrap`));
    }
    assert.equal(await page.$$eval('#calibrate-plots figure svg[role="img"]', (s) => s.length), 2);
    assert.match(await page.evaluate(() => location.hash), /tab=calibrate&.*calibrate-data=/);
    // The next step: the recipe with the fitted purity and contamination is the tool's recipe --calibration.
    await page.click('#calibrate-use');
    await page.click('#tab-recipe');
    await field('#recipe-stock-1', '100');
    await field('#recipe-stock-2', '100');
    await field('#recipe-stock-3', '1 M');
    await page.click('#run-recipe');
    await page.waitForFunction(() => document.querySelector('#recipe-report').textContent !== '');
    assert.equal(await page.$eval('#recipe-report', (r) => r.textContent + '\n'), spawnSync(cli, ['recipe', 'examples/ca-egta-free.STG', '--volume', '10mL',
      '--stock', 'EGTA=100mM', '--stock', 'Ca2=100mM', '--stock', 'Mg2=1M', '--topup', 'KCl=3M', '--calibration', fit], { encoding: 'utf8' }).stdout);
    // And the uncertainty with the fitted purity and contamination, their intervals as spreads.
    await page.click('#tab-calibrate');
    await page.click('#calibrate-use-uncertainty');
    assert.equal(await page.$eval('#panel-uncertainty', (p) => p.hidden), false);
    await field('#uncertainty-samples', '50');
    await field('#uncertainty-seed', '3');
    await page.click('#run-uncertainty');
    await page.waitForFunction(() => document.querySelector('#uncertainty-report').textContent !== '', { timeout: 60000 });
    assert.equal(await page.$eval('#uncertainty-report', (r) => r.textContent + '\n'), spawnSync(cli, ['uncertainty', 'examples/ca-egta-free.STG',
      '--calibration', fit, '--samples', '50', '--seed', '3'], { encoding: 'utf8' }).stdout);
    // A contamination below 0 is the Session's refusal, on the metal's row.
    await field('#uncertainty-contamination-1', '-1 uM');
    await page.click('#run-uncertainty');
    await page.waitForFunction(() => document.querySelector('#uncertainty-report').textContent === '');
    const negative = spawnSync(cli, ['uncertainty', 'examples/ca-egta-free.STG', '--contamination', 'Ca2=-1uM:0uM'], { encoding: 'utf8' });
    const said = await page.$eval('#uncertainty-messages', (m) => m.textContent.replace(/^ERROR: /, ''));
    assert.ok(said.startsWith('contamination Ca2: ') && negative.stderr.includes(said), `${negative.stderr} vs ${said}`);
    assert.equal(await page.$eval('#uncertainty-contamination-1', (i) => i.getAttribute('aria-invalid')), 'true');
    // The calibrated table is the file the tool writes, byte for byte, under the table's name.
    const written = path.join(folder, 'fit.TCM');
    assert.equal(spawnSync(cli, [...args, '--write-constants', written]).status, 0);
    await page.click('#tab-calibrate');
    const saved = await page.evaluate(async () => {
      let blob = null, name = null;
      const make = URL.createObjectURL, click = HTMLAnchorElement.prototype.click;
      URL.createObjectURL = (b) => { blob = b; return make.call(URL, b); };
      HTMLAnchorElement.prototype.click = function () { name = this.download; };
      try { document.querySelector('#calibrate-constants').click(); } finally { URL.createObjectURL = make; HTMLAnchorElement.prototype.click = click; }
      return { name, bytes: [...new Uint8Array(await blob.arrayBuffer())] };
    });
    assert.equal(saved.name, 'standard-calibrated.TCM');
    assert.equal(Buffer.from(saved.bytes).toString('latin1'), fs.readFileSync(written, 'latin1'));
    // Six rows for six parameters: the fit's own reason, the rows marked, the old results gone.
    await page.click('#tab-calibrate');
    const six = fs.readFileSync('examples/ca-egta-titration.csv', 'utf8').split('\n').slice(0, 9).join('\n') + '\n';
    const [short] = files({ 'six.csv': six });
    await field('#calibrate-data', six);
    assert.deepEqual(await page.$$eval('#calibrate-output .actions button', (b) => b.map((x) => x.disabled)), [true, true, true, true, true, true]);
    await page.click('#run-calibrate');
    await page.waitForFunction(() => document.querySelector('#calibrate-messages').textContent !== '');
    const refused = spawnSync(cli, args.map((a) => (a.endsWith('.csv') ? short : a)), { encoding: 'utf8' });
    assert.equal(refused.status, 1);
    assert.match(refused.stderr, /6 rows for 6 parameters/);
    assert.equal(await page.$$eval('#calibrate-messages li', (items) => items.map((li) => li.textContent + '\n').join('')), refused.stderr);
    assert.equal(await page.$eval('#calibrate-data', (t) => t.getAttribute('aria-invalid')), 'true');
    assert.deepEqual(await page.$eval('#calibrate-output', (o) => [o.querySelector('#calibrate-report').textContent, o.querySelectorAll('svg, table').length]), ['', 0]);
  });
});

test('axe: no serious or critical accessibility violation on any tab, results shown', async () => {
  const axe = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
  await withPage(async (page) => {
    await page.evaluate(axe);
    const ids = await page.evaluate(() => Dedodiz.sections.map((s) => s.id));
    for (const id of ids) {
      await page.click(`#tab-${id}`);
      await page.evaluate((tab) => {
        const runs = { solution: () => Dedodiz.solution.run(), sweep: () => Dedodiz.sweep.run(), evaluate: () => Dedodiz.evaluate.run(), buffers: () => Dedodiz.buffers.run(),
          calibrate: () => Dedodiz.calibrate.run().then((r) => r.ok) };
        return runs[tab] ? runs[tab]() : null;
      }, id);
      const found = await page.evaluate(async () => {
        const result = await window.axe.run(document, { resultTypes: ['violations'] });
        return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
          .map((v) => `${v.id} (${v.impact}): ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`);
      });
      assert.deepEqual(found, [], `tab ${id}`);
    }
  });
});
