// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Links and memory: the inputs of the Solution tab and of the tab shown live in the page's address after
// "#" (tab=recipe&ph=7.2&chelator-1=EGTA...), so that a link opened anywhere, also from a file on disk,
// fills the same form and repeats the calculation; the same text is kept in the browser's storage and
// brings the last inputs back when the page is opened again. A table of the user's own is named
// (table=mytable.TCM), never included: the page asks for it and runs once it is opened.
(() => {
  const { el } = Dedodiz;
  const KEY = 'dedodiz32.inputs';
  const RUNS = { solution: 'solution', sweep: 'sweep', recipe: 'recipe', uncertainty: 'uncertainty', calibrate: 'calibrate', evaluate: 'evaluate', buffers: 'buffers' };
  const TEXT_LIMIT = 4096;  // [bytes] a longer text (a titration's rows) stays out of the link; the tab says so
  let initial = null;  // every field's value when the page was built: the example
  let shownTab = 'solution';
  let pending = null;  // a link waiting for its table
  let saving = 0;

  const panelOf = (id) => document.getElementById('panel-' + id);
  const fieldsOf = (panel) => (panel ? [...panel.querySelectorAll('input[id], select[id], textarea[id]')].filter((f) => f.type !== 'file') : []);
  const tooLong = (f) => f.tagName === 'TEXTAREA' && new Blob([f.value]).size > TEXT_LIMIT;

  function valueOf(f) {
    if (f.type === 'radio') return f.checked ? '1' : null;
    if (f.type === 'checkbox') return f.checked ? '1' : '0';
    return f.value;
  }

  // The state of the form as the text after "#".
  function current() {
    const params = new URLSearchParams();
    params.set('tab', shownTab);
    const table = Dedodiz.table;
    if (table && !table.bundled) params.set('table', table.constants_file);
    const seen = new Set();
    for (const f of [...fieldsOf(panelOf('solution')), ...(shownTab === 'solution' ? [] : fieldsOf(panelOf(shownTab)))]) {
      const v = tooLong(f) ? null : valueOf(f);
      if (v !== null && !seen.has(f.id)) params.set(f.id, v);
      seen.add(f.id);
    }
    return params.toString();
  }

  // Sets the fields named in params, in the order of the page, each with its change event so that the
  // fields that depend on it follow.
  function setFields(params, panel) {
    for (const f of fieldsOf(panel)) {
      if (!params.has(f.id)) continue;
      const v = params.get(f.id);
      if (f.type === 'radio') { if (v !== '1') continue; f.checked = true; }
      else if (f.type === 'checkbox') f.checked = v === '1';
      else {
        if (f.tagName === 'SELECT' && v && ![...f.options].some((o) => o.value === v)) continue;
        f.value = v;
      }
      f.dispatchEvent(new Event('change', { bubbles: true }));
    }
  }

  // Fills the form from a state text; run: repeat the calculation of its tab.
  function apply(text, run) {
    const params = new URLSearchParams(text);
    const tab = params.get('tab') || 'solution';
    const table = params.get('table');
    if (table && (!Dedodiz.table || Dedodiz.table.constants_file.toUpperCase() !== table.toUpperCase())) {
      pending = { text, run, table };
      const messages = Dedodiz.solution.messages();
      Dedodiz.showMessages(messages, { messages: [{ caption: 'NOTE', text: `These inputs use the constants table ${table}: open it in the Files tab and they are filled in.` }] });
      Dedodiz.showTab('solution');
      return;
    }
    pending = null;
    setFields(params, panelOf('solution'));
    if (panelOf(tab)) Dedodiz.showTab(tab);
    if (tab !== 'solution') {
      setFields(params, panelOf(tab));
      const section = Dedodiz.sections.find((s) => s.id === tab);
      if (section && section.show) section.show();
      setFields(params, panelOf(tab));
    }
    if (run && RUNS[tab] && Dedodiz[RUNS[tab]]) Dedodiz[RUNS[tab]].run();
    save();
  }

  function save() {
    clearTimeout(saving);
    saving = 0;
    const text = current();
    try { history.replaceState(null, '', '#' + text); } catch (e) { /* an address the browser will not change */ }
    try { localStorage.setItem(KEY, text); } catch (e) { /* storage off: the link still holds the inputs */ }
  }
  const later = () => { clearTimeout(saving); saving = setTimeout(save, 250); };

  // Back to the example: every field as the page built it, the memory cleared.
  function reset() {
    try { localStorage.removeItem(KEY); } catch (e) { /* nothing kept */ }
    Dedodiz.solution.fill(Dedodiz.solution.EXAMPLE);
    // The rows a tab builds for the solution's chelators and metals came after the example was noted.
    for (const section of Dedodiz.sections) if (section.reset) section.reset();
    for (const [id, v] of initial) {
      const f = document.getElementById(id);
      if (!f || f.closest('#panel-solution') && !/^(precision)$/.test(id)) continue;
      if (f.type === 'radio' || f.type === 'checkbox') f.checked = v === '1'; else f.value = v;
      f.dispatchEvent(new Event('change', { bubbles: true }));
    }
    document.getElementById('precision').value = 'checked';
    Dedodiz.edited(null);
    save();
    Dedodiz.announce('The inputs are those of the example again.');
  }

  // Called by main.js once every tab is built: the link's inputs, else the last ones kept.
  Dedodiz.state = {
    start() {
      initial = new Map(fieldsOf(document.getElementById('sections')).map((f) => [f.id, f.type === 'radio' || f.type === 'checkbox' ? (f.checked ? '1' : '0') : f.value]));
      document.querySelector('.banner').append(el('p', { class: 'reset-line' },
        el('button', { type: 'button', id: 'reset-example', onclick: reset }, 'Reset to the example'), ' ',
        el('span', { class: 'hint', text: 'The page keeps your last inputs, and its address is a link to them.' })));
      const hash = location.hash.slice(1);
      let kept = null;
      try { kept = localStorage.getItem(KEY); } catch (e) { /* no storage */ }
      if (hash) apply(hash, true);
      else if (kept) apply(kept, false);
      document.addEventListener('input', later);
      document.addEventListener('change', later);
      window.addEventListener('hashchange', () => { if (location.hash.slice(1) !== current()) apply(location.hash.slice(1), true); });
      Dedodiz.on('table', (t) => { if (pending && t.constants_file.toUpperCase() === pending.table.toUpperCase()) { const p = pending; setTimeout(() => apply(p.text, p.run), 0); } });
    },
    tabShown(id) { shownTab = id; if (initial) later(); },
    current, apply, reset,
  };
})();
