// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The uncertainty: how far the results of the solution of the Solution tab can be trusted. Every
// uncertain input is varied at random within its standard uncertainty (the program's defaults filled
// in), and each result gets its median, its 95 % range, the shares of its spread by input and a
// histogram of the samples; the report is that of dedodiz32-cli uncertainty. The samples run one after
// the other in this page (no threads), which gives the numbers of the command line for the same seed.
// A calibration's fit fills the purity of its chelator and the contamination of its metal.
(() => {
  const { el, call, numbers } = Dedodiz;
  const SDS = [
    ['ph_sd', 'pH'], ['temp_sd', 'Temperature (°C)'], ['ionic_rsd', 'Ionic strength (relative)'],
    ['logk_h_sd', 'log K of protonation'], ['logk_ml_sd', 'log K of ML'], ['logk_mhl_sd', 'log K of MHL'],
    ['dh_rsd', 'Enthalpies (relative)'], ['total_rsd', 'Totals (relative)'],
  ];
  const kept = { purity: {}, contamination: {} };  // what was typed in the rows, by chelator or metal name
  let panel, purityBox, contaminationBox, status, bar, messages, results, charts, report, exports, defaults, fresh, last = null;

  // A number's field; a concentration's (with its unit typed) keeps the letters of the keyboard. The
  // rows of purity and contamination are wide: a calibration puts every digit of its fit there, and the
  // unit at the end must stay in sight.
  const field = (id, label, value, unit, cls = 'short') => el('label', { class: 'field' }, el('span', { text: label }),
    el('input', { type: 'text', id, class: cls, inputmode: unit ? 'text' : 'decimal', autocomplete: 'off', value: String(value) }));

  function build(p) {
    panel = p;
    defaults = call('uncertainty', { defaults: true }).defaults;
    const sds = el('fieldset', {}, el('legend', { text: 'Standard uncertainties (0 switches an input off)' }),
      SDS.map(([key, label]) => field('uncertainty-' + key.replace(/_/g, '-'), label, defaults[key])));
    purityBox = el('div', { id: 'uncertainty-purity' });
    const purity = el('fieldset', {}, el('legend', { text: 'Purity of the chelators: fraction and its uncertainty' }), purityBox);
    contaminationBox = el('div', { id: 'uncertainty-contamination' });
    const contamination = el('fieldset', {}, el('legend', { text: 'Contamination of the metals (what water and salts bring): concentration and its uncertainty, each with its unit (2 uM)' }),
      contaminationBox);
    const sampling = el('fieldset', {}, el('legend', { text: 'Samples' }),
      field('uncertainty-samples', 'Samples', defaults.samples), field('uncertainty-seed', 'Seed', defaults.seed));
    status = el('p', { id: 'uncertainty-status', role: 'status', class: 'status' });
    bar = Dedodiz.jobs.progressBar('Samples computed');
    const form = el('form', { novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } }, sds, purity, contamination, sampling,
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'run-uncertainty' }, 'Compute uncertainty'), bar.box, status));
    messages = el('ul', { class: 'messages', id: 'uncertainty-messages', 'aria-live': 'polite' });
    results = el('div', { id: 'uncertainty-results' });
    charts = el('div', { id: 'uncertainty-charts', class: 'histograms' });
    report = el('pre', { class: 'report', id: 'uncertainty-report', tabindex: 0, role: 'region', 'aria-label': 'Uncertainty report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-uncertainty', () => last);
    p.append(el('p', { class: 'intro', text: 'How far to trust the results of the Solution tab: the inputs are varied at random within their standard uncertainties, every sample is solved, and each result gets the 95 % range of the samples and the share of its spread that each input causes. The same seed gives the same numbers.' }),
      el('div', { class: 'columns' }, form, el('div', { class: 'output', id: 'uncertainty-output' }, messages, results, charts,
        el('div', { class: 'actions', 'aria-label': 'Download the uncertainty' }, exports), el('h3', { text: 'Report' }), report)));
    fresh = Dedodiz.results(p, p.querySelector('#uncertainty-output'), exports);
  }

  // A purity row per chelator and a contamination row per metal of the Solution tab, keeping what was
  // typed by name.
  function refresh() {
    const s = Dedodiz.solution.entered();
    fill(purityBox, 'purity', s ? s.chelators : [], ['1', '0'], 'No chelator in the solution.');
    fill(contaminationBox, 'contamination', s ? s.metals : [], ['0', '0'], 'No metal in the solution.');
  }

  function fill(box, kind, entries, empty, none) {
    box.querySelectorAll('[data-name]').forEach((row) => {
      kept[kind][row.dataset.name] = [...row.querySelectorAll('input')].map((i) => i.value);
    });
    const unit = kind === 'contamination';
    box.replaceChildren(...entries.map((e, k) => {
      const [value, sd] = kept[kind][e.name] || empty;
      return el('div', { 'data-name': e.name }, field(`uncertainty-${kind}-${k + 1}`, `${e.name} ${kind}`, value, unit, 'long'),
        field(`uncertainty-${kind}-sd-${k + 1}`, `${e.name} ${kind} uncertainty`, sd, unit, 'long'));
    }));
    if (!entries.length) box.append(el('p', { class: 'hint', text: none }));
  }

  // A calibration's use (the calibrate command's "use", a purity above 1 already taken as 1 and a
  // contamination below 0 as none): its chelator's purity and its metal's contamination, each with its
  // standard uncertainty, as dedodiz32-cli uncertainty --calibration takes them. Rows of names the
  // Solution tab does not have are kept until it has them. Says what it did.
  function useCalibration(use) {
    refresh();
    const { purity, contamination_M: contamination } = use;
    const amount = (v) => { const unit = numbers.unitFor(v); return `${numbers.inUnit(v, unit)} ${unit}`; };
    kept.purity[use.chelator] = [String(purity), String(use.purity_sd)];
    kept.contamination[use.metal] = [amount(contamination), amount(use.contamination_sd_M)];
    const set = (box, name, values) => {
      const row = [...box.querySelectorAll('[data-name]')].find((r) => r.dataset.name === name);
      if (row) row.querySelectorAll('input').forEach((input, k) => { input.value = values[k]; input.dispatchEvent(new Event('change', { bubbles: true })); });
      return Boolean(row);
    };
    const missing = [];
    if (!set(purityBox, use.chelator, kept.purity[use.chelator])) missing.push(use.chelator);
    if (!set(contaminationBox, use.metal, kept.contamination[use.metal])) missing.push(use.metal);
    const conc = numbers.concentration;
    const said = `The Uncertainty tab now takes the purity of ${use.chelator} as ${purity.toFixed(4)} ± ${numbers.plain(use.purity_sd, 2)} and the contamination ${use.metal}=${conc(contamination)} ± ${conc(use.contamination_sd_M)} from the fit.`;
    if (!missing.length) return said;
    const [are, rows, once] = missing.length > 1 ? ['are', 'their rows are', 'they are'] : ['is', 'its row is', 'it is'];
    return `${said} ${missing.join(' and ')} ${are} not in the solution of the Solution tab: ${rows} filled once ${once}.`;
  }

  function read(id, label, check) {
    const input = panel.querySelector('#' + id);
    const parsed = numbers.parse(input.value);
    const bad = parsed.error || (check && check(parsed.value));
    input.setAttribute('aria-invalid', bad ? 'true' : 'false');
    if (bad) { input.focus(); throw new Error(`${label}: ${bad}`); }
    return parsed.value;
  }

  function request(solution) {
    const r = { solution, precision: Dedodiz.solution.precision(), purity: [] };
    for (const [key, label] of SDS)
      r[key] = read('uncertainty-' + key.replace(/_/g, '-'), label, (v) => (v < 0 ? 'must be 0 or more' : ''));
    r.samples = read('uncertainty-samples', 'Samples', (v) => (Number.isInteger(v) && v >= 1 && v <= defaults.max_samples
      ? '' : `a whole number from 1 to ${defaults.max_samples}`));
    const seed = panel.querySelector('#uncertainty-seed');
    const seedOk = /^\d{1,20}$/.test(seed.value.trim());
    seed.setAttribute('aria-invalid', seedOk ? 'false' : 'true');
    if (!seedOk) { seed.focus(); throw new Error('Seed: a whole number from 0'); }
    r.seed = seed.value.trim();
    r.contamination = [...contaminationBox.querySelectorAll('[data-name]')].map((row) => {
      const [concentration, sd] = row.querySelectorAll('input');
      return { name: row.dataset.name, concentration: concentration.value, sd: sd.value };
    });
    purityBox.querySelectorAll('[data-name]').forEach((row) => {
      const [fraction, sd] = row.querySelectorAll('input');
      r.purity.push({
        name: row.dataset.name,
        fraction: read(fraction.id, `${row.dataset.name} purity`, (v) => (v > 0 && v <= 1 ? '' : 'a fraction above 0 and up to 1')),
        sd: read(sd.id, `${row.dataset.name} purity uncertainty`, (v) => (v < 0 ? 'must be 0 or more' : '')),
      });
    });
    return r;
  }

  // The computation of the form, in the worker with its progress and Stop: a promise of the reply, or of
  // null when a field is not valid.
  async function run() {
    const r = Dedodiz.requestFor(messages, request);
    if (!r) { show({ ok: false, keep: true }); return null; }
    status.textContent = `Computing ${r.samples} samples…`;
    const { reply, ms } = await Dedodiz.jobs.runFrom(panel.querySelector('#run-uncertainty'), bar, 'uncertainty', r, r.samples);
    status.textContent = reply.ok ? `Done in ${(ms / 1000).toFixed(1)} s.` : '';
    show(reply);
    return reply;
  }

  function show(reply) {
    last = reply.ok ? reply : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    if (!reply.keep) Dedodiz.markRefusals(panel, reply, fieldOf);
    Dedodiz.showReport(report, reply.report);
    fresh.shown(reply.ok);
    results.replaceChildren();
    charts.replaceChildren();
    if (!reply.ok) return;
    const d = JSON.parse(reply.json);
    results.append(...tables(d));
    charts.append(...d.results.map((res, k) => histogram(res, reply.histograms[k], d.samples - d.failed)));
  }

  // The field of this tab that a refusal names ("pH sd", "samples", "purity EGTA", "contamination Ca2").
  function fieldOf(r) {
    if (r.kind !== 'option') return null;
    const sd = { 'pH sd': 'ph_sd', 'temperature sd': 'temp_sd', 'ionic rsd': 'ionic_rsd', 'log K H sd': 'logk_h_sd',
      'log K ML sd': 'logk_ml_sd', 'log K MHL sd': 'logk_mhl_sd', 'dH rsd': 'dh_rsd', 'total rsd': 'total_rsd' }[r.field];
    if (sd) return panel.querySelector('#uncertainty-' + sd.replace(/_/g, '-'));
    if (r.field === 'samples') return panel.querySelector('#uncertainty-samples');
    const named = r.field.match(/^(purity|contamination) (.*)$/);
    const box = named && (named[1] === 'purity' ? purityBox : contaminationBox);
    const row = named && [...box.querySelectorAll('[data-name]')].find((d) => d.dataset.name.toLowerCase() === named[2].toLowerCase());
    return row ? [...row.querySelectorAll('input')] : null;
  }

  const label = (key) => key.replace(/^(free|total)_(.*)_M$/, (s, kind, name) => `${name} ${kind}`);
  const percent = (share) => (share >= 0.005 ? `${(100 * share).toFixed(0)} %` : share > 0 ? '< 1 %' : '0');

  // The median and 95 % range of every result, and the shares of the spread by input.
  function tables(d) {
    const conc = numbers.concentration;
    const head = (cells) => el('thead', {}, el('tr', {}, cells.map((h) => el('th', { scope: 'col', text: h }))));
    const spread = el('table', { class: 'results' }, el('caption', { text: `${d.samples} samples, ${d.failed} left out` }),
      head(['Result', 'Single point', 'Median', '95 % from', 'to']),
      el('tbody', {}, d.results.map((r) => el('tr', {}, el('th', { scope: 'row', text: label(r.key) }),
        [r.value, r.median, r.q025, r.q975].map((v) => el('td', { text: conc(v) }))))));
    // The inputs by their largest share in any result; those under 1 % everywhere summed in one row.
    const inputs = new Map();
    d.results.forEach((r, k) => (d.contributions[r.key] || []).forEach(({ input, share }) => {
      if (!inputs.has(input)) inputs.set(input, d.results.map(() => 0));
      inputs.get(input)[k] = share;
    }));
    const rows = [...inputs.entries()].sort((a, b) => Math.max(...b[1]) - Math.max(...a[1]));
    const named = rows.filter(([, s]) => Math.max(...s) >= 0.01);
    const rest = rows.filter(([, s]) => Math.max(...s) < 0.01);
    const body = named.map(([input, s]) => [input, s]);
    if (rest.length) body.push([`${rest.length} other inputs`, d.results.map((r, k) => rest.reduce((sum, [, s]) => sum + s[k], 0))]);
    const shares = el('table', { class: 'results' }, el('caption', { text: 'Shares of the spread' }),
      head(['Input', ...d.results.map((r) => label(r.key))]),
      el('tbody', {}, body.map(([input, s]) => el('tr', {}, el('th', { scope: 'row', text: input }),
        s.map((share) => el('td', { text: percent(share) }))))));
    return [spread, shares];
  }

  // One result's samples in the bins of the desktop program's histogram, with the single point (red),
  // the median (green) and the 95 % range (blue) marked.
  function histogram(r, h, counted) {
    const W = 420, H = 200, left = 12, right = 12, top = 28, bottom = 36;
    const pw = W - left - right, ph = H - top - bottom, base = top + ph;
    const most = Math.max(0, ...h.counts);
    const x = (v) => (h.high === h.low ? left + pw / 2 : left + ((v - h.low) / (h.high - h.low)) * pw);
    const sci = (v) => (typeof v === 'number' ? v.toExponential(2).replace('e', 'E') : '—');
    const bars = most === 0 ? [] : h.counts.map((c, b) => el('rect', {
      x: (left + (b * pw) / h.counts.length).toFixed(1), width: Math.max(1, pw / h.counts.length - 1).toFixed(1),
      y: (base - (c / most) * ph).toFixed(1), height: ((c / most) * ph).toFixed(1), class: 'bar',
    }));
    const mark = (v, cls, text) => (v >= h.low && v <= h.high
      ? el('line', { x1: x(v).toFixed(1), x2: x(v).toFixed(1), y1: top, y2: base, class: cls }, el('title', { text: `${text}: ${sci(v)} M` })) : null);
    const name = label(r.key);
    const description = `Histogram of ${name}: ${counted} samples from ${sci(h.low)} to ${sci(h.high)} M; median ${sci(r.median)} M, 95 % from ${sci(r.q025)} to ${sci(r.q975)} M, single point ${sci(r.value)} M.`;
    return el('figure', { class: 'histogram' },
      el('svg', { viewBox: `0 0 ${W} ${H}`, role: 'img', 'aria-label': description, xmlns: 'http://www.w3.org/2000/svg' },
        el('text', { x: left, y: 16, class: 'title' }, `${name} [M], ${counted} samples`),
        ...bars, el('line', { x1: left, x2: left + pw, y1: base, y2: base, class: 'axis' }),
        mark(r.q025, 'range', '2.5 %'), mark(r.q975, 'range', '97.5 %'), mark(r.median, 'median', 'median'), mark(r.value, 'value', 'single point'),
        el('text', { x: left, y: base + 16 }, sci(h.low)), el('text', { x: left + pw, y: base + 16, 'text-anchor': 'end' }, sci(h.high)),
        most === 0 ? el('text', { x: left + pw / 2, y: top + ph / 2, 'text-anchor': 'middle' }, 'no sample converged') : null),
      el('figcaption', {}, el('span', { class: 'key value' }, 'single point'), ' ', el('span', { class: 'key median' }, 'median'), ' ',
        el('span', { class: 'key range' }, '95 % range')));
  }

  Dedodiz.uncertainty = { run, useCalibration };
  // Back to the example: the rows forget what was typed into them or a calibration put there.
  function reset() {
    kept.purity = {};
    kept.contamination = {};
    purityBox.replaceChildren();
    contaminationBox.replaceChildren();
    refresh();
  }

  Dedodiz.addSection({ id: 'uncertainty', title: 'Uncertainty', build, show: refresh, reset });
})();
