// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The chelator evaluation: for the metals chosen in the form, the Kd of every chelator of the table that
// binds them and the free-metal range it buffers, at the form's temperature, pH and ionic strength.
(() => {
  const { el, call, numbers } = Dedodiz;
  let panel, messages, rows, report, exports, fresh, last = null;

  function build(p) {
    panel = p;
    messages = el('ul', { class: 'messages', 'aria-live': 'polite' });
    rows = el('div', { id: 'evaluation' });
    report = el('pre', { class: 'report', id: 'evaluation-report', tabindex: 0, role: 'region', 'aria-label': 'Evaluation report' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-evaluation', () => last);
    panel.append(
      el('p', { class: 'intro', text: 'Which chelator buffers the metals of the Solution tab best at its conditions: a chelator buffers a metal whose free concentration lies between Kd/√10 and Kd·√10.' }),
      el('div', { class: 'actions' }, el('button', { type: 'button', class: 'primary', id: 'run-evaluation', onclick: run }, 'Evaluate chelators')),
      el('div', { class: 'output', id: 'evaluation-output' }, messages, rows, el('div', { class: 'actions' }, exports), el('h3', { text: 'Report' }), report));
    fresh = Dedodiz.results(panel, panel.querySelector('#evaluation-output'), exports);
  }

  function run() {
    const request = Dedodiz.requestFor(messages, (solution) => ({ solution }));
    const reply = request ? call('evaluate', request) : { ok: false, keep: true };
    last = reply.ok ? reply : null;
    if (!reply.keep) Dedodiz.showMessages(messages, reply);
    if (!reply.keep) Dedodiz.markRefusals(panel, reply);
    Dedodiz.showReport(report, reply.report);
    fresh.shown(reply.ok);
    rows.replaceChildren();
    if (!reply.ok) return request ? reply : null;
    const r = JSON.parse(reply.json);
    const metals = [...new Set(r.rows.map((row) => row.metal))];
    rows.append(...metals.map((metal) => el('table', { class: 'results' },
      el('caption', { text: `${metal}: pH ${r.conditions.pH}, ${r.conditions.temperature_C} °C, ${r.conditions.ionic_strength_N} N` }),
      el('thead', {}, el('tr', {}, ['Chelator', 'Kd', 'buffers from', 'to', 'Comment'].map((h) => el('th', { scope: 'col', text: h })))),
      el('tbody', {}, r.rows.filter((row) => row.metal === metal).map((row) => el('tr', {},
        el('th', { scope: 'row', text: row.chelator }), el('td', { text: numbers.concentration(row.Kd_M) }),
        el('td', { text: numbers.concentration(row.low_M) }), el('td', { text: numbers.concentration(row.high_M) }),
        el('td', { class: 'text', text: row.comment || '' })))))));
    return reply;
  }

  Dedodiz.evaluate = { run };
  Dedodiz.addSection({ id: 'evaluate', title: 'Chelator evaluation', build });
})();
