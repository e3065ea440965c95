// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// The chart of a sweep, drawn as SVG: lines over the swept quantity, every point marked (a cross where
// the solve did not converge), a logarithmic axis for concentrations or each line scaled to its own
// maximum as the desktop graph does. Pointing at the chart, or the arrow keys once it has the focus,
// shows the values at the nearest point; the picture can be saved as SVG or PNG.
(() => {
  const { el } = Dedodiz;
  const W = 720, H = 420, M = { l: 78, r: 18, t: 16, b: 52 };
  const PALETTE = ['#c0392b', '#1e8449', '#2471a3', '#7d3c98', '#b9770e', '#566573'];
  const FONT = 'Liberation Sans, Arial, sans-serif';
  const CROSS = '#a4001d';  // the mark of a point whose solve did not converge
  const LEGEND_ROW = 20;
  const colourOf = (line, k) => line.colour || PALETTE[k % PALETTE.length];

  // Round tick values covering min..max, about count of them.
  function ticks(min, max, count) {
    const span = max - min || 1;
    const raw = span / count, mag = Math.pow(10, Math.floor(Math.log10(raw)));
    const step = [1, 2, 2.5, 5, 10].map((f) => f * mag).find((s) => s >= raw);
    const out = [];
    for (let v = Math.ceil(min / step) * step; v <= max + step * 1e-9; v += step) out.push(Number(v.toPrecision(12)));
    return out;
  }

  // The plotted value of each point: log10 of the value, or the percentage of the line's maximum; null
  // where there is nothing to plot (a value of 0 on the logarithmic axis).
  function plotted(line, scale) {
    if (scale === 'log') return line.values.map((v) => (v > 0 ? Math.log10(v) : null));
    const max = Math.max(...line.values.filter(Number.isFinite));
    return line.values.map((v) => (max > 0 && Number.isFinite(v) ? (100 * v) / max : null));
  }

  // Where everything lies: the ranges of both axes and the functions from values to picture positions.
  function geometry(drawing) {
    const xs = drawing.x.values;
    let x0 = Math.min(...xs), x1 = Math.max(...xs);
    if (x0 === x1) { x0 -= 1; x1 += 1; }
    const ys = drawing.lines.map((line) => plotted(line, drawing.scale));
    const all = ys.flat().filter((v) => v !== null);
    let y0 = drawing.scale === 'log' ? Math.floor(Math.min(...all)) : 0;
    let y1 = drawing.scale === 'log' ? Math.ceil(Math.max(...all)) : 100;
    if (!all.length) { y0 = 0; y1 = 1; }
    if (y0 === y1) y1 = y0 + 1;
    return {
      xs, ys, x0, x1, y0, y1,
      px: (x) => M.l + ((x - x0) / (x1 - x0)) * (W - M.l - M.r),
      py: (y) => H - M.b - ((y - y0) / (y1 - y0)) * (H - M.t - M.b),
    };
  }

  // Grid, ticks and the axis texts.
  function frame(svg, g, drawing) {
    const axis = el('g', { stroke: '#e3e6e9', 'stroke-width': 1 });
    const labels = el('g', { fill: '#1b1f24' });
    for (const t of ticks(g.x0, g.x1, 8)) {
      axis.append(el('line', { x1: g.px(t), x2: g.px(t), y1: M.t, y2: H - M.b }));
      labels.append(el('text', { x: g.px(t), y: H - M.b + 18, 'text-anchor': 'middle', text: String(t) }));
    }
    const yTicks = drawing.scale === 'log' ? ticks(g.y0, g.y1, 8).filter(Number.isInteger) : [0, 25, 50, 75, 100];
    for (const t of yTicks) {
      axis.append(el('line', { x1: M.l, x2: W - M.r, y1: g.py(t), y2: g.py(t) }));
      labels.append(el('text', { x: M.l - 6, y: g.py(t) + 4, 'text-anchor': 'end', text: drawing.scale === 'log' ? `1e${t}` : `${t} %` }));
    }
    axis.append(el('path', { d: `M${M.l},${M.t}V${H - M.b}H${W - M.r}`, fill: 'none', stroke: '#1b1f24' }));
    const middle = (M.t + H - M.b) / 2;
    labels.append(el('text', { x: (M.l + W - M.r) / 2, y: H - 10, 'text-anchor': 'middle', text: drawing.x.label }),
      el('text', { x: 16, y: middle, 'text-anchor': 'middle', transform: `rotate(-90 16 ${middle})`, text: drawing.yLabel }));
    svg.append(axis, labels);
  }

  // Each line through its converged points, and every point: a dot, or a cross where the solve failed.
  function lines(svg, g, drawing) {
    drawing.lines.forEach((line, k) => {
      const colour = colourOf(line, k);
      const group = el('g', { class: 'line', 'data-line': k });
      let d = '';
      g.ys[k].forEach((y, i) => {
        if (y === null || !line.converged[i]) return;
        const joined = i > 0 && g.ys[k][i - 1] !== null && line.converged[i - 1];
        d += `${joined ? 'L' : 'M'}${g.px(g.xs[i]).toFixed(1)},${g.py(y).toFixed(1)}`;
      });
      group.append(el('path', { d, fill: 'none', stroke: colour, 'stroke-width': 2 }));
      g.ys[k].forEach((y, i) => {
        if (y === null) return;
        const cx = g.px(g.xs[i]), cy = g.py(y);
        group.append(line.converged[i]
          ? el('circle', { class: 'point', cx: cx.toFixed(1), cy: cy.toFixed(1), r: 3, fill: colour, 'data-index': i })
          : el('path', { class: 'point not-converged', d: `M${cx - 5},${cy - 5}l10,10m0,-10l-10,10`, stroke: CROSS, 'stroke-width': 2.5, 'data-index': i }));
      });
      svg.append(group);
    });
  }

  // The legend below the plot, three entries a row, so that a saved picture explains itself.
  function legend(svg, drawing) {
    const entries = drawing.lines.map((line, k) => ({ label: line.label, colour: colourOf(line, k) }));
    if (drawing.lines.some((l) => l.converged.some((c) => !c))) entries.push({ label: 'not converged', cross: true });
    const width = (W - M.l - M.r) / 3;
    entries.forEach((e, n) => {
      const x = M.l + (n % 3) * width, y = H + 6 + Math.floor(n / 3) * LEGEND_ROW;
      svg.append(e.cross
        ? el('path', { d: `M${x + 6},${y - 4}l8,8m0,-8l-8,8`, stroke: CROSS, 'stroke-width': 2.5 })
        : el('rect', { x, y: y - 2, width: 20, height: 4, fill: e.colour }),
      el('text', { x: x + 28, y: y + 4, fill: '#1b1f24', text: e.label }));
    });
    return Math.ceil(entries.length / 3) * LEGEND_ROW + 6;
  }

  // Pointing, and the arrow keys on the focused chart, show the values at the nearest point.
  function interaction(svg, tip, g, drawing) {
    const guide = el('line', { y1: M.t, y2: H - M.b, stroke: '#1b1f24', 'stroke-dasharray': '4 3', visibility: 'hidden' });
    svg.append(guide);
    let index = -1;
    const show = (i) => {
      index = Math.max(0, Math.min(g.xs.length - 1, i));
      const x = g.px(g.xs[index]);
      guide.setAttribute('x1', x);
      guide.setAttribute('x2', x);
      guide.setAttribute('visibility', 'visible');
      tip.textContent = drawing.describe(index);
      tip.style.display = 'block';
      const r = svg.getBoundingClientRect(), scale = r.width / W;
      tip.style.left = `${Math.max(0, Math.min(x * scale + 12, r.width - tip.offsetWidth - 4))}px`;
      tip.style.top = `${M.t * scale + 8}px`;
      return tip.textContent;
    };
    const hide = () => { tip.style.display = 'none'; guide.setAttribute('visibility', 'hidden'); };
    svg.addEventListener('mousemove', (e) => {
      const p = new DOMPoint(e.clientX, e.clientY).matrixTransform(svg.getScreenCTM().inverse());
      let best = 0;
      g.xs.forEach((x, i) => { if (Math.abs(g.px(x) - p.x) < Math.abs(g.px(g.xs[best]) - p.x)) best = i; });
      show(best);
    });
    svg.addEventListener('mouseleave', hide);
    svg.addEventListener('blur', hide);
    svg.addEventListener('keydown', (e) => {
      const moves = { ArrowLeft: index - 1, ArrowRight: index + 1, Home: 0, End: g.xs.length - 1 };
      if (!(e.key in moves)) return;
      e.preventDefault();
      Dedodiz.announce(show(index < 0 ? 0 : moves[e.key]));
    });
  }

  // The chart of drawing in box: {title, x: {label, values}, yLabel, scale: 'log' | 'relative',
  // lines: [{label, values, converged, colour?}], describe(index) -> the text of the point index}.
  function draw(box, drawing) {
    box.replaceChildren();
    const g = geometry(drawing);
    const names = drawing.lines.map((l) => l.label).join(', ');
    const svg = el('svg', { xmlns: 'http://www.w3.org/2000/svg', role: 'img', tabindex: 0, 'font-family': FONT, 'font-size': 13,
      'aria-label': `${drawing.title}: ${names}. Use the left and right arrow keys to read the points.` });
    const background = el('rect', { x: 0, y: 0, width: W, fill: '#ffffff' });
    svg.append(background);
    frame(svg, g, drawing);
    lines(svg, g, drawing);
    const height = H + legend(svg, drawing);
    background.setAttribute('height', height);
    svg.setAttribute('viewBox', `0 0 ${W} ${height}`);
    svg.setAttribute('width', W);
    svg.setAttribute('height', height);
    const tip = el('div', { class: 'chart-tip', role: 'presentation' });
    box.append(svg, tip);
    interaction(svg, tip, g, drawing);
    return svg;
  }

  function svgText(svg) {
    return '<?xml version="1.0" encoding="UTF-8"?>\n' + new XMLSerializer().serializeToString(svg) + '\n';
  }

  // The chart as a PNG picture at twice its size; calls back with the Blob.
  function png(svg, done) {
    const image = new Image();
    image.onload = () => {
      const w = Number(svg.getAttribute('width')), h = Number(svg.getAttribute('height'));
      const canvas = el('canvas', { width: w * 2, height: h * 2 });
      const ctx = canvas.getContext('2d');
      ctx.scale(2, 2);
      ctx.drawImage(image, 0, 0, w, h);
      canvas.toBlob(done, 'image/png');
    };
    const bytes = new TextEncoder().encode(svgText(svg));
    let binary = '';
    bytes.forEach((b) => { binary += String.fromCharCode(b); });
    image.src = 'data:image/svg+xml;base64,' + btoa(binary);
  }

  Dedodiz.chart = { draw, svgText, png, PALETTE };
})();
