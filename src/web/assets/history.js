'use strict';
// History charts drawn as SVG by hand: a min–max band, the last-value line and alarm spans.
(function () {
  const { el, svg } = Zel;
  const $ = (id) => document.getElementById(id);

  let W = 600;
  const H = 200;
  const M = { left: 52, right: 10, top: 20, bottom: 26 };
  const timeSteps = [60, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 345600, 604800];
  const months = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];

  let range = '24h';
  let lastData = null;
  let lastWidth = 0;
  let seq = 0;

  function finite(v) {
    return typeof v === 'number' && isFinite(v);
  }

  function niceStep(span, count) {
    const raw = span / count;
    const mag = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 2.5, 5, 10]) if (m * mag >= raw) return m * mag;
    return 10 * mag;
  }

  function valueScale(buckets) {
    let lo = Infinity;
    let hi = -Infinity;
    for (const b of buckets)
      for (const v of b.slice(1))
        if (finite(v)) {
          lo = Math.min(lo, v);
          hi = Math.max(hi, v);
        }
    if (lo > hi) return { lo: 0, hi: 1, step: 0.25 };
    if (lo === hi) {
      const pad = Math.abs(lo) > 1 ? Math.abs(lo) * 0.05 : 1;
      lo -= pad;
      hi += pad;
    }
    const step = niceStep(hi - lo, 4);
    lo = Math.floor(lo / step) * step;
    hi = Math.ceil(hi / step) * step;
    return { lo, hi, step };
  }

  // Ticks on round local times (whole hours, local midnight) so labels read naturally.
  function timeTicks(from, to) {
    const span = to - from;
    const step = timeSteps.find((s) => span / s <= 5) || 604800;
    const tz = new Date(from * 1000).getTimezoneOffset() * 60;
    const first = Math.ceil((from - tz) / step) * step + tz;
    const ticks = [];
    for (let t = first; t <= to; t += step) ticks.push(t);
    return { ticks, step };
  }

  function timeLabel(t, step) {
    const d = new Date(t * 1000);
    if (step >= 86400) return d.getDate() + ' ' + months[d.getMonth()];
    return Zel.pad(d.getHours()) + ':' + Zel.pad(d.getMinutes());
  }

  // As many decimals as the step needs: 2.5 gets one, 0.25 two.
  function numberLabel(v, step) {
    let decimals = 0;
    while (decimals < 4 && Math.abs(step * Math.pow(10, decimals) - Math.round(step * Math.pow(10, decimals))) > 1e-6)
      decimals += 1;
    return v.toFixed(decimals);
  }

  // Split at gaps: a bucket more than 2.5 steps after the last one starts a new run.
  function runs(buckets) {
    const ok = buckets.filter((b) => Array.isArray(b) && finite(b[0]) && finite(b[1]) && finite(b[2]));
    ok.sort((a, b) => a[0] - b[0]);
    const gaps = [];
    for (let i = 1; i < ok.length; ++i) gaps.push(ok[i][0] - ok[i - 1][0]);
    gaps.sort((a, b) => a - b);
    const typical = gaps.length ? gaps[Math.floor(gaps.length / 2)] : Infinity;
    const out = [];
    let current = [];
    for (const b of ok) {
      if (current.length && b[0] - current[current.length - 1][0] > typical * 2.5) {
        out.push(current);
        current = [];
      }
      current.push(b);
    }
    if (current.length) out.push(current);
    return out;
  }

  function chart(field, from, to, alarms) {
    const buckets = Array.isArray(field.buckets) ? field.buckets : [];
    const unit = typeof field.unit === 'string' ? field.unit : '';
    const label = (typeof field.label === 'string' && field.label) || String(field.name);
    const { lo, hi, step } = valueScale(buckets);
    const x = (t) => M.left + ((t - from) / (to - from)) * (W - M.left - M.right);
    const y = (v) => H - M.bottom - ((v - lo) / (hi - lo)) * (H - M.top - M.bottom);
    const root = svg('svg', {
      viewBox: '0 0 ' + W + ' ' + H, class: 'chart', role: 'img', 'data-field': String(field.name),
      'aria-label': label + (unit ? ' in ' + unit : '') + ', min–max band and last value',
    });

    for (const a of alarms) {
      const start = Math.max(from, a.start);
      const end = Math.min(to, finite(a.end) ? a.end : to);
      if (end < start) continue;
      const rect = svg('rect', {
        x: x(start).toFixed(1), y: M.top, height: H - M.top - M.bottom,
        width: Math.max(1.5, x(end) - x(start)).toFixed(1),
        class: a.severity === 'warning' ? 'span warn' : 'span crit',
      });
      rect.append(svg('title', null, Zel.kindTitle(a.event) + ' (' + (Zel.severityWord(a.severity) || 'alarm') + ')'));
      root.append(rect);
    }

    for (let i = 0; lo + i * step <= hi + step / 2; ++i) {
      const v = lo + i * step;
      root.append(svg('line', { x1: M.left, x2: W - M.right, y1: y(v).toFixed(1), y2: y(v).toFixed(1), class: 'grid' }));
      root.append(svg('text', { x: M.left - 6, y: (y(v) + 4).toFixed(1), class: 'ylabel' }, numberLabel(v, step)));
    }
    root.append(svg('text', { x: M.left - 6, y: 12, class: 'unit ylabel' }, unit));

    const tt = timeTicks(from, to);
    for (const t of tt.ticks) {
      root.append(svg('line', { x1: x(t).toFixed(1), x2: x(t).toFixed(1), y1: M.top, y2: H - M.bottom, class: 'grid' }));
      root.append(svg('text', { x: x(t).toFixed(1), y: H - 8, class: 'xlabel' }, timeLabel(t, tt.step)));
    }

    for (const run of runs(buckets)) {
      const top = run.map((b) => x(b[0]).toFixed(1) + ',' + y(b[2]).toFixed(1));
      const bottom = run.map((b) => x(b[0]).toFixed(1) + ',' + y(b[1]).toFixed(1)).reverse();
      if (run.length === 1) {
        root.append(svg('line', { x1: top[0].split(',')[0], x2: top[0].split(',')[0], y1: y(run[0][2]), y2: y(run[0][1]), class: 'bandline' }));
      } else {
        root.append(svg('polygon', { points: top.concat(bottom).join(' '), class: 'band' }));
      }
      const last = run.filter((b) => finite(b[3])).map((b) => x(b[0]).toFixed(1) + ',' + y(b[3]).toFixed(1));
      if (last.length > 1) root.append(svg('polyline', { points: last.join(' '), class: 'last' }));
      else if (last.length === 1) {
        const [cx, cy] = last[0].split(',');
        root.append(svg('circle', { cx, cy, r: 2.5, class: 'lastdot' }));
      }
    }
    root.append(svg('rect', { x: M.left, y: M.top, width: W - M.left - M.right, height: H - M.top - M.bottom, class: 'frame' }));

    return root;
  }

  function figure(box, field, from, to, alarms) {
    const unit = typeof field.unit === 'string' ? field.unit : '';
    const label = (typeof field.label === 'string' && field.label) || String(field.name);
    const buckets = Array.isArray(field.buckets) ? field.buckets : [];
    const lastBucket = buckets.filter((b) => Array.isArray(b) && finite(b[3])).pop();
    const now = lastBucket ? lastBucket[3] + (unit ? ' ' + unit : '') : 'no data';
    const fig = el('figure', { class: 'box chartbox', data: { field: String(field.name) } },
      el('figcaption', null, el('strong', null, label + (unit ? ' (' + unit + ')' : '')),
        el('span', { class: 'meta' }, ' last: ' + now)));
    box.append(fig);
    // Drawn at the width it is shown, so the labels keep their size on a phone.
    W = Math.max(260, Math.floor(fig.clientWidth - 2 * parseFloat(getComputedStyle(fig).paddingLeft || '0')));
    fig.append(chart(field, from, to, alarms));
  }

  function paint(data) {
    const box = $('history-charts');
    Zel.clear(box);
    lastData = data;
    lastWidth = box.clientWidth;
    const from = Number(data.from);
    const to = Number(data.to);
    const fields = Array.isArray(data.fields) ? data.fields : [];
    const alarms = (Array.isArray(data.alarms) ? data.alarms : []).filter((a) => a && finite(a.start));
    const shown = fields.filter((f) => f && typeof f === 'object');
    if (finite(from) && finite(to) && to > from)
      for (const f of shown) figure(box, f, from, to, alarms);
    $('history-empty').hidden = box.childElementCount > 0;
  }

  async function load() {
    for (const b of document.querySelectorAll('#history-ranges button'))
      b.setAttribute('aria-pressed', b.dataset.range === range ? 'true' : 'false');
    const mine = ++seq;
    try {
      const data = await Zel.api('GET', '/api/history?range=' + encodeURIComponent(range));
      // A slow answer for a range no longer chosen is dropped.
      if (mine !== seq) return;
      paint(data);
      Zel.showError($('history-error'), '');
    } catch (e) {
      if (mine === seq && e.status !== 401) Zel.showError($('history-error'), e.message);
    }
  }

  for (const b of document.querySelectorAll('#history-ranges button'))
    b.addEventListener('click', () => {
      range = b.dataset.range;
      load();
    });

  let resizeTimer = null;
  window.addEventListener('resize', () => {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(() => {
      const box = $('history-charts');
      if (lastData && !box.closest('[hidden]') && box.clientWidth !== lastWidth) paint(lastData);
    }, 200);
  });

  Zel.history = {
    load,
    reset() {
      lastData = null;
      Zel.clear($('history-charts'));
    },
  };
})();
