// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The calculator's WebAssembly, inlined just above gzip-compressed in base64, is unpacked and compiled
// by the browser in the background while the rest of the page is read: window.dedodizWasm is the
// promise of the compiled module, which main.js makes the calculator from and jobs.js gives the worker.
window.dedodizWasm = (() => {
  const text = document.getElementById('dedodiz-wasm').textContent.trim();
  let packed;
  if (Uint8Array.fromBase64) packed = Uint8Array.fromBase64(text);
  else {
    const binary = atob(text);
    packed = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) packed[i] = binary.charCodeAt(i);
  }
  // One write of the whole: the browser unpacks it in large pieces, and compiles as it unpacks.
  const unpack = new DecompressionStream('gzip');
  const writer = unpack.writable.getWriter();
  writer.write(packed);
  writer.close();
  const wasm = new Response(unpack.readable, { headers: { 'Content-Type': 'application/wasm' } });
  const compiled = WebAssembly.compileStreaming ? WebAssembly.compileStreaming(wasm)
    : wasm.arrayBuffer().then((bytes) => WebAssembly.compile(bytes));
  compiled.catch(() => {});  // main.js reports a failure
  return compiled;
})();
