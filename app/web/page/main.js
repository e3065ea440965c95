// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Start-up: the module is made from the WebAssembly compiled by wasm.js, the tabs and their panels are built
// from the sections in order, and the page says when it is ready (window.dedodizReady, the time since
// the page began to load in ms, for the tests and the benchmark).
(() => {
  const { el } = Dedodiz;
  const tabs = [];

  // Shows the panel of the section id and moves the focus to its tab when asked.
  Dedodiz.showTab = (id, focus) => {
    for (const { tab, panel, section } of tabs) {
      const on = section.id === id;
      tab.setAttribute('aria-selected', on ? 'true' : 'false');
      tab.tabIndex = on ? 0 : -1;
      panel.hidden = !on;
      if (on && section.show) section.show();
      if (on && Dedodiz.state) Dedodiz.state.tabShown(id);
      if (on && focus) tab.focus();
    }
  };

  function buildTabs() {
    const nav = document.getElementById('tabs');
    const main = document.getElementById('sections');
    main.replaceChildren();
    Dedodiz.sections.forEach((section, k) => {
      const tab = el('button', { type: 'button', role: 'tab', id: `tab-${section.id}`, 'aria-controls': `panel-${section.id}`,
        onclick: () => Dedodiz.showTab(section.id) }, section.title);
      const panel = el('section', { role: 'tabpanel', id: `panel-${section.id}`, 'aria-labelledby': `tab-${section.id}` },
        el('h2', { text: section.title }));
      tab.addEventListener('keydown', (e) => {
        const moves = { ArrowRight: k + 1, ArrowLeft: k - 1, Home: 0, End: tabs.length - 1 };
        if (!(e.key in moves)) return;
        e.preventDefault();
        Dedodiz.showTab(tabs[(moves[e.key] + tabs.length) % tabs.length].section.id, true);
      });
      nav.append(tab);
      main.append(panel);
      tabs.push({ tab, panel, section });
      section.build(panel);
    });
  }

  // The calculator made from the compiled WebAssembly (wasm.js); a failure to instantiate it rejects.
  Dedodiz.makeModule = (compiled) => new Promise((resolve, reject) => {
    createDedodizModule({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled), reject);
        return {};
      },
    }).then(resolve, reject);
  });

  const marks = window.dedodizMarks = { scripts: performance.now() };
  window.dedodizWasm.then((compiled) => {
    marks.compiled = performance.now();
    Dedodiz.wasmModule = compiled;
    return Dedodiz.makeModule(compiled);
  }).then((module) => {
    marks.module = performance.now();
    Dedodiz.start(module);
    marks.session = performance.now();
    buildTabs();
    marks.tabs = performance.now();
    const table = Dedodiz.call('table');
    Dedodiz.table = table;
    Dedodiz.on('table', (t) => { document.getElementById('table-name').textContent = t.constants_file; });
    Dedodiz.emit('table', table);
    Dedodiz.showTab(Dedodiz.sections[0].id);
    marks.shown = performance.now();
    Dedodiz.state.start();
    window.dedodizReady = performance.now();
    document.documentElement.dataset.ready = 'true';
  }).catch((e) => {
    document.getElementById('sections').replaceChildren(el('p', { role: 'alert', text: 'The calculator could not start: ' + e }));
  });
})();
