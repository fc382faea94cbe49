'use strict';
// The status page: readings, lamps, the alarm banner and how fresh the data is.
(function () {
  const { el } = Zel;

  const readings = [
    ['frequency_mhz', 'Frequency', 'MHz', 2],
    ['forward_w', 'Forward power', 'W', 1],
    ['reflected_w', 'Reflected power', 'W', 1],
    ['temperature_c', 'Temperature', '°C', 1],
    ['pa_voltage_v', 'PA voltage', 'V', 1],
    ['pa_current_a', 'PA current', 'A', 1],
    ['modulation', 'Modulation', '%', 0],
  ];
  // [key, label, word when true, word when false, true is good]
  const lamps = [
    ['on_air', 'On air', 'On air', 'Off air', true],
    ['locked', 'Frequency', 'Locked', 'Unlocked', true],
    ['temperature_high', 'Temperature', 'High', 'Normal', false],
    ['reflected_power_high', 'Reflected power', 'High', 'Normal', false],
  ];
  const audio = [
    ['audio_left', 'Left'],
    ['audio_right', 'Right'],
  ];
  // The panel's bar is full at 100 and shows overload up to 120.
  const AUDIO_FULL = 120;
  const AUDIO_MARK = 100;

  let doc = null;
  let built = false;
  const nodes = {};

  function number(v, decimals) {
    return typeof v === 'number' && isFinite(v) ? v.toFixed(decimals) : '-';
  }

  function build() {
    const cards = document.getElementById('readings');
    for (const [key, label, unit] of readings) {
      const value = el('span', { class: 'value', data: { reading: key } }, '-');
      cards.append(el('div', { class: 'card' }, el('span', { class: 'label' }, label),
        el('span', { class: 'reading' }, value, ' ', el('span', { class: 'unit' }, unit))));
      nodes[key] = value;
    }
    const lampBox = document.getElementById('lamps');
    for (const [key, label] of lamps) {
      const word = el('span', { class: 'word' }, '-');
      const lamp = el('div', { class: 'lamp', data: { lamp: key, state: 'unknown' } },
        el('span', { class: 'dot', 'aria-hidden': 'true' }), el('span', { class: 'label' }, label), word);
      lampBox.append(lamp);
      nodes['lamp_' + key] = { lamp, word };
    }
    const audioBox = document.getElementById('audio');
    audioBox.append(el('span', { class: 'label' }, 'Audio level'));
    for (const [key, label] of audio) {
      const fill = el('span', { class: 'fill' });
      const value = el('span', { class: 'value', data: { reading: key } }, '-');
      const bar = el('span', { class: 'bar', role: 'img', 'aria-label': label + ' level' }, fill,
        el('span', { class: 'mark', 'aria-hidden': 'true' }));
      audioBox.append(el('div', { class: 'audiorow' }, el('span', { class: 'side' }, label), bar, value));
      nodes[key] = value;
      nodes['bar_' + key] = { bar, fill };
    }
    built = true;
  }

  function paintLamps(record) {
    for (const [key, , yes, no, trueIsGood] of lamps) {
      const v = record ? record[key] : null;
      const { lamp, word } = nodes['lamp_' + key];
      let state = 'unknown';
      let text = 'Unknown';
      if (v === true || v === false) {
        state = v === trueIsGood ? 'good' : 'bad';
        text = v ? yes : no;
      }
      lamp.dataset.state = state;
      word.textContent = text;
    }
  }

  function paintAudio(record) {
    for (const [key] of audio) {
      const v = record ? record[key] : null;
      nodes[key].textContent = number(v, 0);
      const { fill, bar } = nodes['bar_' + key];
      const ok = typeof v === 'number' && isFinite(v);
      const share = ok ? Math.max(0, Math.min(v, AUDIO_FULL)) / AUDIO_FULL : 0;
      // Width via the CSSOM: allowed under style-src 'self', unlike a style attribute.
      fill.style.width = (share * 100).toFixed(1) + '%';
      bar.dataset.over = ok && v > AUDIO_MARK ? 'yes' : 'no';
      bar.dataset.state = ok ? 'known' : 'unknown';
    }
  }

  function paintBanner(alarms) {
    const banner = document.getElementById('alarm-banner');
    const list = document.getElementById('alarm-banner-list');
    Zel.clear(list);
    const active = Array.isArray(alarms) ? alarms : [];
    banner.hidden = active.length === 0;
    const critical = active.some((a) => a && a.severity !== 'warning');
    banner.dataset.severity = critical ? 'critical' : 'warning';
    document.getElementById('alarm-banner-title').textContent =
      (critical ? 'ALARM: ' : 'WARNING: ') + active.length + (active.length === 1 ? ' alarm raised' : ' alarms raised');
    let waiting = 0;
    for (const a of active) {
      if (!a || typeof a !== 'object') continue;
      if (!a.acknowledged) waiting += 1;
      const parts = [Zel.severityWord(a.severity)];
      if (a.value !== null && a.value !== undefined && a.value !== '') parts.push(String(a.value));
      if (a.since) parts.push('since ' + Zel.localTime(a.since));
      parts.push(a.acknowledged ? 'acknowledged' : 'not acknowledged');
      list.append(el('li', { data: { severity: a.severity === 'warning' ? 'warning' : 'critical' } },
        el('strong', null, Zel.kindTitle(a.alarm)), ' – ' + parts.join(', ')));
    }
    const count = document.getElementById('alarm-count');
    count.textContent = String(waiting);
    count.hidden = waiting === 0;
    count.setAttribute('aria-label', waiting + ' unacknowledged');
  }

  function paintLink(link) {
    const state = document.getElementById('link-state');
    const kind = link && (link.kind === 'serial' || link.kind === 'gateway') ? ' (' + link.kind + ')' : '';
    const up = !!(link && link.up === true);
    state.textContent = (up ? 'Link up' : 'Link lost') + kind;
    state.dataset.state = up ? 'up' : 'lost';
  }

  function paintFreshness() {
    const node = document.getElementById('freshness');
    const last = doc && doc.link ? Date.parse(doc.link.last_update) : NaN;
    if (isNaN(last)) {
      node.textContent = doc ? 'no data yet' : '';
      node.dataset.age = '';
      return;
    }
    // The server's clock, as far as the HTTP Date header tells it, so a phone set wrong still reads right.
    const age = (Date.now() + Zel.clockOffset - last) / 1000;
    node.textContent = 'updated ' + Zel.ago(age);
    node.dataset.age = String(Math.max(0, Math.floor(age)));
    node.dataset.stale = age > 10 ? 'yes' : 'no';
  }

  function paint(next) {
    if (!next || typeof next !== 'object') return;
    if (!built) build();
    doc = next;
    const record = next.record && typeof next.record === 'object' ? next.record : null;
    for (const [key, , , decimals] of readings) nodes[key].textContent = number(record && record[key], decimals);
    paintLamps(record);
    paintAudio(record);
    paintBanner(next.alarms);
    paintLink(next.link);
    paintFreshness();
    const station = typeof next.station === 'string' && next.station ? next.station : null;
    if (station) document.getElementById('station-name').textContent = station;
    const meta = [];
    if (typeof next.site === 'string' && next.site) meta.push('Site ' + next.site);
    if (next.role === 'main' || next.role === 'standby') meta.push(next.role);
    if (record && record.device_id) meta.push('Device ' + record.device_id);
    if (next.link && typeof next.link.frames_decoded === 'number') meta.push(next.link.frames_decoded + ' frames');
    if (next.link && typeof next.link.blocks_dropped === 'number') meta.push(next.link.blocks_dropped + ' dropped');
    if (next.version) meta.push('version ' + next.version);
    document.getElementById('status-meta').textContent = meta.join(' · ');
  }

  Zel.status = {
    paint,
    tick: paintFreshness,
    async load() {
      if (!built) build();
      paint(await Zel.api('GET', '/api/status'));
    },
  };
})();
