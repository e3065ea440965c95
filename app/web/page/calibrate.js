// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The calibration: a titration measured in the lab (pasted, or loaded from a CSV file) gives the real
// purity of the chelator, the metal that water and salts bring (contamination) and the apparent Kd at
// the titration's conditions, each with its 95 % interval, as dedodiz32-cli calibrate fits them against
// the table in use; the Scatchard and residual plots beside the report. A fit with its bootstrap runs
// in the worker with progress and Stop (1000 draws take seconds here). Two buttons carry the purity and
// the contamination into the Recipe tab and, with their intervals as spreads, into the Uncertainty tab;
// a download gives the constants table whose log K for the pair reproduces the fitted Kd.
(() => {
  const { el, numbers } = Dedodiz;
  // The example titration, examples/ca-egta-titration.csv: EGTA titrated with CaCl2 at pH 7.2, 22 °C and
  // 0.15 N, read with a Ca electrode.
  const EXAMPLE = {
    temp: '22', ph: '7.2', ionic: '0.15', chelator: 'EGTA', metal: 'Ca2',
    csv: `# EGTA titrated with CaCl2 at pH 7.2, 22 C, 0.15 N (KCl, 10 mM MOPS), read with a Ca electrode
# dedodiz32-cli calibrate ca-egta-titration.csv --temp 22 --ph 7.2 --ionic 0.15 --chelator EGTA --metal Ca2
metal_total_M,chelator_total_M,mV
300uM,0,-90.4
1mM,0,-75.7
950uM,1mM,-134.7
500uM,1mM,-181.0
300uM,1mM,-189.6
100uM,1mM,-200.2
1.8mM,2mM,-149.9
600uM,2mM,-190.4
30uM,0,-118.6
1.2mM,2mM,-176.4
10uM,0,-130.0
1.6mM,2mM,-163.1
400uM,2mM,-194.8
200uM,2mM,-199.8
800uM,2mM,-185.1
850uM,1mM,-158.3
1mM,2mM,-181.1
1.4mM,2mM,-170.4
100uM,0,-104.4
700uM,1mM,-170.1
`,
  };
  const FILE_LIMIT = 4 * 1024 * 1024;  // [bytes] the most the titration reader takes
  const LINK_LIMIT = 4096;  // [bytes] a longer titration stays out of the link and the browser's memory (state.js)
  let panel, data, linkNote, status, bar, messages, results, plots, report, exports, fresh, useButtons, useNote, last = null;

  const q = (id) => panel.querySelector('#' + id);
  const field = (id, label, value, attrs) => el('label', { class: 'field' }, el('span', { text: label }),
    el('input', { type: 'text', id, class: 'short', inputmode: 'decimal', autocomplete: 'off', value, ...attrs }));
  const select = (id, label) => el('label', { class: 'field' }, el('span', { text: label }), el('select', { id, class: 'name' }));

  function build(p) {
    panel = p;
    data = el('textarea', { id: 'calibrate-data', rows: 12, spellcheck: 'false', autocomplete: 'off', 'aria-describedby': 'calibrate-data-hint calibrate-link-note' });
    data.value = EXAMPLE.csv;
    linkNote = el('p', { class: 'hint', id: 'calibrate-link-note', hidden: true,
      text: 'This titration is longer than 4 KB: the page\'s link and its memory keep the other inputs but not the rows; keep the CSV file.' });
    const file = el('input', { type: 'file', id: 'calibrate-file', accept: '.csv,.CSV,.txt,.TXT,text/csv,text/plain', onchange: chosen });
    const titration = el('fieldset', {}, el('legend', { text: 'Titration' }),
      el('label', { for: 'calibrate-data', class: 'block-label' }, 'The titration as CSV: a header metal_total_M,chelator_total_M,mV (or free_M), then one row per solution'),
      data,
      el('p', { class: 'hint', id: 'calibrate-data-hint', text: 'Totals as weighed, with their units (2mM, 150uM; a bare number is mol/L); rows with chelator_total_M 0 are the electrode\'s standards. Paste the rows, or load the file.' }),
      linkNote,
      el('div', { class: 'actions' },
        el('label', { for: 'calibrate-file' }, 'Load CSV... '), file,
        el('button', { type: 'button', id: 'calibrate-example', onclick: example }, 'Example titration')));
    const conditions = el('fieldset', {}, el('legend', { text: 'Pair and conditions of the titration' }),
      select('calibrate-chelator', 'Chelator'), select('calibrate-metal', 'Metal'),
      field('calibrate-temp', 'Temperature (°C)', EXAMPLE.temp), field('calibrate-ph', 'pH', EXAMPLE.ph),
      field('calibrate-ionic', 'Ionic strength (N)', EXAMPLE.ionic));
    const bootstrap = el('fieldset', {}, el('legend', { text: 'Bootstrap check of the intervals' }),
      field('calibrate-bootstrap', 'Draws (0: none)', '1000', { inputmode: 'numeric' }),
      field('calibrate-seed', 'Seed', '1', { inputmode: 'numeric' }));
    status = el('p', { id: 'calibrate-status', role: 'status', class: 'status' });
    bar = Dedodiz.jobs.progressBar('Bootstrap draws computed');
    const form = el('form', { novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } }, titration, conditions, bootstrap,
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'run-calibrate' }, 'Calculate'), bar.box, status));
    messages = el('ul', { class: 'messages', id: 'calibrate-messages', 'aria-live': 'polite' });
    results = el('div', { id: 'calibrate-results' });
    plots = el('div', { id: 'calibrate-plots', class: 'calibration-plots' });
    report = el('pre', { class: 'report', id: 'calibrate-report', tabindex: 0, role: 'region', 'aria-label': 'Calibration report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-calibration', () => last);
    useButtons = [el('button', { type: 'button', id: 'calibrate-use', disabled: true, onclick: useInRecipe }, 'Use in the recipe'),
      el('button', { type: 'button', id: 'calibrate-use-uncertainty', disabled: true, onclick: useInUncertainty }, 'Use in the uncertainty'),
      el('button', { type: 'button', id: 'calibrate-constants', disabled: true, onclick: downloadConstants,
        title: 'A new constants table whose log K for the pair gives the fitted Kd: open it in the Files tab' }, 'Calibrated constants (.TCM)')];
    useNote = el('p', { id: 'calibrate-use-note', class: 'status', role: 'status' });
    const help = el('a', { href: '#help-calibrate', class: 'help-link', onclick: (e) => {
      e.preventDefault();
      Dedodiz.showTab('help', true);
      document.getElementById('help-calibrate').scrollIntoView();
    } }, 'Help > Calibration');
    p.append(el('p', { class: 'intro' }, 'The real purity of your chelator, the metal that water and salts bring, and the Kd at your conditions, fitted to a titration you measured: standards of the metal alone and buffer points of metal and chelator, read with an electrode (mV) or as free levels. ', help, ' explains the experiment.'),
      el('div', { class: 'columns' }, form, el('div', { class: 'output', id: 'calibrate-output' }, messages, results, plots,
        el('div', { class: 'actions', 'aria-label': 'Download or use the calibration' }, exports, useButtons), useNote,
        el('h3', { text: 'Report' }), report)));
    fresh = Dedodiz.results(p, p.querySelector('#calibrate-output'), [...exports, ...useButtons], false);
    Dedodiz.on('table', fillNames);
    data.addEventListener('input', linkShown);
    data.addEventListener('change', linkShown);
  }

  // The chelators and metals of the table in use, keeping the choice where the table has it; a fit
  // against another table is out of date.
  let tableName = null;
  function fillNames(t) {
    if (tableName !== null && tableName !== t.constants_file) Dedodiz.edited(panel);
    tableName = t.constants_file;
    for (const [id, names, wanted] of [['calibrate-chelator', t.chelators, EXAMPLE.chelator], ['calibrate-metal', t.metals, EXAMPLE.metal]]) {
      const menu = q(id);
      const keep = menu.value || wanted;
      const list = names.map((n) => n.name);
      menu.replaceChildren(...list.map((n) => el('option', { value: n }, n)));
      menu.value = list.includes(keep) ? keep : list[0] || '';
    }
  }

  // Whether the rows are too long for the link (state.js leaves them out then).
  function linkShown() { linkNote.hidden = new Blob([data.value]).size <= LINK_LIMIT; }

  function setData(text) {
    data.value = text;
    linkShown();
    data.dispatchEvent(new Event('change', { bubbles: true }));
  }

  function example() {
    setData(EXAMPLE.csv);
    for (const key of ['temp', 'ph', 'ionic', 'chelator', 'metal']) {
      const f = q('calibrate-' + key);
      if (f.tagName === 'SELECT' && ![...f.options].some((o) => o.value === EXAMPLE[key])) continue;
      f.value = EXAMPLE[key];
      f.dispatchEvent(new Event('change', { bubbles: true }));
    }
    Dedodiz.announce('The example titration and its conditions are filled in.');
  }

  // A CSV file chosen from the computer: its text replaces the rows; one larger than the reader takes is
  // refused before it is read and changes nothing.
  async function chosen(e) {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    if (file.size > FILE_LIMIT) {
      Dedodiz.showMessages(messages, { error: `File too large (more than ${FILE_LIMIT} bytes): ${file.name}` });
      return;
    }
    setData(await file.text());
    // Lines as the reader counts them: any line end (a Mac's CR too), blank lines left out.
    const lines = data.value.split(/\r\n|\r|\n/).filter((line) => line.trim()).length;
    Dedodiz.showMessages(messages, { messages: [{ caption: 'NOTE', text: `${file.name} loaded: ${lines} line${lines === 1 ? '' : 's'}.` }] });
  }

  function read(id, label, check) {
    const input = q(id);
    const parsed = numbers.parse(input.value);
    const bad = parsed.error || (check && check(parsed.value));
    input.setAttribute('aria-invalid', bad ? 'true' : 'false');
    if (bad) { input.focus(); throw new Error(`${label}: ${bad}`); }
    return parsed.value;
  }

  function request() {
    const whole = (v) => (Number.isInteger(v) ? '' : 'a whole number');
    const r = {
      csv: data.value, chelator: q('calibrate-chelator').value, metal: q('calibrate-metal').value,
      temp: read('calibrate-temp', 'Temperature'), ph: read('calibrate-ph', 'pH'), ionic: read('calibrate-ionic', 'Ionic strength'),
      bootstrap: read('calibrate-bootstrap', 'Bootstrap draws', whole),
    };
    const seed = q('calibrate-seed');
    const seedOk = /^\d{1,20}$/.test(seed.value.trim());
    seed.setAttribute('aria-invalid', seedOk ? 'false' : 'true');
    if (!seedOk) { seed.focus(); throw new Error('Seed: a whole number from 0'); }
    r.seed = seed.value.trim();
    return r;
  }

  // The fit of the form, with a bootstrap in the worker (its progress and Stop): a promise of the reply,
  // or of null when a field is not valid. The Session judges the range of the draws.
  async function run() {
    let r = null;
    try {
      r = request();
    } catch (e) {
      Dedodiz.showMessages(messages, { error: e.message });
      show({ ok: false, keep: true });
      return null;
    }
    status.textContent = r.bootstrap ? `Fitting, then ${r.bootstrap} bootstrap draws…` : 'Fitting…';
    // The fit alone takes some 15 ms: only its bootstrap (2.5 s for 1000 draws) needs the worker.
    let reply, ms;
    if (r.bootstrap > 0) ({ reply, ms } = await Dedodiz.jobs.runFrom(q('run-calibrate'), bar, 'calibrate', r, r.bootstrap));
    else {
      const t0 = performance.now();
      reply = Dedodiz.call('calibrate', r);
      ms = performance.now() - t0;
    }
    status.textContent = reply.ok ? `Done in ${(ms / 1000).toFixed(1)} s.` : '';
    show(reply);
    return reply;
  }

  function show(reply) {
    last = reply.ok ? reply : null;
    if (!reply.keep) {
      Dedodiz.showMessages(messages, reply);
      const marked = Dedodiz.markRefusals(panel, reply, fieldOf);
      // A titration the reader or the fit refuses: the rows are what to change.
      const user = reply.status === 'stopped' && /^Stopped:/.test(reply.error || '');
      if (!reply.ok && !marked.length && !user) {
        data.setAttribute('aria-invalid', 'true');
        data.focus();
      }
    }
    Dedodiz.showReport(report, reply.report);
    fresh.shown(reply.ok);
    useNote.textContent = '';
    results.replaceChildren();
    plots.replaceChildren();
    if (!reply.ok) return;
    const d = JSON.parse(reply.json);
    results.append(estimates(d));
    plots.append(...figures(reply.svg, d));
  }

  // The field of this tab that a refusal names.
  function fieldOf(r) {
    const id = { temperature: 'calibrate-temp', ph: 'calibrate-ph', ionic: 'calibrate-ionic', chelator: 'calibrate-chelator', metal: 'calibrate-metal' }[r.kind]
      || (r.kind === 'option' && r.field === 'bootstrap' ? 'calibrate-bootstrap' : null);
    return id ? q(id) : null;
  }

  // Every parameter with its 95 % interval (and the bootstrap's), the linear estimate and the table's Kd.
  function estimates(d) {
    // As the report writes them: 3.35E-06.
    const sci = (v) => (v === null || v === undefined ? '—' : v.toExponential(2).replace(/e([+-])(\d)$/, 'e$10$2').replace('e', 'E'));
    const fixed = (digits) => (v) => (v === null || v === undefined ? '—' : v.toFixed(digits));
    const rows = [['Purity', d.purity, fixed(4)], ['Contamination [M]', d.contamination_M, sci], ['Kd [M]', d.kd_M, sci]];
    if (d.electrode) {
      rows.push(['Slope [mV/decade]', d.electrode.slope_mV, fixed(2)], ['E0 [mV]', d.electrode.e0_mV, fixed(2)],
        ['Detection term [M]', d.electrode.detection_M, sci]);
    }
    const range = (pair, f) => (pair ? `${f(pair[0])} .. ${f(pair[1])}` : '—');
    const boot = Boolean(d.purity.bootstrap_ci95);  // the column only where a bootstrap was drawn
    const table = el('table', { class: 'results compact' },
      el('caption', { text: `${d.chelator} with ${d.metal}: ${d.points.length} rows, RMS ${d.rms.toFixed(2)} ${d.rms_unit}` }),
      el('thead', {}, el('tr', {}, ['Parameter', 'Value', '95 % interval', boot ? 'Bootstrap 95 %' : null].filter(Boolean).map((h) => el('th', { scope: 'col', text: h })))),
      el('tbody', {}, rows.map(([name, e, f]) => el('tr', {}, el('th', { scope: 'row', text: name }),
        el('td', { text: f(e.value) }), el('td', { text: range(e.ci95, f) }), boot ? el('td', { text: range(e.bootstrap_ci95, f) }) : null))));
    const s = d.scatchard;
    const ratio = d.kd_M.value / d.table_kd_M;
    const notes = el('p', { class: 'summary' },
      `Scatchard estimate: purity ${s.purity === null ? '—' : s.purity.toFixed(4)}, Kd ${sci(s.kd_M)} M. `,
      `The table's Kd at these conditions is ${sci(d.table_kd_M)} M; the fit is ${ratio.toFixed(3)} times it.`);
    return el('div', {}, el('div', { class: 'wide', tabindex: 0, role: 'region', 'aria-label': 'Fitted parameters, scrolls sideways' }, table), notes);
  }

  // The reply's picture holds the two plots side by side; each is shown in a figure of its own (the
  // left and the right half of the picture), so that on a phone they stack, each readable.
  function figures(svgText, d) {
    const doc = new DOMParser().parseFromString(svgText, 'image/svg+xml');
    const picture = doc.documentElement;
    if (picture.nodeName !== 'svg') return [];
    const [, , width, height] = picture.getAttribute('viewBox').split(/\s+/).map(Number);
    // The key along the bottom spans both halves: the captions say it instead.
    const texts = [...picture.querySelectorAll('text')];
    const key = texts[texts.length - 1];
    const bottom = key ? Number(key.getAttribute('y')) - 12 : height;
    if (key) key.remove();
    const sheet = picture.querySelector('rect');
    if (sheet) { sheet.setAttribute('width', width); sheet.setAttribute('height', height); }
    const half = width / 2;
    const residual = d.rms_unit === 'mV' ? 'mV' : '%';
    const described = [
      ['Scatchard plot', `Scatchard plot of ${d.points.filter((p) => !p.standard).length} buffer points: bound/free against bound per chelator, with the fitted line (red) and the linear estimate (green).`],
      ['Residuals', `Residuals in ${residual} of ${d.points.length} rows against log10 of the fitted free level; RMS ${d.rms.toFixed(2)} ${d.rms_unit}.`],
    ];
    return described.map(([title, description], k) => {
      const svg = document.importNode(picture, true);
      svg.removeAttribute('width');
      svg.removeAttribute('height');
      svg.setAttribute('viewBox', `${k * half} 0 ${half} ${bottom}`);
      svg.setAttribute('role', 'img');
      svg.setAttribute('aria-label', description);
      return el('figure', { class: 'calibration-plot' }, svg,
        el('figcaption', {}, el('strong', { text: title + ': ' }), el('span', { class: 'key rows' }, 'rows'), ' ',
          el('span', { class: k === 0 ? 'key fit' : 'key zero' }, k === 0 ? 'the fit' : 'zero'), ' ', k === 0 ? el('span', { class: 'key linear' }, 'the linear estimate') : null));
    });
  }

  // The fitted purity and contamination into the Recipe tab's purity of the chelator and contamination of
  // the metal, as dedodiz32-cli recipe --calibration carries them (a purity above 1 as 1, a contamination
  // below 0 as none: the calibrate command's "use").
  function useInRecipe() {
    if (!last) return;
    const { chelator, purity, metal, contamination_M: contamination } = last.use;
    const said = Dedodiz.recipe.useCalibration({ chelator, purity, metal, contamination });
    useNote.textContent = said;
    Dedodiz.announce(said);
  }

  // The fitted purity and contamination, with the standard uncertainties of their intervals, into the
  // Uncertainty tab's rows of the chelator and the metal, as dedodiz32-cli uncertainty --calibration
  // takes them; the tab is shown.
  function useInUncertainty() {
    if (!last) return;
    const said = Dedodiz.uncertainty.useCalibration(last.use);
    useNote.textContent = said;
    Dedodiz.showTab('uncertainty');
    Dedodiz.announce(said);
  }

  // The table in use with the pair's log K moved to give the fitted Kd, as dedodiz32-cli calibrate
  // --write-constants writes it: a new file named after the table, its bytes as the reply carries them.
  function downloadConstants() {
    if (!last) return;
    const bytes = Uint8Array.from(last.constants, (c) => c.charCodeAt(0));
    Dedodiz.download(last.constants_file, new Blob([bytes], { type: 'application/octet-stream' }));
  }

  Dedodiz.calibrate = { run, EXAMPLE, last: () => (last ? JSON.parse(last.json) : null) };
  Dedodiz.addSection({ id: 'calibrate', title: 'Calibrate', build });
})();
