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

  let notes = [];  // what the page adds to the readers' messages for the files of one choice

  // A new table fills the name menus of every tab; the results shown go out of date, and a chosen
  // chelator or metal that the table lacks is named.
  function tableChanged(reply) {
    if (!reply.chelators) return;
    const before = Dedodiz.table && Dedodiz.table.constants_file;
    Dedodiz.table = reply;
    Dedodiz.emit('table', reply);
    if (before === reply.constants_file && reply.kind !== 'constants') return;
    Dedodiz.edited(null);
    const dropped = Dedodiz.solution.dropped();
    if (dropped.length)
      notes.push(`${reply.constants_file} has no ${dropped.join(', ')}: ${dropped.length > 1 ? 'they were' : 'it was'} taken out of the solution.`);
  }

  const limitOf = (name) => {
    const ext = (name.match(/\.([^.]*)$/) || ['', ''])[1].toUpperCase();
    return (Dedodiz.table.file_limits || {})[ext];
  };

  // The messages of the files of one choice, the page's notes after them.
  function showAll(replies) {
    Dedodiz.showMessages(messages, { messages: replies.flatMap((r) => r.messages || []),
      error: replies.map((r) => r.error).filter(Boolean).join('\n') || undefined });
    for (const note of notes)
      messages.append(el('li', { class: 'error' }, el('span', { class: 'caption', text: 'NOTE:' }), ' ', note));
    if (notes.length) Dedodiz.announce(notes.join(' '));
    notes = [];
  }

  // Loads each chosen file in turn, constants tables before work files so that a work file finds its
  // table; a work file whose table is missing waits for it and runs once the table is opened. A file
  // larger than its reader takes is refused before it is read.
  async function chosen(e) {
    const files = [...e.target.files].sort((a, b) => (/\.stg$/i.test(a.name) ? 1 : 0) - (/\.stg$/i.test(b.name) ? 1 : 0));
    e.target.value = '';
    const replies = [];
    for (const file of files) {
      const limit = limitOf(file.name);
      if (limit && file.size > limit) {
        replies.push(finish(file.name, { ok: false, status: 'file error', messages: [],
          error: `File too large (more than ${limit} bytes): ${file.name}` }));
        continue;
      }
      replies.push(load(file.name, new Uint8Array(await file.arrayBuffer()), true));
    }
    showAll(replies);
  }

  const waiting = new Map();  // work files whose table is missing, by the table's name in capitals

  function finish(name, reply) {
    loaded.append(el('li', {}, `${name}: ${reply.kind || 'not loaded'}${reply.ok ? '' : ' (failed)'}`));
    return reply;
  }

  // One file: the reply of its load; quiet leaves the messages to the caller. A failed load changes
  // nothing of the page.
  function load(name, bytes, quiet) {
    const reply = Dedodiz.loadFile(name, bytes, Dedodiz.solution.precision());
    finish(name, reply);
    if (reply.ok || reply.solution) Dedodiz.jobs.remember(name, bytes);
    if (reply.ok || reply.solution) tableChanged(reply);
    if (reply.needs_table) {
      waiting.set(reply.needs_table.toUpperCase(), { name, bytes });
      notes.push(`${reply.hint}; both may be chosen at once.`);
    }
    if (reply.kind === 'work' && reply.solution) {
      Dedodiz.solution.fill(reply.solution);
      Dedodiz.solution.show(reply);
      Dedodiz.showTab('solution');
    }
    const work = reply.kind === 'constants' && reply.ok && waiting.get(name.toUpperCase());
    if (work) {
      waiting.delete(name.toUpperCase());
      const ran = load(work.name, work.bytes, true);
      reply.messages = [...(reply.messages || []), ...(ran.messages || [])];
      if (ran.error) reply.error = ran.error;
    }
    if (!quiet) showAll([reply]);
    panel.dispatchEvent(new CustomEvent('loaded', { detail: reply }));
    return reply;
  }

  function bundled() {
    const reply = Dedodiz.call('bundled');
    if (reply.ok) Dedodiz.jobs.bundled();
    tableChanged(Object.assign(reply, { kind: 'constants' }));
    showAll([reply]);
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
