// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Sweeps: the solution of the form repeated while one condition runs over a range (2D, 41 points) or two
// (3D, 11 x 11), with the chart, the sweep table and the downloads.
(() => {
  const { el, call, numbers } = Dedodiz;
  let panel, messages, chartBox, table, exports, fresh, bar, last = null, lastData = null;

  // The axis variables of the command-line tool's --x and --z.
  function variables() {
    const s = Dedodiz.solution.entered();
    const metals = s ? s.metals.map((m) => m.name) : [];
    return [['temp', 'Temperature (°C)'], ['ph', 'pH'], ['ionic', 'Ionic strength (N)'],
      ...metals.map((name, k) => [`metal${k + 1}`, `Metal ${k + 1}: ${name} (${s.calculation_type === 'total' ? 'free' : 'total'})`])];
  }

  function axisFields(id, legend, variable, low, high) {
    const select = el('select', { id: `${id}-variable`, 'aria-label': `${legend} variable`, onchange: () => unitShown(id) });
    const unit = el('select', { id: `${id}-unit`, 'aria-label': `${legend} unit`, hidden: true },
      Object.keys(numbers.UNITS).map((u) => el('option', { value: u, selected: u === 'mM' }, numbers.UNIT_NAMES[u])));
    const input = (which, value) => el('label', { class: 'field' }, el('span', { text: which }),
      el('input', { type: 'text', class: 'short', id: `${id}-${which}`, inputmode: 'decimal', value, autocomplete: 'off' }));
    const fs = el('fieldset', { id }, el('legend', { text: legend }),
      el('label', { class: 'field' }, el('span', { text: 'Variable' }), select), input('low', low), input('high', high),
      el('label', { class: 'field' }, el('span', { text: 'Unit' }), unit));
    fs.dataset.initial = variable;
    return fs;
  }

  function unitShown(id) {
    const metal = panel.querySelector(`#${id}-variable`).value.startsWith('metal');
    panel.querySelector(`#${id}-unit`).closest('label').hidden = !metal;
    panel.querySelector(`#${id}-unit`).hidden = !metal;
  }

  function refreshVariables() {
    for (const id of ['sweep-x', 'sweep-z']) {
      const select = panel.querySelector(`#${id}-variable`);
      const keep = select.value || panel.querySelector('#' + id).dataset.initial;
      const vars = variables();
      select.replaceChildren(...vars.map(([v, text]) => el('option', { value: v }, text)));
      select.value = vars.some(([v]) => v === keep) ? keep : 'ph';
      unitShown(id);
    }
    panel.querySelector('#sweep-z').hidden = !is3D();
    panel.querySelector('#sweep-series-field').hidden = !is3D();
  }

  function is3D() { return panel.querySelector('#sweep-3d').checked; }

  function build(p) {
    panel = p;
    const mode = el('fieldset', { class: 'choices' }, el('legend', { text: 'Sweep' }),
      el('label', {}, el('input', { type: 'radio', name: 'sweep-mode', id: 'sweep-2d', checked: true, onchange: refreshVariables }), '2D: one condition, 41 points'),
      el('label', {}, el('input', { type: 'radio', name: 'sweep-mode', id: 'sweep-3d', onchange: refreshVariables }), '3D: two conditions, 11 × 11 points'));
    const view = el('fieldset', { 'data-view': true }, el('legend', { text: 'Chart' }),
      el('label', { class: 'field' }, el('span', { text: 'Vertical axis' }),
        el('select', { id: 'sweep-scale', onchange: redraw },
          el('option', { value: 'log' }, 'log10 of the concentration'),
          el('option', { value: 'relative' }, 'each line to its own maximum'))),
      el('label', { class: 'field', id: 'sweep-series-field', hidden: true }, el('span', { text: 'Series (3D)' }),
        el('select', { id: 'sweep-series', onchange: redraw })));
    messages = el('ul', { class: 'messages', 'aria-live': 'polite' });
    chartBox = el('div', { class: 'chart-box', id: 'sweep-chart' });
    table = el('pre', { class: 'report', id: 'sweep-table', tabindex: 0, role: 'region', 'aria-label': 'Sweep table' });
    exports = [...Dedodiz.exportButtons(() => 'dedodiz-sweep', () => last),
      el('button', { type: 'button', disabled: true, onclick: () => Dedodiz.download('dedodiz-sweep.svg', Dedodiz.chart.svgText(chartBox.querySelector('svg')), 'image/svg+xml') }, 'Chart (.svg)'),
      el('button', { type: 'button', disabled: true, onclick: () => Dedodiz.chart.png(chartBox.querySelector('svg'), (blob) => Dedodiz.download('dedodiz-sweep.png', blob)) }, 'Chart (.png)')];
    const form = el('form', { novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } }, mode,
      axisFields('sweep-x', 'X axis', 'ph', '6', '8'), axisFields('sweep-z', 'Z axis (3D)', 'ionic', '0,05', '0,2'), view,
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'run-sweep' }, 'Run sweep'),
        (bar = Dedodiz.jobs.progressBar('Sweep running')).box));
    const output = el('div', { class: 'output' }, messages, chartBox, el('div', { class: 'actions' }, exports),
      el('details', {}, el('summary', { text: 'Sweep table' }), table));
    p.append(el('p', { class: 'intro', text: 'The sweep takes the solution of the Solution tab, and its switch for exact results. In type Free it follows the free metals, in type Total the total metals, in type Chelator the chelator needed.' }),
      el('div', { class: 'columns' }, form, output));
    fresh = Dedodiz.results(p, output, exports);
  }

  function readAxis(id) {
    const variable = panel.querySelector(`#${id}-variable`).value;
    const unit = variable.startsWith('metal') ? panel.querySelector(`#${id}-unit`).value : undefined;
    const low = numbers.parse(panel.querySelector(`#${id}-low`).value, unit);
    const high = numbers.parse(panel.querySelector(`#${id}-high`).value, unit);
    panel.querySelector(`#${id}-low`).setAttribute('aria-invalid', low.error ? 'true' : 'false');
    panel.querySelector(`#${id}-high`).setAttribute('aria-invalid', high.error ? 'true' : 'false');
    if (low.error || high.error) {
      panel.querySelector(`#${id}-${low.error ? 'low' : 'high'}`).focus();
      throw new Error(`${id === 'sweep-x' ? 'X' : 'Z'} axis ${low.error ? 'low' : 'high'}: ${low.error || high.error}`);
    }
    return { variable, low: low.value, high: high.value };
  }

  // The sweep of the form's solution; the reply of the sweep command, or null when a field is not valid.
  function run() {
    const request = Dedodiz.requestFor(messages, (solution) => {
      const r = { solution, precision: Dedodiz.solution.precision(), three_d: is3D(), x: readAxis('sweep-x') };
      if (r.three_d) r.z = readAxis('sweep-z');
      return r;
    });
    if (request && request.three_d) return runLong(request);
    return finish(request, request ? call('sweep', request) : { ok: false, keep: true });
  }

  // A 3D sweep runs in the worker, with Stop: a promise of the reply.
  async function runLong(request) {
    const { reply } = await Dedodiz.jobs.runFrom(panel.querySelector('#run-sweep'), bar, 'sweep', request);
    return finish(request, reply);
  }

  function finish(request, reply) {
    last = reply.ok ? reply : null;
    lastData = reply.ok ? JSON.parse(reply.json) : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    if (!reply.keep) Dedodiz.markRefusals(panel, reply, axisField);
    table.textContent = (reply.table || []).join('\n');
    fresh.shown(reply.ok);
    if (lastData && lastData.z) {
      const select = panel.querySelector('#sweep-series');
      select.replaceChildren(...lastData.series.map((s, k) => el('option', { value: k }, label(s.key))));
    }
    redraw();
    return request ? reply : null;
  }

  // The fields of the axis that a refusal names ("x axis", "z axis").
  function axisField(r) {
    const axis = (r.field || '').match(/^([xz]) axis/);
    return axis ? [panel.querySelector(`#sweep-${axis[1]}-low`), panel.querySelector(`#sweep-${axis[1]}-high`)] : null;
  }

  function label(key) {
    if (key === 'temperature_C') return 'Temperature (°C)';
    if (key === 'pH') return 'pH';
    if (key === 'ionic_strength_N') return 'Ionic strength (N)';
    const m = key.match(/^(x_|z_)?(free|total)_(.*)_M$/);
    return m ? `${m[2] === 'free' ? 'Free' : 'Total'} ${m[3]} (M)` : key;
  }

  function redraw() {
    if (!lastData) { chartBox.replaceChildren(); return; }
    const d = lastData, scale = panel.querySelector('#sweep-scale').value;
    const xLabel = label(d.x.key), conc = numbers.concentration;
    let drawing;
    if (!d.z) {
      drawing = {
        lines: d.series.map((s) => ({ label: label(s.key), values: s.values, converged: d.converged })),
        describe: (i) => [`${xLabel}: ${numbers.plain(d.x.values[i], 4)}`, ...d.series.map((s) => `${label(s.key)}: ${conc(s.values[i])}`),
          d.converged[i] ? '' : 'not converged'].filter(Boolean).join('\n'),
      };
    } else {
      const s = d.series[Number(panel.querySelector('#sweep-series').value) || 0];
      const zLabel = label(d.z.key);
      drawing = {
        lines: d.z.values.map((z, j) => ({
          label: `${zLabel} ${numbers.plain(z, 4)}`, colour: `hsl(${220 - (j * 220) / 10}, 70%, 40%)`,
          values: s.values.map((row) => row[j]), converged: d.converged.map((row) => row[j]),
        })),
        describe: (i) => [`${label(s.key)} at ${xLabel} ${numbers.plain(d.x.values[i], 4)}`,
          ...d.z.values.map((z, j) => `${zLabel} ${numbers.plain(z, 4)}: ${conc(s.values[i][j])}${d.converged[i][j] ? '' : ' (not converged)'}`)].join('\n'),
      };
    }
    Object.assign(drawing, {
      x: { label: xLabel, values: d.x.values }, scale,
      yLabel: scale === 'log' ? 'Concentration (M), logarithmic' : '% of the line\'s maximum',
      title: `Sweep chart over ${xLabel}`,
    });
    Dedodiz.chart.draw(chartBox, drawing);
  }

  Dedodiz.sweep = { run };
  Dedodiz.addSection({ id: 'sweep', title: 'Sweep', build, show: refreshVariables });
})();
