// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The solution: calculation type, conditions, up to six chelators and six metals from the constants
// table with their concentrations, and the single-point run with its warnings, results and report. The
// other sections (sweeps, evaluation, work files) take their solution from this form.
(() => {
  const { el, call, numbers } = Dedodiz;
  const SLOTS = 6;
  const TYPES = [
    ['free', 'Free metal from the total metal'],
    ['total', 'Total metal for a wanted free metal'],
    ['chelator', 'Chelator needed to hold the first metal at its wanted free concentration'],
  ];
  // Which concentrations each type reads.
  const READS = {
    free: { chelTotal: true, metalTotal: true, metalFree: false },
    total: { chelTotal: true, metalTotal: false, metalFree: true },
    chelator: { chelTotal: false, metalTotal: true, metalFree: true },
  };
  // The example of the README: 2 mM EGTA with 1 mM Ca and 1 mM Mg at pH 7.2, 20 C, 0.1 N.
  const EXAMPLE = {
    calculation_type: 'free', temperature_C: 20, pH: 7.2, ionic_strength_N: 0.1,
    chelators: [{ name: 'EGTA', total_M: 0.002 }],
    metals: [{ name: 'Ca2', total_M: 0.001, free_M: 0 }, { name: 'Mg2', total_M: 0.001, free_M: 0 }],
  };

  let form, messages, results, report, exports, output, fresh, last = null;
  let slots = { chelators: [], metals: [] };  // the slot of each entry of the last solution read

  function unitSelect(id, label) {
    return el('select', { id, 'aria-label': label },
      Object.keys(numbers.UNITS).map((u) => el('option', { value: u, selected: u === 'mM' }, numbers.UNIT_NAMES[u])));
  }

  // A concentration: the number and its unit.
  function concField(id, label) {
    return el('span', { class: 'conc' },
      el('input', { type: 'text', id, inputmode: 'decimal', autocomplete: 'off', 'aria-label': label }),
      unitSelect(id + '-unit', 'unit of ' + label));
  }

  function entryRows(kind, count, columns) {
    const rows = [];
    const title = kind[0].toUpperCase() + kind.slice(1);
    for (let i = 1; i <= count; i++) {
      const cells = [el('td', {}, el('select', { id: `${kind}-${i}`, 'aria-label': `${title} ${i}`, class: 'name' }))];
      for (const [key, label] of columns)
        cells.push(el('td', { 'data-label': label[0].toUpperCase() + label.slice(1) }, concField(`${kind}-${i}-${key}`, `${title} ${i} ${label}`)));
      rows.push(el('tr', {}, cells));
    }
    return rows;
  }

  function build(panel) {
    const typeChoices = el('fieldset', { class: 'choices' }, el('legend', { text: 'Calculation' }),
      TYPES.map(([value, text]) => el('label', {},
        el('input', { type: 'radio', name: 'calc-type', value, id: 'type-' + value, onchange: typeChanged }), text)));
    const field = (id, label, value) => el('label', { class: 'field', for: id }, el('span', { text: label }),
      el('input', { type: 'text', id, class: 'short', inputmode: 'decimal', autocomplete: 'off', value }));
    const conditions = el('fieldset', {}, el('legend', { text: 'Conditions' }),
      field('temperature', 'Temperature (°C)', '20'), field('ph', 'pH', '7.2'),
      field('ionic', 'Ionic strength (N)', '0.1'));
    const chelators = el('fieldset', {}, el('legend', { text: 'Chelators (up to six)' }),
      el('table', { class: 'entries' }, el('thead', {}, el('tr', {}, el('th', { text: 'Chelator' }), el('th', { text: 'Total' }))),
        el('tbody', {}, entryRows('chelator', SLOTS, [['total', 'total']]))));
    const metals = el('fieldset', {}, el('legend', { text: 'Metals (up to six)' }),
      el('table', { class: 'entries' }, el('thead', {}, el('tr', {}, el('th', { text: 'Metal' }), el('th', { text: 'Total' }), el('th', { text: 'Free' }))),
        el('tbody', {}, entryRows('metal', SLOTS, [['total', 'total'], ['free', 'free']]))));
    form = el('form', { id: 'solution-form', novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } },
      typeChoices, conditions, chelators, metals,
      el('p', { class: 'intro', text: 'Numbers take a decimal point or comma and an exponent (1,5e-3); a concentration may carry its unit (155 nM).' }),
      el('label', { class: 'field', for: 'precision' }, el('span', { text: 'Precision' }),
        el('select', { id: 'precision', 'aria-describedby': 'precision-hint' },
          el('option', { value: 'checked', selected: true }, 'checked (every answer within 1e-4)'),
          el('option', { value: 'described' }, 'described (the iteration alone)'),
          el('option', { value: 'exact' }, 'exact (always refined)'))),
      el('p', { class: 'hint', id: 'precision-hint', text: 'Checked: the iteration\'s answer is checked against the mass balances and refined where it is off by more than 1e-4; exact: always solved to machine precision. For every tab; a refined report says so in its second line.' }),
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'calculate' }, 'Calculate')));
    messages = el('ul', { class: 'messages', id: 'run-messages', 'aria-live': 'polite' });
    results = el('div', { id: 'results' });
    report = el('pre', { class: 'report', id: 'report', tabindex: 0, role: 'region', 'aria-label': 'Report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-run', () => last);
    output = el('div', { class: 'output' }, el('h3', { text: 'Results' }), messages, results,
      el('h3', { text: 'Report' }), report, el('div', { class: 'actions', 'aria-label': 'Download the run' }, exports));
    fresh = Dedodiz.results(panel, output, exports);
    panel.append(el('p', { class: 'intro', text: 'Describe the solution and press Calculate (or Enter in any field). The report is the one the desktop program and dedodiz32-cli write.' }),
      el('div', { class: 'columns' }, form, output));
    Dedodiz.on('table', fillNames);
    fill(EXAMPLE);
  }

  // The names of the table in every row; a chosen name the table lacks is cleared and kept in dropped.
  let dropped = [];
  function fillNames(table) {
    dropped = [];
    const fillSelect = (select, names) => {
      const keep = select.value;
      select.replaceChildren(el('option', { value: '' }, '—'), ...names.map((n) => el('option', { value: n }, n)));
      select.value = names.includes(keep) ? keep : '';
      if (keep && !names.includes(keep)) dropped.push(keep);
    };
    for (let i = 1; i <= SLOTS; i++) {
      fillSelect(form.querySelector(`#chelator-${i}`), table.chelators.map((c) => c.name));
      fillSelect(form.querySelector(`#metal-${i}`), table.metals.map((m) => m.name));
    }
  }

  function type() { return form.querySelector('input[name="calc-type"]:checked').value; }

  function typeChanged() {
    const reads = READS[type()];
    for (let i = 1; i <= SLOTS; i++) {
      const set = (id, on) => { form.querySelector('#' + id).disabled = !on; form.querySelector(`#${id}-unit`).disabled = !on; };
      set(`chelator-${i}-total`, reads.chelTotal);
      set(`metal-${i}-total`, reads.metalTotal);
      set(`metal-${i}-free`, reads.metalFree);
    }
  }

  function setConc(id, value) {
    const unit = numbers.unitFor(value || 0);
    form.querySelector('#' + id).value = value ? numbers.inUnit(value, unit) : '';
    form.querySelector(`#${id}-unit`).value = value ? unit : 'mM';
  }

  // The form filled from a solution (the example, or a loaded work file).
  function fill(s) {
    form.querySelector('#type-' + s.calculation_type).checked = true;
    form.querySelector('#temperature').value = String(s.temperature_C);
    form.querySelector('#ph').value = String(s.pH);
    form.querySelector('#ionic').value = String(s.ionic_strength_N);
    for (let i = 1; i <= SLOTS; i++) {
      const c = s.chelators[i - 1], m = s.metals[i - 1];
      const chel = form.querySelector(`#chelator-${i}`), metal = form.querySelector(`#metal-${i}`);
      if (c && ![...chel.options].some((o) => o.value === c.name)) chel.append(el('option', { value: c.name }, c.name));
      if (m && ![...metal.options].some((o) => o.value === m.name)) metal.append(el('option', { value: m.name }, m.name));
      chel.value = c ? c.name : '';
      metal.value = m ? m.name : '';
      setConc(`chelator-${i}-total`, c && c.total_M);
      setConc(`metal-${i}-total`, m && m.total_M);
      setConc(`metal-${i}-free`, m && m.free_M);
    }
    typeChanged();
  }

  // The solution of the form for a request, or null after marking the fields that are not numbers.
  function entered() {
    const errors = [];
    const read = (id, label, withUnit) => {
      const input = form.querySelector('#' + id);
      const parsed = withUnit ? numbers.parse(input.value, form.querySelector(`#${id}-unit`).value) : numbers.parse(input.value);
      input.setAttribute('aria-invalid', parsed.error ? 'true' : 'false');
      if (parsed.error) errors.push({ input, text: `${label}: ${parsed.error}` });
      return parsed.value;
    };
    const reads = READS[type()];
    slots = { chelators: [], metals: [] };
    const s = {
      calculation_type: type(), temperature_C: read('temperature', 'Temperature'), pH: read('ph', 'pH'),
      ionic_strength_N: read('ionic', 'Ionic strength'), chelators: [], metals: [],
    };
    form.querySelectorAll('input[id$="-total"], input[id$="-free"]').forEach((i) => i.setAttribute('aria-invalid', 'false'));
    for (let i = 1; i <= SLOTS; i++) {
      const chel = form.querySelector(`#chelator-${i}`).value;
      if (chel) slots.chelators.push(i);
      if (chel) s.chelators.push({ name: chel, total_M: reads.chelTotal ? read(`chelator-${i}-total`, `Chelator ${i} total`, true) : 0 });
      const metal = form.querySelector(`#metal-${i}`).value;
      if (metal) slots.metals.push(i);
      if (metal) s.metals.push({
        name: metal,
        total_M: reads.metalTotal ? read(`metal-${i}-total`, `Metal ${i} total`, true) : 0,
        free_M: reads.metalFree ? read(`metal-${i}-free`, `Metal ${i} free`, true) : 0,
      });
    }
    if (errors.length) {
      Dedodiz.showMessages(messages, { messages: [], error: errors.map((e) => e.text).join('\n') });
      errors[0].input.focus();
      return null;
    }
    return s;
  }

  // The field of this form that a refusal of the calculator names, or null.
  function fieldFor(r) {
    const single = { type: () => form.querySelector('input[name="calc-type"]:checked'), temperature: '#temperature', ph: '#ph', ionic: '#ionic',
      chelators: '#chelator-1', metals: '#metal-1' }[r.kind];
    if (single) return typeof single === 'string' ? form.querySelector(single) : single();
    const m = r.kind.match(/^(chelator|metal)(?:_(total|free))?$/);
    if (!m || r.entry < 0) return null;
    const slot = slots[m[1] + 's'][r.entry];
    return slot ? form.querySelector(`#${m[1]}-${slot}${m[2] ? '-' + m[2] : ''}`) : null;
  }

  // The single-point run of the form; the reply of the run command, or null when the form is not valid.
  function run() {
    const s = entered();
    if (!s) { show({ ok: false, keep: true }); return null; }
    const reply = call('run', { solution: s, precision: precision() });
    show(reply);
    return reply;
  }

  // How every tab solves: "checked", "described" or "exact".
  function precision() { return form.querySelector('#precision').value; }

  function show(reply) {
    last = reply.ok ? reply : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    if (!reply.keep) Dedodiz.markRefusals(form, reply);
    Dedodiz.showReport(report, reply.report);
    results.replaceChildren(...(reply.ok ? resultTables(JSON.parse(reply.json)) : []));
    fresh.shown(reply.ok);
  }

  function resultTables(r) {
    const computed = { free: 'free', total: 'total', chelator: 'chelator' }[r.calculation_type];
    const table = (caption, head, rows) => el('table', { class: 'results' }, el('caption', { text: caption }),
      el('thead', {}, el('tr', {}, head.map((h) => el('th', { scope: 'col', text: h })))),
      el('tbody', {}, rows.map((cells) => el('tr', {}, cells.map((c, k) => k === 0
        ? el('th', { scope: 'row', text: c }) : el('td', { class: c && c.cls, text: c && c.text !== undefined ? c.text : c }))))));
    const conc = (v, isComputed) => ({ text: numbers.concentration(v), cls: isComputed ? 'computed' : null });
    const summary = el('p', { class: 'summary' },
      `pH ${r.conditions.pH}, ${r.conditions.temperature_C} °C, ${r.conditions.ionic_strength_N} N · `,
      r.converged ? 'converged' : el('strong', { text: 'CONVERGENCE NOT REACHED' }),
      r.refined ? ` · refined, residual ${numbers.plain(r.residual)}` : '',
      ` · ionic strength of the complexes ${numbers.plain(r.solution_ionic_strength_M)} M`);
    return [summary,
      table('Metals (bold: computed)', ['Metal', 'Total', 'Free'], r.metals.map((m) =>
        [m.name, conc(m.total_M, computed === 'total'), conc(m.free_M, computed === 'free')])),
      table('Chelators', ['Chelator', 'Total', 'Free'], r.chelators.map((c) =>
        [c.name, conc(c.total_M, computed === 'chelator'), conc(c.free_M, true)])),
      table('Pairs: buffering is good where the free metal lies within Kd/√10 .. Kd·√10',
        ['Pair', 'Kd', 'Buffer', 'ML', 'MHL'], r.pairs.map((p) => [`${p.chelator} · ${p.metal}`,
          numbers.concentration(p.Kd_M), { text: p.range || '—', cls: p.range === 'GOOD' ? 'word-GOOD' : null },
          numbers.concentration(p.ML_M), numbers.concentration(p.MHL_M)]))];
  }

  Dedodiz.solution = { dropped: () => dropped, entered, fill, run, show, precision, fieldFor, EXAMPLE, messages: () => messages };
  Dedodiz.addSection({ id: 'solution', title: 'Solution', build });
})();
