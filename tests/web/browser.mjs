// SPDX-License-Identifier: BSD-3-Clause
// Debian's chromium, or its firefox-esr when BROWSER=firefox, in headless mode, driven by puppeteer-core
// (no browser of its own), with a fresh profile and nothing that reaches the network, and the page
// opened from disk.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

export const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
export const firefox = process.env.FIREFOX || '/usr/bin/firefox-esr';
export const browserName = process.env.BROWSER === 'firefox' ? 'firefox' : 'chromium';
export const pagePath = path.resolve(process.env.DEDODIZ_PAGE || 'build-web/dedodiz32.html');

// A browser with a profile of its own, removed again by close().
export async function openBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `dedodiz-${browserName}-`));
  const browser = browserName === 'firefox' ? await puppeteer.launch({
    browser: 'firefox',
    executablePath: firefox,
    headless: true,
    userDataDir: profile,
    // Nothing of its own reaches out: no updates, no telemetry, no captive-portal or connectivity checks.
    extraPrefsFirefox: {
      'app.update.enabled': false, 'datareporting.policy.dataSubmissionEnabled': false, 'toolkit.telemetry.enabled': false,
      'network.captive-portal-service.enabled': false, 'network.connectivity-service.enabled': false,
      'browser.shell.checkDefaultBrowser': false, 'extensions.update.enabled': false,
    },
  }) : await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', `--user-data-dir=${profile}`],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}

// The page from file://, once the calculator is ready; every request that is not the page itself (or
// data inside it) fails the test, so that the page is known to work offline. Page errors are collected.
export async function openPage(browser, viewport = { width: 1280, height: 900 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  const problems = [];
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  await page.setRequestInterception(true);
  const url = pathToFileURL(pagePath).href;
  page.on('request', (r) => {
    const u = r.url();
    if (u === url || u.startsWith('data:') || u.startsWith('blob:')) return r.continue();
    problems.push(`request: ${u}`);
    return r.abort();
  });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true', { timeout: 10000 });
  return { page, problems, url };
}
