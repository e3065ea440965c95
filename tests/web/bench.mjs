// SPDX-License-Identifier: BSD-3-Clause
// How long a user waits in the browser (a benchmark, not a test): the time from opening the page from
// disk until it is ready to compute, over several fresh loads, and the time of one single-point
// calculation of the README example, of its recipe (one solution, and a pCa series of ten) and of its
// uncertainty with the default 2000 samples, all measured with performance.now() in headless chromium.
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
    return {
      call: time(() => Dedodiz.call('run', { solution })), button: time(() => Dedodiz.solution.run()),
      recipe: time(() => Dedodiz.call('recipe', recipe)), series: time(() => Dedodiz.call('recipe', series)), uncertainty,
    };
  }, runs);
  console.log(`page ready after opening: median ${median(ready).toFixed(0)} ms, max ${Math.max(...ready).toFixed(0)} ms (${loads} loads)`);
  console.log(`single-point calculation: median ${median(times.call).toFixed(2)} ms, max ${Math.max(...times.call).toFixed(2)} ms (${runs} runs)`);
  console.log(`Calculate button with the page updated: median ${median(times.button).toFixed(2)} ms (${runs} runs)`);
  console.log(`recipe of one solution: median ${median(times.recipe).toFixed(2)} ms; of a pCa series of ten: median ${median(times.series).toFixed(2)} ms (${runs} runs)`);
  console.log(`uncertainty, 2000 samples: median ${median(times.uncertainty).toFixed(0)} ms, max ${Math.max(...times.uncertainty).toFixed(0)} ms (5 runs)`);
} finally {
  await close();
}
