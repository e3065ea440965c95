// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The page's shared pieces: the list of sections (one tab each), the calculator's session behind the
// module, and small helpers for elements, messages, result downloads and announcements. Every other
// script adds to the global Dedodiz; a new feature adds one section script and lists it in app/web.
const Dedodiz = (() => {
  const sections = [];  // {id, title, build(panel)} in the order of the tabs
  const listeners = {};  // event name -> functions: 'table' (the constants or buffer table changed),
                         // 'solution' (the form was filled from a work file)
  let session = null;

  // A section of the page: its tab, and its panel built once the calculator is ready.
  function addSection(section) { sections.push(section); }

  function on(event, fn) { (listeners[event] = listeners[event] || []).push(fn); }
  function emit(event, data) { (listeners[event] || []).forEach((fn) => fn(data)); }

  // A command of the calculator (app/web/WebCommands.cpp): the request object in, the reply object out.
  function call(command, request) {
    // A number JSON cannot hold goes as JavaScript writes it ("NaN", "Infinity"), for the calculator to
    // refuse by name rather than read as a default.
    const keep = (key, value) => (typeof value === 'number' && !Number.isFinite(value) ? String(value) : value);
    return JSON.parse(session.call(command, JSON.stringify(request || {}, keep)));
  }

  // A file the user chose, by its name and bytes (a Uint8Array): the reply of the load.
  function loadFile(name, bytes, precision = 'checked') { return JSON.parse(session.loadFile(name, bytes, precision)); }

  // The bytes of a file that a command wrote (a work file to download).
  function fileBytes(name) { return session.fileBytes(name); }

  // el('input', {type: 'text', id: 'x', onchange: fn}, child, ...): an element with its attributes
  // (true for a bare attribute, false or null for none), listeners and children (texts or elements).
  function el(tag, attrs, ...children) {
    const node = tag === 'svg' || el.svgTags.has(tag)
      ? document.createElementNS('http://www.w3.org/2000/svg', tag)
      : document.createElement(tag);
    for (const [key, value] of Object.entries(attrs || {})) {
      if (value === false || value === null || value === undefined) continue;
      if (key.startsWith('on') && typeof value === 'function') node.addEventListener(key.slice(2), value);
      else if (key === 'text') node.textContent = value;
      else node.setAttribute(key, value === true ? '' : String(value));
    }
    for (const child of children.flat()) {
      if (child === null || child === undefined || child === false) continue;
      node.append(child instanceof Node ? child : document.createTextNode(String(child)));
    }
    return node;
  }
  el.svgTags = new Set(['g', 'path', 'line', 'circle', 'rect', 'text', 'title', 'polyline']);

  // The messages of a reply as the desktop program's message boxes would show them, and the error of a
  // refused request.
  function showMessages(list, reply) {
    list.replaceChildren();
    const items = (reply.messages || []).map((m) => el('li', { class: m.caption === 'ERROR' ? 'error' : null },
      el('span', { class: 'caption', text: m.caption + ':' }), ' ', m.text));
    if (reply.error) items.push(el('li', { class: 'error' }, el('span', { class: 'caption', text: 'ERROR:' }), ' ', reply.error));
    list.append(...items);
    if (items.length) announce(items.map((li) => li.textContent).join('. '));
  }

  // A file for the user to keep, made in the page.
  function download(name, data, type) {
    const blob = data instanceof Blob ? data : new Blob([data], { type: type || 'text/plain;charset=utf-8' });
    const url = URL.createObjectURL(blob);
    const a = el('a', { href: url, download: name });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
  }

  // The report text as the command-line tool prints it: every line ended by a line feed.
  function reportText(lines) { return lines.map((line) => line + '\n').join(''); }

  // Report lines in a <pre>: one block per part of the report (up to a rule of dashes or an empty line),
  // which print never splits, and the closing line's "Help > Contents" a link to the Help tab.
  function showReport(pre, lines) {
    const blocks = [[]];
    (lines || []).forEach((line) => {
      blocks[blocks.length - 1].push(line);
      if (line === '' || /^-{5}/.test(line)) blocks.push([]);
    });
    const parts = blocks.filter((b) => b.length);
    pre.replaceChildren(...parts.map((b, k) => el('span', { class: 'block' }, b.join('\n') + (k < parts.length - 1 ? '\n' : ''))));
    const last = pre.lastChild && pre.lastChild.firstChild;
    const at = last ? last.data.lastIndexOf('Help > Contents') : -1;
    if (at < 0) return;
    const after = last.splitText(at);
    after.data = after.data.slice('Help > Contents'.length);
    last.parentNode.insertBefore(el('a', { href: '#help', class: 'help-link',
      onclick: (e) => { e.preventDefault(); Dedodiz.showTab('help', true); } }, 'Help > Contents'), after);
  }

  // Said by screen readers without moving the focus.
  function announce(text) {
    const region = document.getElementById('announce');
    region.textContent = '';
    setTimeout(() => { region.textContent = text; }, 30);
  }

  // The three downloads of a result: the report (.TXT), the CSV table and the JSON document.
  function exportButtons(baseName, getReply) {
    const make = (label, ext, type, pick) => el('button', {
      type: 'button', disabled: true, onclick: () => {
        const reply = getReply();
        if (reply) download(baseName() + ext, pick(reply), type);
      },
    }, label);
    return [
      make('Report (.TXT)', '.TXT', 'text/plain;charset=utf-8', (r) => reportText(r.report || r.table)),
      make('CSV', '.csv', 'text/csv;charset=utf-8', (r) => r.csv),
      make('JSON', '.json', 'application/json', (r) => r.json),
    ];
  }

  // The request a tab makes for the Solution tab's solution: build(solution) makes it and throws an Error
  // naming a field of the tab that is not valid. Null, with the reason in the list of messages, when the
  // solution or the tab has such a field.
  function requestFor(messages, build) {
    const solution = Dedodiz.solution.entered();
    if (!solution) {
      showMessages(messages, { error: 'The solution of the Solution tab has fields that are not numbers.' });
      return null;
    }
    try {
      return build(solution);
    } catch (e) {
      showMessages(messages, { error: e.message });
      return null;
    }
  }

  // ---- Results that go out of date ----
  const outputs = [];  // {panel, area, buttons, solution, shown}

  // The results of a tab: area holds them, buttons are their downloads. An edit in the tab (and, with
  // solution, in the Solution tab, or a new table) greys them with a note and disables the downloads
  // until the next run, so that an old answer never passes for the new inputs. shown(ok) after every
  // run: ok false (refused, failed) leaves the downloads off.
  function results(panel, area, buttons, solution = true) {
    const entry = { panel, area, buttons, solution, shown: false };
    outputs.push(entry);
    return {
      shown(ok) {
        entry.shown = ok;
        area.classList.remove('stale');
        area.querySelectorAll(':scope > .stale-note').forEach((n) => n.remove());
        buttons.forEach((b) => { b.disabled = !ok; });
      },
    };
  }

  function stale(entry) {
    if (!entry.shown || entry.area.classList.contains('stale')) return;
    entry.area.classList.add('stale');
    entry.buttons.forEach((b) => { b.disabled = true; });
    entry.area.prepend(el('p', { class: 'stale-note', text: 'Out of date: the inputs have changed since these results. Run again to update them.' }));
  }

  // Every result that depends on what changed in panel (null: the table) goes out of date.
  function edited(panel) {
    const fromSolution = !panel || panel.id === 'panel-solution';
    outputs.forEach((o) => { if (o.panel === panel || (fromSolution && o.solution)) stale(o); });
  }

  // A unit typed after a number moves into the unit menu beside the field, so that the menu always shows
  // the unit the number is read in.
  function unitTyped(input) {
    const menu = input.id && document.getElementById(input.id + '-unit');
    if (!menu || menu.tagName !== 'SELECT') return;
    const m = input.value.trim().match(/^(.*?\d\.?)\s*([a-zA-Zµμ]+)$/);
    if (!m) return;
    const typed = m[2].replace(/[µμ]/, 'u');
    const options = [...menu.options].map((o) => o.value);
    const unit = options.find((u) => u === typed) || options.filter((u) => u.toLowerCase() === typed.toLowerCase())[0];
    if (!unit) return;
    input.value = m[1];
    menu.value = unit;
  }

  // "0.15 mmol/L", as a lab writes it, becomes "0.15 mM", the unit every reader of the page knows (the
  // calculator reads both).
  function perLitre(input) {
    const text = input.value.replace(/mol\s*\/\s*l\s*$/i, 'M');
    if (text !== input.value && /\d/.test(text)) input.value = text;
  }

  function listen(e) {
    const target = e.target;
    if (!(target instanceof Element) || target.closest('[data-view]')) return;  // a view of the results only
    if (e.type === 'change' && target.tagName === 'INPUT') { perLitre(target); unitTyped(target); }
    const panel = target.closest('[role="tabpanel"]');
    if (panel) edited(panel);
  }
  document.addEventListener('input', listen);
  document.addEventListener('change', listen);

  // The fields that a reply's refusals name, marked invalid (aria-invalid) in every tab, the first
  // focused when it is on the shown tab. locate(refusal) gives the tab's own field or null; the
  // Solution tab's fields are found by the Solution tab. The fields of scope lose their marks first.
  function markRefusals(scope, reply, locate) {
    scope.querySelectorAll('[aria-invalid="true"]').forEach((f) => f.setAttribute('aria-invalid', 'false'));
    const fields = (reply.refusals || []).flatMap((r) => (locate && locate(r)) || (Dedodiz.solution && Dedodiz.solution.fieldFor(r)) || [])
      .filter(Boolean);
    fields.forEach((f) => f.setAttribute('aria-invalid', 'true'));
    const visible = fields.find((f) => !f.closest('[hidden]'));
    if (visible) visible.focus();
    return fields;
  }

  return {
    sections, addSection, on, emit, call, loadFile, fileBytes, el, showMessages, download, reportText, announce, exportButtons,
    requestFor, results, edited, markRefusals, showReport,
    table: null,  // the reply of the table command: names of the chelators, metals and buffers
    start(module) { session = new module.Session(); },
  };
})();
