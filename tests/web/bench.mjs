// SPDX-License-Identifier: BSD-3-Clause
// How long a user waits in the browser (a benchmark, not a test): the time from opening the page from
// disk until it is ready to compute, over several fresh loads, and the time of one single-point
// calculation of the README example, of its recipe (one solution, and a pCa series of ten) and of its
// uncertainty with the default 2000 samples, and the calibration of the example titration, all measured
// with performance.now() in headless chromium.
import fs from 'node:fs';
import { openBrowser, openPage } from './browser.mjs';

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const loads = Number(process.env.LOADS || 5);
const runs = Number(process.env.RUNS || 200);

const { browser, close } = await openBrowser();
try {
  const ready = [];
  let page;
  for (let k = 0; k < loads; k++) {
    if (page) await page.close();
    ({ page } = await openPage(browser));
    ready.push(await page.evaluate(() => window.dedodizReady));
  }
  const marks = await page.evaluate(() => window.dedodizMarks);
  // The calculation alone (the command through embind, JSON in and out), and the whole Calculate button
  // (reading the form, the calculation, and showing report and tables).
  const times = await page.evaluate((n) => {
    const solution = Dedodiz.solution.entered();
    const time = (fn) => {
      const t = [];
      for (let i = 0; i < n; i++) { const t0 = performance.now(); fn(); t.push(performance.now() - t0); }
      return t;
    };
    const recipe = { solution, volume: '10 mL', topup: { name: 'KCl', stock: '3 M' },
      stocks: [{ name: 'EGTA', stock: '100 mM' }, { name: 'Ca2', stock: '100 mM' }, { name: 'Mg2', stock: '1 M' }] };
    const series = { ...recipe, series: 'Ca2=pX:9:4.5:0.5' };
    const uncertainty = [];
    for (let i = 0; i < 5; i++) {
      const t0 = performance.now();
      Dedodiz.call('uncertainty', { solution, samples: 2000 });
      uncertainty.push(performance.now() - t0);
    }
    // The calibration of the example titration, the fit alone and with the default 1000-draw bootstrap.
    const fit = { csv: Dedodiz.calibrate.EXAMPLE.csv, chelator: 'EGTA', metal: 'Ca2', temp: 22, ph: 7.2, ionic: 0.15 };
    const calibration = { fit: [], bootstrap: [] };
    for (let i = 0; i < 5; i++) {
      let t0 = performance.now();
      Dedodiz.call('calibrate', { ...fit, bootstrap: 0 });
      calibration.fit.push(performance.now() - t0);
      t0 = performance.now();
      Dedodiz.call('calibrate', fit);
      calibration.bootstrap.push(performance.now() - t0);
    }
    return {
      calibration,
      call: time(() => Dedodiz.call('run', { solution })), button: time(() => Dedodiz.solution.run()),
      recipe: time(() => Dedodiz.call('recipe', recipe)), series: time(() => Dedodiz.call('recipe', series)), uncertainty,
    };
  }, runs);
  // The 6 x 6 example, loaded as a user would, split into its parts: the calculation and the page's work.
  const six = await page.evaluate((b64, n) => {
    Dedodiz.files.load('six-by-six.STG', Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)));
    const solution = Dedodiz.solution.entered();
    const med = (fn) => { const t = []; for (let i = 0; i < n; i++) { const t0 = performance.now(); fn(); t.push(performance.now() - t0); } return t.sort((a, b) => a - b)[n >> 1]; };
    const reply = Dedodiz.call('run', { solution, precision: 'checked' });
    return { described: med(() => Dedodiz.call('run', { solution, precision: 'described' })), checked: med(() => Dedodiz.call('run', { solution, precision: 'checked' })),
      show: med(() => Dedodiz.solution.show(reply)), button: med(() => Dedodiz.solution.run()) };
  }, fs.readFileSync('examples/six-by-six.STG').toString('base64'), Math.min(runs, 50));
  console.log(`page ready after opening: median ${median(ready).toFixed(0)} ms, max ${Math.max(...ready).toFixed(0)} ms (${loads} loads)`);
  console.log(`  of the last load: scripts begin ${marks.scripts.toFixed(0)} ms, WebAssembly compiled ${marks.compiled.toFixed(0)}, module made ${marks.module.toFixed(0)}, session ${marks.session.toFixed(0)}, tabs built ${marks.tabs.toFixed(0)}, first tab shown ${marks.shown.toFixed(0)}`);
  console.log(`single-point calculation: median ${median(times.call).toFixed(2)} ms, max ${Math.max(...times.call).toFixed(2)} ms (${runs} runs)`);
  console.log(`Calculate button with the page updated: median ${median(times.button).toFixed(2)} ms (${runs} runs)`);
  console.log(`recipe of one solution: median ${median(times.recipe).toFixed(2)} ms; of a pCa series of ten: median ${median(times.series).toFixed(2)} ms (${runs} runs)`);
  console.log(`6 x 6 example: calculation described ${six.described.toFixed(2)} ms, checked ${six.checked.toFixed(2)} ms; showing it ${six.show.toFixed(2)} ms; Calculate button ${six.button.toFixed(2)} ms (medians)`);
  console.log(`uncertainty, 2000 samples: median ${median(times.uncertainty).toFixed(0)} ms, max ${Math.max(...times.uncertainty).toFixed(0)} ms (5 runs)`);
  console.log(`calibration of the example titration: the fit ${median(times.calibration.fit).toFixed(0)} ms, with 1000 bootstrap draws ${median(times.calibration.bootstrap).toFixed(0)} ms (medians of 5)`);
} finally {
  await close();
}
