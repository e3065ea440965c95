// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The pH buffer ranges: the useful pH range (pKa' ± 0.5) of every buffer of the buffer file, with the pKa
// corrected to the temperature and ionic strength given.
(() => {
  const { el, call, numbers } = Dedodiz;
  let panel, messages, rows, report, exports, fresh, last = null;

  function build(p) {
    panel = p;
    const field = (id, label, value) => el('label', { class: 'field' }, el('span', { text: label }),
      el('input', { type: 'text', class: 'short', id, value, inputmode: 'decimal', autocomplete: 'off' }));
    messages = el('ul', { class: 'messages', 'aria-live': 'polite' });
    rows = el('div', { id: 'buffer-ranges' });
    report = el('pre', { class: 'report', id: 'buffers-report', tabindex: 0, role: 'region', 'aria-label': 'Buffer ranges report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-buffers', () => last);
    const form = el('form', { novalidate: true, onsubmit: (e) => { e.preventDefault(); run(); } },
      el('fieldset', {}, el('legend', { text: 'Conditions' }), field('buffers-temperature', 'Temperature (°C)', '20'),
        field('buffers-ph', 'pH', '7'), field('buffers-ionic', 'Ionic strength (N)', '0.1')),
      el('p', {}, 'Buffer file: ', el('strong', { id: 'buffer-file-name' })),
      el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'primary', id: 'run-buffers' }, 'Show buffer ranges')));
    p.append(el('p', { class: 'intro', text: 'A pH buffer holds the pH within about half a unit of its pKa\u2032. Load your own .bcm file in the Files tab.' }),
      form, el('div', { class: 'output', id: 'buffers-output' }, messages, rows, el('div', { class: 'actions' }, exports), el('h3', { text: 'Report' }), report));
    fresh = Dedodiz.results(p, p.querySelector('#buffers-output'), exports, false);
    Dedodiz.on('table', (t) => { panel.querySelector('#buffer-file-name').textContent = t.buffer_file || '(none)'; });
  }

  function run() {
    const errors = [];
    const read = (id, label) => {
      const input = panel.querySelector('#' + id);
      const parsed = numbers.parse(input.value);
      input.setAttribute('aria-invalid', parsed.error ? 'true' : 'false');
      if (parsed.error) errors.push({ input, text: `${label}: ${parsed.error}` });
      return parsed.value;
    };
    const conditions = { temperature_C: read('buffers-temperature', 'Temperature'), pH: read('buffers-ph', 'pH'),
      ionic_strength_N: read('buffers-ionic', 'Ionic strength') };
    if (errors.length) {
      Dedodiz.showMessages(messages, { error: errors.map((e) => e.text).join('\n') });
      errors[0].input.focus();
    }
    const reply = errors.length ? { ok: false, keep: true } : call('buffers', { conditions });
    last = reply.ok ? reply : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    const field = { temperature: '#buffers-temperature', ph: '#buffers-ph', ionic: '#buffers-ionic' };
    if (!reply.keep) Dedodiz.markRefusals(panel, reply, (r) => (field[r.kind] ? panel.querySelector(field[r.kind]) : null));
    Dedodiz.showReport(report, reply.report);
    fresh.shown(reply.ok);
    rows.replaceChildren();
    if (!reply.ok) return reply;
    const r = JSON.parse(reply.json);
    rows.append(el('table', { class: 'results' },
      el('caption', { text: `At ${r.conditions.temperature_C} °C and ${r.conditions.ionic_strength_N} N` }),
      el('thead', {}, el('tr', {}, ['Buffer', 'Step', 'pKa\u2032', 'pH from', 'to', 'Comment'].map((h) => el('th', { scope: 'col', text: h })))),
      el('tbody', {}, r.rows.map((row) => el('tr', {}, el('th', { scope: 'row', text: row.buffer }), el('td', { text: row.step }),
        el('td', { text: row.pKa.toFixed(2) }), el('td', { text: row.low_pH.toFixed(2) }), el('td', { text: row.high_pH.toFixed(2) }),
        el('td', { class: 'text', text: row.comment || '' }))))));
    return reply;
  }

  Dedodiz.buffers = { run };
  Dedodiz.addSection({ id: 'buffers', title: 'pH buffers', build });
})();
