// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The recipe: what to pipette for the solution of the Solution tab, or for a series of wanted free levels
// of one of its metals. The volume, a stock for every chelator and metal (a purity for the chelators), a
// pH buffer of the buffer table, the ionic strength to top up to with a salt, the series and the mixing
// method; the answer is the pipetting table, the report of dedodiz32-cli recipe and its downloads. The
// amounts go to the calculator as typed, with their units, and are read there by the recipe's readers.
(() => {
  const { el, call, numbers } = Dedodiz;
  const CONC_UNITS = Object.keys(numbers.UNITS);
  const VOLUME_UNITS = { L: 'L', mL: 'mL', uL: 'µL' };
  const kept = {};  // what was typed into the stock and purity fields, by id, kept while the solution changes
  let panel, stockRows, messages, table, report, exports, fresh, bar, last = null;

  const unitSelect = (id, label, units, names, selected) => el('select', { id, 'aria-label': label },
    units.map((u) => el('option', { value: u, selected: u === selected }, names[u])));

  // A number and its unit: a text field and the unit beside it.
  function amountField(id, label, value, units, names, selected) {
    return el('label', { class: 'field' }, el('span', { text: label }),
      el('span', { class: 'conc' },
        el('input', { type: 'text', id, class: 'short', inputmode: 'decimal', autocomplete: 'off', value: value || '' }),
        unitSelect(id + '-unit', 'unit of ' + label, units, names, selected)));
  }
  const concField = (id, label, value, unit) => amountField(id, label, value, CONC_UNITS, numbers.UNIT_NAMES, unit || 'mM');

  function plainField(id, label, value, hint) {
    return el('label', { class: 'field' }, el('span', { text: label }),
      el('input', { type: 'text', id, class: 'short', inputmode: 'decimal', autocomplete: 'off', value: value || '', placeholder: hint || null }));
  }

  function build(p) {
    panel = p;
    stockRows = el('tbody', { id: 'recipe-stocks' });
    const stocks = el('fieldset', {}, el('legend', { text: 'Volume and stocks' }),
      amountField('recipe-volume', 'Final volume of each solution', '10', Object.keys(VOLUME_UNITS), VOLUME_UNITS, 'mL'),
      el('table', { class: 'entries' }, el('thead', {}, el('tr', {},
        el('th', { text: 'Chelator or metal' }), el('th', { text: 'Stock' }), el('th', { text: 'Purity (0.97 or 97 %)' }), el('th', { text: 'Form' }))), stockRows));
    const buffer = el('fieldset', {}, el('legend', { text: 'pH buffer (optional)' }),
      el('label', { class: 'field' }, el('span', { text: 'Buffer' }), el('select', { id: 'recipe-buffer', onchange: bufferShown })),
      el('span', { id: 'recipe-buffer-fields' },
        concField('recipe-buffer-conc', 'In the solution', '20'), concField('recipe-buffer-stock', 'Stock', '1', 'M'),
        el('label', { class: 'field' }, el('span', { text: 'Added as' }), el('select', { id: 'recipe-buffer-form' },
          [['free', 'the free form'], ['mono', 'a mono- salt'], ['di', 'a di- salt'], ['tri', 'a tri- salt']]
            .map(([v, t]) => el('option', { value: v }, t))))));
    const ionic = el('fieldset', {}, el('legend', { text: 'Ionic strength' }),
      el('label', { class: 'check' }, el('input', { type: 'checkbox', id: 'recipe-topup', checked: true, onchange: topupShown }), 'Top up with a 1:1 salt'),
      el('div', { id: 'recipe-topup-fields' },
        plainField('recipe-target', 'Target (N)', ''),
        el('label', { class: 'field' }, el('span', { text: 'Salt' }),
          el('input', { type: 'text', id: 'recipe-salt', class: 'short', value: 'KCl', autocomplete: 'off' })),
        concField('recipe-salt-stock', 'Salt stock', '3', 'M')),
      el('p', { class: 'hint', text: 'Without a top-up salt the ionic strength is what the solution brings.' }));
    const series = el('fieldset', {}, el('legend', { text: 'Series of free levels (optional)' }),
      el('label', { class: 'field' }, el('span', { text: 'Metal' }), el('select', { id: 'recipe-series-metal', onchange: seriesShown })),
      el('span', { id: 'recipe-series-fields' },
        el('label', { class: 'field' }, el('span', { text: 'Levels given as' }), el('select', { id: 'recipe-series-kind', onchange: seriesShown },
          el('option', { value: 'range' }, 'pX from, to, step'), el('option', { value: 'px' }, 'pX values'),
          el('option', { value: 'conc' }, 'concentrations'))),
        el('span', { id: 'recipe-series-range' }, plainField('recipe-series-from', 'From (pX)', '9'),
          plainField('recipe-series-to', 'To (pX)', '4,5'), plainField('recipe-series-step', 'Step', '0,5')),
        el('span', { id: 'recipe-series-list' },
          el('label', { class: 'field' }, el('span', { text: 'Values, separated by ; or blanks' }),
            el('input', { type: 'text', id: 'recipe-series-values', autocomplete: 'off', value: '7; 6,5; 6' })),
          el('label', { class: 'field', id: 'recipe-series-unit-field' }, el('span', { text: 'Unit' }),
            unitSelect('recipe-series-unit', 'unit of the series values', CONC_UNITS, numbers.UNIT_NAMES, 'uM'))),
        el('div', {},
          el('label', { class: 'check' }, el('input', { type: 'checkbox', id: 'recipe-mix', onchange: seriesShown }),
            'Make the series by mixing two end solutions'),
          el('span', { id: 'recipe-mix-fields' }, amountField('recipe-mix-volume', 'Volume of each mix', '', Object.keys(VOLUME_UNITS), VOLUME_UNITS, 'mL')))));
    // How the tubes are made beyond the stocks: each left empty keeps the recipe's own choice.
    const named = (id, label, names, value) => el('label', { class: 'field' }, el('span', { text: label }),
      el('input', { type: 'text', id, class: 'short', autocomplete: 'off', value: value || '', list: id + '-names' }),
      el('datalist', { id: id + '-names' }, names.map((n) => el('option', { value: n }))));
    const chemistry = el('details', { id: 'recipe-chemistry' }, el('summary', { text: 'Chemistry: base, acid, contamination, osmolarity (optional)' }),
      el('fieldset', {}, el('legend', { text: 'pH set with' }),
        named('recipe-base', 'Base', ['KOH', 'NaOH', 'CsOH', 'LiOH'], 'KOH'), concField('recipe-base-stock', 'Base stock (empty: 1 M)', '', 'M'),
        named('recipe-acid', 'Acid', ['HCl'], 'HCl'), concField('recipe-acid-stock', 'Acid stock (empty: 1 M)', '', 'M')),
      el('fieldset', {}, el('legend', { text: 'Contamination and ionic strength' }),
        el('label', { class: 'field' }, el('span', { text: 'Metal contamination, each with its unit (Ca2=10 uM; Zn2=1 nM)' }),
          el('input', { type: 'text', id: 'recipe-contamination', autocomplete: 'off' })),
        plainField('recipe-ionic-strength', 'Top up to ionic strength (M), instead of the target in N', '')),
      el('fieldset', {}, el('legend', { text: 'Osmolarity' }),
        named('recipe-osmolyte', 'Osmolyte', ['sucrose', 'mannitol', 'sorbitol', 'glucose'], ''), concField('recipe-osmolyte-stock', 'Osmolyte stock', '', 'M'),
        plainField('recipe-osmolarity', 'Target (290 or 290 mOsm)', '')),
      el('p', { class: 'hint', text: 'The form of each stock (the column Form above) names the salt it is made from, as K2H2EGTA or CaCl2; empty, the usual one.' }));
    const form = el('form', { novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } },
      stocks, buffer, ionic, series, chemistry,
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'run-recipe' }, 'Make recipe'),
        (bar = Dedodiz.jobs.progressBar('Recipe series running')).box));
    messages = el('ul', { class: 'messages', id: 'recipe-messages', 'aria-live': 'polite' });
    table = el('div', { id: 'recipe-table' });
    report = el('pre', { class: 'report', id: 'recipe-report', tabindex: 0, role: 'region', 'aria-label': 'Recipe report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-recipe', () => last);
    p.append(el('p', { class: 'intro', text: 'What to pipette for the solution of the Solution tab: the volume of every stock, the salt that brings the ionic strength to its target and the water, for one solution or a series of free levels. Amounts take their unit (10 mL, 100 mM) and a decimal comma.' }),
      el('div', { class: 'columns' }, form, el('div', { class: 'output', id: 'recipe-output' }, messages, table,
        el('div', { class: 'actions', 'aria-label': 'Download the recipe' }, exports), el('h3', { text: 'Report' }), report)));
    fresh = Dedodiz.results(p, p.querySelector('#recipe-output'), exports);
    Dedodiz.on('table', fillBuffers);
    bufferShown();
    seriesShown();
  }

  function fillBuffers(t) {
    const select = panel.querySelector('#recipe-buffer');
    const keep = select.value;
    const names = (t.buffers || []).map((b) => b.name);
    select.replaceChildren(el('option', { value: '' }, 'none'), ...names.map((n) => el('option', { value: n }, n)));
    select.value = names.includes(keep) ? keep : '';
    bufferShown();
  }

  const shown = (id, on) => { panel.querySelector('#' + id).hidden = !on; };
  function bufferShown() { shown('recipe-buffer-fields', panel.querySelector('#recipe-buffer').value !== ''); }
  function topupShown() { shown('recipe-topup-fields', panel.querySelector('#recipe-topup').checked); }
  function seriesShown() {
    const on = panel.querySelector('#recipe-series-metal').value !== '';
    const kind = panel.querySelector('#recipe-series-kind').value;
    shown('recipe-series-fields', on);
    shown('recipe-series-range', kind === 'range');
    shown('recipe-series-list', kind !== 'range');
    shown('recipe-series-unit-field', kind === 'conc');
    shown('recipe-mix-fields', panel.querySelector('#recipe-mix').checked);
  }

  // A purity as a fit gives it (0.9712345678901234) is wider than the field a typed one needs: the field
  // grows with its value, so that the whole number can be read (the page's width still bounds it).
  function fitToValue(input) {
    input.style.width = input.value.length > 8 ? `calc(${input.value.length + 1}ch + 0.5rem)` : '';
  }

  // The stock rows for the chelators and metals of the Solution tab, keeping what was typed by name.
  function refresh() {
    stockRows.querySelectorAll('tr').forEach((row) => {
      const field = (sel) => row.querySelector(sel) && row.querySelector(sel).value;
      kept[row.dataset.name] = { stock: field('.stock'), unit: field('select'), purity: field('.purity'), form: field('.form') };
    });
    const s = Dedodiz.solution.entered();
    if (!s) return;
    const entries = [...s.chelators.map((c) => ({ name: c.name, kind: 'Chelator' })), ...s.metals.map((m) => ({ name: m.name, kind: 'Metal' }))];
    stockRows.replaceChildren(...entries.map((e, k) => {
      const id = `recipe-stock-${k + 1}`, was = kept[e.name] || {};
      const stock = el('span', { class: 'conc' },
        el('input', { type: 'text', id, class: 'short stock', inputmode: 'decimal', autocomplete: 'off', 'aria-label': `Stock of ${e.name}`, value: was.stock || '' }),
        unitSelect(id + '-unit', `unit of the stock of ${e.name}`, CONC_UNITS, numbers.UNIT_NAMES, was.unit || 'mM'));
      const purity = e.kind === 'Chelator' ? el('input', { type: 'text', id: `recipe-purity-${k + 1}`, class: 'short purity', inputmode: 'decimal',
        autocomplete: 'off', 'aria-label': `Purity of ${e.name}`, placeholder: '1', value: was.purity || '' }) : '';
      if (purity) {
        fitToValue(purity);
        purity.addEventListener('input', () => fitToValue(purity));
      }
      const form = el('input', { type: 'text', id: `recipe-form-${k + 1}`, class: 'short form', autocomplete: 'off',
        'aria-label': `Form of ${e.name}`, placeholder: 'usual', value: was.form || '' });
      return el('tr', { 'data-name': e.name, 'data-stock': id },
        el('th', { scope: 'row', text: `${e.kind} ${e.name}` }), el('td', {}, stock), el('td', {}, purity), el('td', {}, form));
    }));
    // Left empty, the target is the solution's own ionic strength.
    panel.querySelector('#recipe-target').placeholder = String(s.ionic_strength_N);
    const metal = panel.querySelector('#recipe-series-metal');
    const keep = metal.value;
    metal.replaceChildren(el('option', { value: '' }, 'none: the one solution'), ...s.metals.map((m) => el('option', { value: m.name }, m.name)));
    metal.value = s.metals.some((m) => m.name === keep) ? keep : '';
    seriesShown();
  }

  // The text of an amount as the calculator reads it: the typed text with the unit chosen beside it,
  // unless the text carries its own. Marks the field and throws when it is not a number.
  function amountText(id, label, units) {
    const input = panel.querySelector('#' + id);
    const text = input.value.trim();
    const own = text.match(/\s*([a-zA-Zµμ]+)$/);
    const number = own ? text.slice(0, text.length - own[0].length) : text;
    const bad = numbers.parse(number).error || (own && !units.some((u) => u.toLowerCase() === own[1].replace(/[µμ]/, 'u').toLowerCase()) && `"${own[1]}" is not a unit here`);
    input.setAttribute('aria-invalid', bad ? 'true' : 'false');
    if (bad) { input.focus(); throw new Error(`${label}: ${bad}`); }
    return own ? text : `${text} ${panel.querySelector(`#${id}-unit`).value}`;
  }

  // A plain number as text (pX values, the target) in the decimal point that the calculator reads.
  function numberText(text, label, input) {
    const parsed = numbers.parse(text);
    if (input) input.setAttribute('aria-invalid', parsed.error ? 'true' : 'false');
    if (parsed.error) { if (input) input.focus(); throw new Error(`${label}: ${parsed.error}`); }
    return String(parsed.value);
  }

  // The series as the command line gives it: METAL=pX:FROM:TO:STEP, METAL=pX:V1,V2 or METAL=C1,C2.
  function seriesText(metal) {
    const kind = panel.querySelector('#recipe-series-kind').value;
    if (kind === 'range') {
      const part = (id, label) => numberText(panel.querySelector('#' + id).value, label, panel.querySelector('#' + id));
      return `${metal}=pX:${part('recipe-series-from', 'Series from')}:${part('recipe-series-to', 'Series to')}:${part('recipe-series-step', 'Series step')}`;
    }
    const input = panel.querySelector('#recipe-series-values');
    // Values apart at ';' or blanks, a unit written apart from its number joined to it again.
    const tokens = input.value.split(/[;\s]+/).filter(Boolean).reduce((list, t) => {
      if (/^[a-zA-Zµμ]+$/.test(t) && list.length) list[list.length - 1] += t; else list.push(t);
      return list;
    }, []);
    if (!tokens.length) { input.setAttribute('aria-invalid', 'true'); input.focus(); throw new Error('Series: no values'); }
    const unit = panel.querySelector('#recipe-series-unit').value;
    const values = tokens.map((t) => {
      if (kind === 'px') return numberText(t, 'Series value', input);
      const parsed = numbers.parse(t, unit);
      input.setAttribute('aria-invalid', parsed.error ? 'true' : 'false');
      if (parsed.error) { input.focus(); throw new Error(`Series value: ${parsed.error}`); }
      return /[a-zA-Zµμ]$/.test(t) ? t.replace(',', '.').replace(/[µμ]/, 'u') : `${t.replace(',', '.')}${unit}`;
    });
    return `${metal}=${kind === 'px' ? 'pX:' : ''}${values.join(',')}`;
  }

  // The chemistry of the tubes, where the user gave any: the calculator reads each text as the command
  // line reads the option of the same name.
  function chemistry(r) {
    const text = (id) => panel.querySelector('#' + id).value.trim();
    for (const [key, id] of [['base', 'recipe-base'], ['acid', 'recipe-acid'], ['osmolyte', 'recipe-osmolyte']]) {
      if (!text(id + '-stock')) continue;
      r[key] = { name: text(id) || (key === 'acid' ? 'HCl' : key === 'base' ? 'KOH' : ''), stock: amountText(id + '-stock', `${key} stock`, CONC_UNITS) };
    }
    const contamination = text('recipe-contamination');
    if (contamination) {
      r.contamination = contamination.split(/\s*;\s*/).filter(Boolean).map((item) => {
        const at = item.indexOf('=');
        if (at < 1) {
          panel.querySelector('#recipe-contamination').setAttribute('aria-invalid', 'true');
          throw new Error(`Contamination: "${item}" is not METAL=CONCENTRATION`);
        }
        return { name: item.slice(0, at).trim(), concentration: item.slice(at + 1).trim() };
      });
    }
    if (text('recipe-ionic-strength')) r.ionic_strength_target = `${numberText(text('recipe-ionic-strength'), 'Ionic strength target', panel.querySelector('#recipe-ionic-strength'))} M`;
    if (text('recipe-osmolarity')) r.osmolarity_target = text('recipe-osmolarity');
  }

  // The request of the form, or an Error saying which field is wrong.
  function request(solution) {
    const volumeUnits = Object.keys(VOLUME_UNITS);
    const r = { solution, volume: amountText('recipe-volume', 'Final volume', volumeUnits), stocks: [], purity: [] };
    stockRows.querySelectorAll('tr').forEach((row) => {
      const name = row.dataset.name;
      r.stocks.push({ name, stock: amountText(row.dataset.stock, `Stock of ${name}`, CONC_UNITS) });
      const purity = row.querySelector('.purity');
      if (purity && purity.value.trim()) r.purity.push({ name, purity: purity.value.trim() });
      const form = row.querySelector('.form');
      if (form && form.value.trim()) (r.forms = r.forms || []).push({ name, form: form.value.trim() });
    });
    chemistry(r);
    const buffer = panel.querySelector('#recipe-buffer').value;
    if (buffer) {
      r.buffer = { name: buffer, concentration: amountText('recipe-buffer-conc', 'pH buffer concentration', CONC_UNITS),
        form: panel.querySelector('#recipe-buffer-form').value };
      r.stocks.push({ name: buffer, stock: amountText('recipe-buffer-stock', 'pH buffer stock', CONC_UNITS) });
    }
    if (panel.querySelector('#recipe-topup').checked) {
      const target = panel.querySelector('#recipe-target');
      if (target.value.trim()) r.ionic_target = numberText(target.value, 'Target ionic strength', target);
      r.topup = { name: panel.querySelector('#recipe-salt').value.trim() || 'KCl', stock: amountText('recipe-salt-stock', 'Salt stock', CONC_UNITS) };
    }
    const metal = panel.querySelector('#recipe-series-metal').value;
    if (metal) {
      r.series = seriesText(metal);
      r.mix = panel.querySelector('#recipe-mix').checked;
      if (r.mix && panel.querySelector('#recipe-mix-volume').value.trim()) r.mix_volume = amountText('recipe-mix-volume', 'Mix volume', volumeUnits);
    }
    r.precision = Dedodiz.solution.precision();
    return r;
  }

  // The recipe of the form; the reply of the recipe command, or null when a field is not valid.
  function run() {
    const r = Dedodiz.requestFor(messages, request);
    if (r && r.series) return runLong(r);
    return finish(r, r ? call('recipe', r) : { ok: false, keep: true });
  }

  // A series runs in the worker, with Stop: a promise of the reply.
  async function runLong(r) {
    const { reply } = await Dedodiz.jobs.runFrom(panel.querySelector('#run-recipe'), bar, 'recipe', r);
    return finish(r, reply);
  }

  function finish(r, reply) {
    last = reply.ok ? reply : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    if (!reply.keep) Dedodiz.markRefusals(panel, reply, fieldOf);
    Dedodiz.showReport(report, reply.report);
    fresh.shown(reply.ok);
    table.replaceChildren(...(reply.ok ? [pipetting(reply.table)] : []));
    return r ? reply : null;
  }

  // The field of this tab that a refusal names ("volume", "stock EGTA", "purity EGTA", "series", ...).
  function fieldOf(r) {
    if (r.kind !== 'option') return null;
    const [word, ...rest] = r.field.split(' ');
    const name = rest.join(' ').toLowerCase();
    const row = [...stockRows.querySelectorAll('tr')].find((tr) => tr.dataset.name.toLowerCase() === name);
    const q = (id) => panel.querySelector('#' + id);
    if (r.field === 'mix volume') return q('recipe-mix-volume');
    if (r.field === 'ionic target') return q('recipe-target');
    if (r.field === 'ionic strength target') return q('recipe-ionic-strength');
    if (r.field === 'osmolarity target') return q('recipe-osmolarity');
    switch (word) {
      case 'volume': return q('recipe-volume');
      case 'stock': return row ? row.querySelector('.stock') : q('recipe-buffer').value.toLowerCase() === name ? q('recipe-buffer-stock') : null;
      case 'purity': return row && row.querySelector('.purity');
      case 'buffer': return q('recipe-buffer-conc');
      case 'topup': return q('recipe-salt-stock');
      case 'series': return [...panel.querySelectorAll('#recipe-series-fields input')].filter((i) => !i.closest('[hidden]'));
      case 'mix': return q('recipe-mix');
      case 'form': return row ? row.querySelector('.form') : null;
      case 'contamination': return q('recipe-contamination');
      case 'osmolyte': return q('recipe-osmolyte-stock');
      default: return null;
    }
  }

  function pipetting(t) {
    return el('div', { class: 'wide', tabindex: 0, role: 'region', 'aria-label': 'Pipetting table, scrolls sideways' }, el('table', { class: 'results compact' }, el('caption', { text: 'Pipetting, µL into each tube; the solutions as made' }),
      el('thead', {}, el('tr', {}, t.header.map((h) => el('th', { scope: 'col', text: h.replace('[uL]', '[µL]') })))),
      el('tbody', {}, t.rows.map((row) => el('tr', {}, row.map((c, k) => (k === 0 ? el('th', { scope: 'row', text: c }) : el('td', { text: c }))))))));
  }

  // A calibration's fitted purity of its chelator and contamination of its metal (mol/L) as the inputs
  // of the recipe, as dedodiz32-cli recipe --calibration takes them: the purity of the chelator's row (kept
  // by name until the Solution tab has that chelator) and the metal's entry of the contamination, the
  // others kept. Says what it did.
  function useCalibration({ chelator, purity, metal, contamination }) {
    refresh();  // the rows of the solution as it stands
    const row = [...stockRows.querySelectorAll('tr')].find((tr) => tr.dataset.name === chelator);
    kept[chelator] = { ...(kept[chelator] || {}), purity: String(purity) };
    const set = (input, value) => { input.value = value; input.dispatchEvent(new Event('change', { bubbles: true })); };
    if (row) {
      set(row.querySelector('.purity'), String(purity));
      fitToValue(row.querySelector('.purity'));
    }
    const field = panel.querySelector('#recipe-contamination');
    const unit = numbers.unitFor(contamination);
    const others = field.value.split(/\s*;\s*/).filter((item) => item && item.split('=')[0].trim().toLowerCase() !== metal.toLowerCase());
    set(field, [...others, `${metal}=${numbers.inUnit(contamination, unit)} ${unit}`].join('; '));
    panel.querySelector('#recipe-chemistry').open = true;
    const said = `The Recipe tab now takes the purity of ${chelator} as ${purity.toFixed(4)} and the contamination ${metal}=${numbers.concentration(contamination)} from the fit.`;
    return row ? said : `${said} ${chelator} is not in the solution of the Solution tab: its purity is used once it is.`;
  }

  Dedodiz.recipe = { run, useCalibration };
  // Back to the example: the rows forget what was typed into them.
  function reset() {
    for (const name of Object.keys(kept)) delete kept[name];
    stockRows.replaceChildren();
    refresh();
  }

  Dedodiz.addSection({ id: 'recipe', title: 'Recipe', build, show: refresh, reset });
})();
