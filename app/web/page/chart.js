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

  function draw(box, spec) {
    box.replaceChildren();
    const xs = spec.x.values;
    let x0 = Math.min(...xs), x1 = Math.max(...xs);
    if (x0 === x1) { x0 -= 1; x1 += 1; }
    const ys = spec.lines.map((line) => plotted(line, spec.scale));
    const all = ys.flat().filter((v) => v !== null);
    let y0 = spec.scale === 'log' ? Math.floor(Math.min(...all)) : 0;
    let y1 = spec.scale === 'log' ? Math.ceil(Math.max(...all)) : 100;
    if (!all.length) { y0 = 0; y1 = 1; }
    if (y0 === y1) y1 = y0 + 1;
    const px = (x) => M.l + ((x - x0) / (x1 - x0)) * (W - M.l - M.r);
    const py = (y) => H - M.b - ((y - y0) / (y1 - y0)) * (H - M.t - M.b);

    const svg = el('svg', { xmlns: 'http://www.w3.org/2000/svg', viewBox: `0 0 ${W} ${H}`, width: W, height: H,
      role: 'img', tabindex: 0, 'aria-label': spec.title + '. Use the left and right arrow keys to read the points.',
      'font-family': FONT, 'font-size': 13 });
    svg.append(el('rect', { x: 0, y: 0, width: W, height: H, fill: '#ffffff' }));
    const axis = el('g', { stroke: '#9aa3ab', 'stroke-width': 1 });
    const labels = el('g', { fill: '#1b1f24' });
    for (const t of ticks(x0, x1, 8)) {
      axis.append(el('line', { x1: px(t), x2: px(t), y1: M.t, y2: H - M.b, stroke: '#e3e6e9' }));
      labels.append(el('text', { x: px(t), y: H - M.b + 18, 'text-anchor': 'middle', text: String(t) }));
    }
    const yTicks = spec.scale === 'log' ? ticks(y0, y1, 8).filter(Number.isInteger) : [0, 25, 50, 75, 100];
    for (const t of yTicks) {
      axis.append(el('line', { x1: M.l, x2: W - M.r, y1: py(t), y2: py(t), stroke: '#e3e6e9' }));
      labels.append(el('text', { x: M.l - 6, y: py(t) + 4, 'text-anchor': 'end', text: spec.scale === 'log' ? `1e${t}` : `${t} %` }));
    }
    axis.append(el('path', { d: `M${M.l},${M.t}V${H - M.b}H${W - M.r}`, fill: 'none', stroke: '#1b1f24' }));
    labels.append(el('text', { x: (M.l + W - M.r) / 2, y: H - 10, 'text-anchor': 'middle', text: spec.x.label }),
      el('text', { x: 16, y: (M.t + H - M.b) / 2, 'text-anchor': 'middle', transform: `rotate(-90 16 ${(M.t + H - M.b) / 2})`, text: spec.yLabel }));
    svg.append(axis, labels);

    spec.lines.forEach((line, k) => {
      const colour = line.colour || PALETTE[k % PALETTE.length];
      const g = el('g', { class: 'line', 'data-line': k });
      let d = '';
      ys[k].forEach((y, i) => {
        if (y === null || !line.converged[i]) return;
        const joined = i > 0 && ys[k][i - 1] !== null && line.converged[i - 1];
        d += `${joined ? 'L' : 'M'}${px(xs[i]).toFixed(1)},${py(y).toFixed(1)}`;
      });
      g.append(el('path', { d, fill: 'none', stroke: colour, 'stroke-width': 2 }));
      ys[k].forEach((y, i) => {
        if (y === null) return;
        const cx = px(xs[i]), cy = py(y);
        g.append(line.converged[i]
          ? el('circle', { class: 'point', cx: cx.toFixed(1), cy: cy.toFixed(1), r: 3, fill: colour, 'data-index': i })
          : el('path', { class: 'point not-converged', d: `M${cx - 5},${cy - 5}l10,10m0,-10l-10,10`, stroke: '#a4001d', 'stroke-width': 2.5, 'data-index': i }));
      });
      svg.append(g);
    });
    const guide = el('line', { y1: M.t, y2: H - M.b, stroke: '#1b1f24', 'stroke-dasharray': '4 3', visibility: 'hidden' });
    svg.append(guide);

    const tip = el('div', { class: 'chart-tip', role: 'presentation' });
    const anyFailed = spec.lines.some((l) => l.converged.some((c) => !c));
    const legend = el('ul', { class: 'legend', 'aria-label': 'Legend' },
      spec.lines.map((line, k) => el('li', {}, el('span', { class: 'swatch', style: `background:${line.colour || PALETTE[k % PALETTE.length]}` }), line.label)),
      anyFailed ? el('li', {}, el('span', { class: 'cross', text: '×' }), 'not converged') : null);
    box.append(svg, tip, legend);

    let index = -1;
    const show = (i) => {
      index = Math.max(0, Math.min(xs.length - 1, i));
      guide.setAttribute('x1', px(xs[index]));
      guide.setAttribute('x2', px(xs[index]));
      guide.setAttribute('visibility', 'visible');
      tip.textContent = spec.describe(index);
      tip.style.display = 'block';
      const r = svg.getBoundingClientRect(), scale = r.width / W;
      const left = px(xs[index]) * scale;
      tip.style.left = `${Math.min(left + 12, r.width - tip.offsetWidth - 4)}px`;
      tip.style.top = `${M.t * scale + 8}px`;
      return tip.textContent;
    };
    const hide = () => { tip.style.display = 'none'; guide.setAttribute('visibility', 'hidden'); };
    svg.addEventListener('mousemove', (e) => {
      const p = new DOMPoint(e.clientX, e.clientY).matrixTransform(svg.getScreenCTM().inverse());
      let best = 0;
      xs.forEach((x, i) => { if (Math.abs(px(x) - p.x) < Math.abs(px(xs[best]) - p.x)) best = i; });
      show(best);
    });
    svg.addEventListener('mouseleave', hide);
    svg.addEventListener('blur', hide);
    svg.addEventListener('keydown', (e) => {
      const moves = { ArrowLeft: index - 1, ArrowRight: index + 1, Home: 0, End: xs.length - 1 };
      if (!(e.key in moves)) return;
      e.preventDefault();
      Dedodiz.announce(show(index < 0 ? 0 : moves[e.key]));
    });
    return svg;
  }

  function svgText(svg) {
    return '<?xml version="1.0" encoding="UTF-8"?>\n' + new XMLSerializer().serializeToString(svg) + '\n';
  }

  // The chart as a PNG picture at twice its size; calls back with the Blob.
  function png(svg, done) {
    const image = new Image();
    image.onload = () => {
      const canvas = el('canvas', { width: W * 2, height: H * 2 });
      const ctx = canvas.getContext('2d');
      ctx.scale(2, 2);
      ctx.drawImage(image, 0, 0, W, H);
      canvas.toBlob(done, 'image/png');
    };
    const bytes = new TextEncoder().encode(svgText(svg));
    let binary = '';
    bytes.forEach((b) => { binary += String.fromCharCode(b); });
    image.src = 'data:image/svg+xml;base64,' + btoa(binary);
  }

  Dedodiz.chart = { draw, svgText, png, PALETTE };
})();
