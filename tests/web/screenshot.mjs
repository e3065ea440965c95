// SPDX-License-Identifier: BSD-3-Clause
// The picture of the page for the README: the README example calculated, at a laptop's window size.
import { openBrowser, openPage } from './browser.mjs';

const out = process.argv[2] || 'docs/screenshots/web-page.png';
const { browser, close } = await openBrowser();
try {
  const { page } = await openPage(browser, { width: 1280, height: 1100 });
  await page.evaluate(() => { Dedodiz.solution.run(); window.scrollTo(0, 0); });
  await page.screenshot({ path: out });
  console.log(`Saved ${out}`);
} finally {
  await close();
}
