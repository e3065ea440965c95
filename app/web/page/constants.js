// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The constants table as stored (20 °C, 0.1 N), listed as the desktop program lists it.
(() => {
  const { el, call } = Dedodiz;
  let panel, messages, report, exports, listed = false, last = null;

  function build(p) {
    panel = p;
    messages = el('ul', { class: 'messages', 'aria-live': 'polite' });
    report = el('pre', { class: 'report', id: 'listing', tabindex: 0, role: 'region', 'aria-label': 'Constants listing' });
    exports = Dedodiz.exportButtons(() => 'dedodiz-constants', () => last);
    panel.append(el('p', { class: 'intro', text: 'Every chelator of the table with its protonation constants and the metals it binds, uncorrected.' }),
      messages, el('div', { class: 'actions' }, exports), report);
    // Listed when the tab is shown: the listing of a table is not needed before.
    Dedodiz.on('table', () => { listed = false; if (document.getElementById('tab-constants')?.getAttribute('aria-selected') === 'true') list(); });
  }

  function list() {
    listed = true;
    const reply = call('listing');
    last = reply.ok ? reply : null;
    Dedodiz.showMessages(messages, reply);
    Dedodiz.showReport(report, reply.report);
    exports.forEach((b) => { b.disabled = !reply.ok; });
  }

  Dedodiz.addSection({ id: 'constants', title: 'Constants', build, show: () => { if (!listed) list(); } });
})();
