// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The user's own files: a constants table (.TCM, .CCM), a work file (.STG, loaded and run as the desktop
// program does) or a pH buffer file (.bcm) chosen from the computer, and the work file of the form saved
// for download. Files stay in this page; nothing is uploaded anywhere.
(() => {
  const { el } = Dedodiz;
  let panel, messages, loaded;

  function build(p) {
    panel = p;
    messages = el('ul', { class: 'messages', id: 'file-messages', 'aria-live': 'polite' });
    loaded = el('ul', { class: 'file-list', id: 'loaded-files', 'aria-label': 'Files loaded' });
    const input = el('input', { type: 'file', id: 'file-input', accept: '.TCM,.tcm,.CCM,.ccm,.STG,.stg,.bcm,.BCM', multiple: true, onchange: chosen });
    p.append(
      el('p', { class: 'intro', text: 'Open a constants table, a work file or a pH buffer file from your computer. A work file is loaded and run at once; its constants table is looked for among the files opened here first, then in the bundled data.' }),
      el('fieldset', {}, el('legend', { text: 'Open files' }),
        el('label', { for: 'file-input' }, 'Constants (.TCM, .CCM), work (.STG) or pH buffer (.bcm) file: '), input,
        el('div', { class: 'actions' }, el('button', { type: 'button', id: 'bundled-table', onclick: bundled }, 'Use the bundled constants table')),
        loaded),
      el('fieldset', {}, el('legend', { text: 'Save the solution as a work file' }),
        el('label', { class: 'field', for: 'work-name' }, el('span', { text: 'File name (.STG)' }),
          el('input', { type: 'text', id: 'work-name', value: 'solution.STG', autocomplete: 'off' })),
        el('div', { class: 'actions' }, el('button', { type: 'button', class: 'primary', id: 'save-work', onclick: save }, 'Save work file'))),
      messages);
  }

  function tableChanged(reply) {
    if (!reply.chelators) return;
    Dedodiz.table = reply;
    Dedodiz.emit('table', reply);
  }

  // Loads each chosen file in turn (constants before work files, so that a work file finds its table).
  async function chosen(e) {
    const files = [...e.target.files].sort((a, b) => (/\.stg$/i.test(a.name) ? 1 : 0) - (/\.stg$/i.test(b.name) ? 1 : 0));
    for (const file of files) load(file.name, new Uint8Array(await file.arrayBuffer()));
    e.target.value = '';
  }

  function load(name, bytes) {
    const reply = Dedodiz.loadFile(name, bytes, Dedodiz.solution.precision());
    Dedodiz.showMessages(messages, reply);
    tableChanged(reply);
    loaded.append(el('li', {}, `${name}: ${reply.kind || 'not loaded'}${reply.ok ? '' : ' (failed)'}`));
    if (reply.kind === 'work') {
      Dedodiz.solution.fill(reply.solution);
      if (reply.status) {
        Dedodiz.solution.show(reply);
        Dedodiz.showTab('solution');
      }
    }
    panel.dispatchEvent(new CustomEvent('loaded', { detail: reply }));
    return reply;
  }

  function bundled() {
    const reply = Dedodiz.call('bundled');
    Dedodiz.showMessages(messages, reply);
    tableChanged(reply);
  }

  function save() {
    const request = Dedodiz.requestFor(messages, (solution) => ({ name: panel.querySelector('#work-name').value, solution }));
    if (!request) return;
    const reply = Dedodiz.call('save_work', request);
    Dedodiz.showMessages(messages, reply);
    if (reply.ok) Dedodiz.download(reply.file, new Blob([Dedodiz.fileBytes(reply.file)], { type: 'application/octet-stream' }));
  }

  Dedodiz.files = { load };
  Dedodiz.addSection({ id: 'files', title: 'Files', build });
})();
