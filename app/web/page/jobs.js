// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Long computations (the uncertainty, a calibration's bootstrap, 3D sweeps, recipe series) run in a
// worker, a second copy of the calculator made from the module inlined in this page, so that the page
// stays responsive, shows their progress and can stop them. The worker's session is given the user's files
// in the order they were opened, so that it computes with the table the page shows; the answer is the same
// as on the page.
(() => {
  const { el } = Dedodiz;
  const files = [];  // {name, bytes} of every file that loaded, or {bundled: true}, in order
  let worker = null, job = null;

  // The worker's script: the module (made from the page's compiled WebAssembly, sent with every job;
  // a compiled module is shared, not copied), then the answer to one job at a time in a fresh session.
  const WORKER = `
let module = null;
onmessage = async (e) => {
  if (!module) {
    module = createDedodizModule({ instantiateWasm(imports, receive) {
      WebAssembly.instantiate(e.data.wasm, imports).then((instance) => receive(instance, e.data.wasm));
      return {};
    } });
  }
  const made = await module;
  const { files, command, request } = e.data;
  const session = new made.Session();
  for (const f of files) { if (f.bundled) session.call('bundled', '{}'); else session.loadFile(f.name, f.bytes, 'described'); }
  const reply = session.call(command, request);
  session.delete();
  postMessage({ reply });
};`;

  function start() {
    const source = document.getElementById('dedodiz-module').textContent;
    const url = URL.createObjectURL(new Blob([source, WORKER], { type: 'text/javascript' }));
    const made = new Worker(url);
    URL.revokeObjectURL(url);
    return made;
  }

  function end(outcome) {
    const done = job;
    job = null;
    if (done) done.finish(outcome);
  }

  // Runs command in the worker: a promise of its reply. progress(fraction) is called as blocks of
  // samples finish when total (the samples) is given. Where no worker can be made the page computes.
  function run(command, request, progress, total) {
    if (job) stop();
    try {
      if (!worker) worker = start();
    } catch (e) {
      return Promise.resolve(Dedodiz.call(command, request));
    }
    return new Promise((resolve) => {
      job = { finish: resolve };
      worker.onmessage = (e) => {
        if (e.data.blocks !== undefined) { if (progress && total) progress(Math.min(1, (16 * e.data.blocks) / total)); return; }
        end(JSON.parse(e.data.reply));
      };
      worker.onerror = (e) => {
        e.preventDefault();
        worker.terminate();
        worker = null;
        end({ ok: false, status: 'failed', messages: [], error: 'The computation failed: ' + (e.message || 'the worker stopped') });
      };
      const keep = (key, value) => (typeof value === 'number' && !Number.isFinite(value) ? String(value) : value);
      worker.postMessage({ wasm: Dedodiz.wasmModule, files, command, request: JSON.stringify(request, keep) });
    });
  }

  // Ends the running computation; its promise answers "stopped".
  function stop() {
    if (!job) return;
    worker.terminate();
    worker = null;
    end({ ok: false, status: 'stopped', messages: [], error: 'Stopped: the computation was ended before its result.' });
  }

  // Runs command in the worker from a tab: its button off and its bar shown (with progress over total,
  // when given) while it lasts. A promise of {reply, ms}, the time it took.
  async function runFrom(button, bar, command, request, total) {
    button.disabled = true;
    bar.show(true);
    const t0 = performance.now();
    const reply = await run(command, request, (f) => bar.progress(f), total);
    const ms = performance.now() - t0;
    bar.show(false);
    button.disabled = false;
    return { reply, ms };
  }

  // A bar and a Stop button for a tab's long computation: show(running), progress(fraction or null).
  function progressBar(label) {
    const bar = el('progress', { max: 1, 'aria-label': label });
    const button = el('button', { type: 'button', class: 'stop', onclick: stop }, 'Stop');
    const box = el('span', { class: 'progress', hidden: true }, bar, button);
    return {
      box,
      show(on) { box.hidden = !on; if (on) bar.removeAttribute('value'); },
      progress(fraction) { bar.value = fraction; },
    };
  }

  Dedodiz.jobs = {
    run, runFrom, stop, progressBar,
    remember(name, bytes) { files.push({ name, bytes }); },
    bundled() { files.push({ bundled: true }); },
    running: () => job !== null,
  };
})();
