// SPDX-License-Identifier: BSD-3-Clause
// Every conformance case (tests/conformance/cases) played on the page in headless chromium, through the
// calculator the page's forms call (Dedodiz.call, Dedodiz.loadFile): the status, the refusal, the
// messages, the numbers and the report lines must be the ones the case expects, as for the library,
// the command-line tool and the Python module. A case the page cannot express says why in its file.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { openBrowser, openPage } from './browser.mjs';

const folder = path.resolve('tests/conformance/cases');

function readCase(file) {
  const c = { name: path.basename(file, '.case'), inputs: [], messages: [], values: [], lines: [], notIn: {} };
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    if (!line || line.startsWith('#')) continue;
    const at = line.indexOf(': ');
    const key = line.slice(0, at);
    const value = line.slice(at + 2);
    if (key === 'command' || key === 'status' || key === 'refusal') c[key] = value;
    else if (key === 'message') c.messages.push(value);
    else if (key === 'value') {
      const [name, number, tolerance] = value.split(/\s+/);
      c.values.push({ name, number: Number(number), tolerance: Number(tolerance) });
    } else if (key === 'line') {
      const blank = value.indexOf(' ');
      c.lines.push({ number: Number(value.slice(0, blank)), text: value.slice(blank + 1) });
    } else if (key === 'not-in') {
      const colon = value.indexOf(': ');
      c.notIn[value.slice(0, colon)] = value.slice(colon + 2);
    } else c.inputs.push([key, value]);
  }
  return c;
}

const one = (c, key) => c.inputs.find(([k]) => k === key)?.[1];
const every = (c, key) => c.inputs.filter(([k]) => k === key).map(([, v]) => v);
// A number as a C program reads it: "inf" too.
const num = (text) => ({ inf: Infinity, '-inf': -Infinity }[text] ?? Number(text));
const split = (text, at) => {
  const i = text.indexOf(at);
  return i < 0 ? [text, ''] : [text.slice(0, i), text.slice(i + 1)];
};

function solution(c) {
  const type = one(c, 'type') || 'free';
  const s = { calculation_type: type, chelators: [], metals: [] };
  if (one(c, 'temp') !== undefined) s.temperature_C = num(one(c, 'temp'));
  if (one(c, 'ph') !== undefined) s.pH = num(one(c, 'ph'));
  if (one(c, 'ionic') !== undefined) s.ionic_strength_N = num(one(c, 'ionic'));
  for (const text of every(c, 'chelator')) {
    const [name, total] = split(text, '=');
    s.chelators.push(total ? { name, total_M: num(total) } : { name });
  }
  for (const text of every(c, 'metal')) {
    const [name, value] = split(text, '=');
    if (type === 'chelator') {
      const [total, free] = split(value, ':');
      s.metals.push({ name, total_M: num(total), free_M: num(free) });
    } else s.metals.push(type === 'total' ? { name, free_M: num(value) } : { name, total_M: num(value) });
  }
  return s;
}

function axis(text) {
  const [variable, low, high] = text.split(':');
  return { variable, low: num(low), high: num(high) };
}

// The command and request the page's forms would send.
function request(c) {
  const r = { solution: solution(c) };
  if (one(c, 'precision')) r.precision = one(c, 'precision');
  switch (c.command) {
    case 'list': return ['listing', {}];
    case 'buffers': {
      const { temperature_C, pH, ionic_strength_N } = r.solution;
      return ['buffers', { conditions: { temperature_C, pH, ionic_strength_N } }];
    }
    case 'sweep':
      r.x = axis(one(c, 'x'));
      if (one(c, 'z')) Object.assign(r, { three_d: true, z: axis(one(c, 'z')) });
      return ['sweep', r];
    case 'recipe':
      r.volume = one(c, 'volume');
      r.stocks = every(c, 'stock').map((t) => { const [name, stock] = split(t, '='); return { name, stock }; });
      r.purity = every(c, 'purity').map((t) => { const [name, purity] = split(t, '='); return { name, purity }; });
      if (one(c, 'series')) r.series = one(c, 'series');
      if (one(c, 'mix')) r.mix = true;
      if (one(c, 'ionic-target')) r.ionic_target = one(c, 'ionic-target');
      return ['recipe', r];
    case 'uncertainty':
      if (one(c, 'samples')) r.samples = Number(one(c, 'samples'));
      if (one(c, 'seed')) r.seed = one(c, 'seed');
      if (one(c, 'ph-sd')) r.ph_sd = num(one(c, 'ph-sd'));
      r.purity = every(c, 'purity').map((t) => {
        const [name, value] = split(t, '=');
        const [fraction, sd] = split(value, ':');
        return { name, fraction: num(fraction), sd: num(sd) };
      });
      return ['uncertainty', r];
    default: return [c.command, r];
  }
}

async function play(page, c) {
  if (one(c, 'work')) {
    const file = one(c, 'work');
    const bytes = [...fs.readFileSync(file)];
    return page.evaluate((name, data, precision) => Dedodiz.loadFile(name, new Uint8Array(data), precision),
      path.basename(file), bytes, one(c, 'precision') || 'checked');
  }
  const [command, body] = request(c);
  // Handed to the page as text: an object argument would arrive with NaN and Infinity as null.
  const keep = (key, value) => (typeof value === 'number' && !Number.isFinite(value) ? `#${value}` : value);
  return page.evaluate((cmd, text) => Dedodiz.call(cmd, JSON.parse(text, (key, value) => (
    typeof value === 'string' && value.startsWith('#') ? Number(value.slice(1)) : value))),
  command, JSON.stringify(body, keep));
}

function differences(c, reply) {
  const d = [];
  const status = reply.status || (reply.ok ? 'ran' : 'no status');
  if (status !== c.status) d.push(`status ${status}, expected ${c.status} (${reply.error || ''})`);
  if (c.status === 'refused' && reply.error !== c.refusal) d.push(`refusal "${reply.error}", expected "${c.refusal}"`);
  if (c.status !== 'refused') {
    const shown = (reply.messages || []).map((m) => `${m.caption}: ${m.text.replace(/\n/g, ' ')}`);
    try { assert.deepEqual(shown, c.messages); } catch { d.push(`messages ${JSON.stringify(shown)}`); }
  }
  if (c.values.length) {
    const [header, row] = (reply.csv || '').split('\n');
    const names = (header || '').split(',');
    const cells = (row || '').split(',');
    for (const v of c.values) {
      const got = Number(cells[names.indexOf(v.name)]);
      if (!(Math.abs(got - v.number) <= v.tolerance * Math.abs(v.number))) d.push(`${v.name} ${got}, expected ${v.number}`);
    }
  }
  const report = reply.report || reply.table || [];
  for (const l of c.lines) {
    const got = (report[l.number - 1] ?? '(no such line)').trimEnd();
    if (got !== l.text.trimEnd()) d.push(`report line ${l.number} "${got}", expected "${l.text}"`);
  }
  return d;
}

test('conformance: every case the page can express gives what the case expects', async (t) => {
  const cases = fs.readdirSync(folder).filter((f) => f.endsWith('.case')).sort()
    .map((f) => readCase(path.join(folder, f)));
  assert.ok(cases.length >= 60);
  const { browser, close } = await openBrowser();
  try {
    const { page, problems } = await openPage(browser);
    for (const c of cases) {
      await t.test(c.name, { skip: c.notIn.web }, async () => {
        assert.deepEqual(differences(c, await play(page, c)), []);
      });
    }
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});
