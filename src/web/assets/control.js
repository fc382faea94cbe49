'use strict';
// The control page: the five set values, a review of saved against new, the send, and its readback.
(function () {
  const { el } = Zel;
  const $ = (id) => document.getElementById(id);

  // [field id, JSON key sent, key of GET /api/set, label, unit, word on the status page]
  const fields = [
    ['control-frequency', 'frequency', 'frequency_mhz', 'Frequency', 'MHz', ''],
    ['control-forward', 'forward', 'forward_w', 'Forward target', 'W', 'forward '],
    ['control-reflect', 'reflect', 'reflect_w', 'Reflect target', 'W', 'reflect '],
    ['control-temperature', 'temperature', 'temperature_c', 'Temperature protection', '°C', 'temperature '],
  ];
  // A readback that never reaches this page (the stream was away) is not waited for forever.
  const READBACK_PATIENCE_MS = 90000;

  let saved = null;
  let edited = false;
  let asked = null;
  let sending = false;
  // Which readback row answers the command sent from here: see onEvent.
  let watch = null;
  let watchTimer = null;

  function savedText(key) {
    const v = saved ? saved[key] : null;
    if (typeof v !== 'number' || !isFinite(v)) return '';
    return key === 'frequency_mhz' ? v.toFixed(2) : String(v);
  }

  function savedCarrier() {
    const v = saved ? saved.carrier_on : null;
    return v === true ? 'on' : v === false ? 'off' : '';
  }

  // The saved values in one small line on the status page, for every role.
  function paintSetPoints() {
    const parts = [];
    if (savedCarrier()) parts.push('carrier ' + savedCarrier().toUpperCase());
    for (const [, , key, , unit, word] of fields) {
      const v = savedText(key);
      if (v) parts.push(word + v + ' ' + unit);
    }
    const line = $('status-setpoints');
    line.textContent = parts.length ? 'Set points: ' + parts.join(' · ') : '';
    line.hidden = parts.length === 0;
  }

  function fill() {
    $('control-carrier-on').checked = savedCarrier() === 'on';
    $('control-carrier-off').checked = savedCarrier() === 'off';
    for (const [id, , key] of fields) $(id).value = savedText(key);
    edited = false;
  }

  function carrierChosen() {
    if ($('control-carrier-on').checked) return 'on';
    if ($('control-carrier-off').checked) return 'off';
    return '';
  }

  // Same value when both read as the same number, so "98.5" against a saved 98.50 is no change.
  function same(before, after) {
    const a = Number(before);
    const b = Number(after);
    if (before.trim() !== '' && after.trim() !== '' && isFinite(a) && isFinite(b)) return a === b;
    return before.trim() === after.trim();
  }

  function stage(name) {
    $('control-form').hidden = name === 'review';
    $('control-review-box').hidden = name !== 'review';
  }

  function reviewRow(label, before, after) {
    const changed = !same(before, after);
    return el('tr', { data: { changed: changed ? 'yes' : 'no' } },
      el('th', { scope: 'row' }, label),
      el('td', { class: 'before' }, before || '–'),
      el('td', { class: 'arrow', 'aria-hidden': 'true' }, '→'),
      el('td', { class: 'after' }, after || '–', changed ? el('span', { class: 'changedtag' }, ' changed') : null));
  }

  function review(event) {
    event.preventDefault();
    Zel.showError($('control-error'), '');
    const carrier = carrierChosen();
    asked = { carrier };
    for (const [id, name] of fields) asked[name] = $(id).value.trim();
    const word = (c) => (c === 'on' ? 'ON' : c === 'off' ? 'OFF' : '');
    const table = $('control-confirm');
    Zel.clear(table);
    table.append(el('thead', null, el('tr', null, el('th', { scope: 'col' }, 'Value'),
      el('th', { scope: 'col' }, 'Saved'), el('th', { 'aria-hidden': 'true' }),
      el('th', { scope: 'col' }, 'New'))));
    const body = el('tbody');
    body.append(reviewRow('Carrier', word(savedCarrier()), word(carrier)));
    for (const [, name, key, label, unit] of fields) {
      const before = savedText(key);
      const after = asked[name];
      body.append(reviewRow(label + ' (' + unit + ')', before, after));
    }
    table.append(body);
    const changes = body.querySelectorAll('tr[data-changed="yes"]').length;
    $('control-changes').textContent =
      changes === 0 ? 'Nothing changed: the saved values are sent again.'
        : changes === 1 ? '1 value changes.' : changes + ' values change.';
    stage('review');
    $('control-review-box').scrollIntoView({ block: 'start' });
    // Not on Send: a second Enter from the form must not send unread.
    $('control-review-title').focus({ preventScroll: true });
  }

  function showResult(kind, message) {
    const result = $('control-result');
    result.textContent = message;
    result.dataset.outcome = kind;
    $('control-outcome').hidden = false;
    $('control-outcome').scrollIntoView({ block: 'start' });
  }

  function showReadback(kind, message) {
    const line = $('control-readback');
    line.textContent = message;
    line.dataset.state = kind;
    line.hidden = !message;
  }

  function stopWatch() {
    watch = null;
    clearTimeout(watchTimer);
    watchTimer = null;
  }

  // A 502 is the window's own outcome: what it would have told the operator, and over which link.
  function notSentWhy(e) {
    const d = e.data && typeof e.data === 'object' ? e.data : {};
    if (typeof d.told === 'string' && d.told) return d.told;
    return 'the monitor could not send it' + (d.link ? ' over ' + d.link : '') + '.';
  }

  async function send() {
    if (sending || !asked) return;
    sending = true;
    $('control-send').disabled = true;
    $('control-back').disabled = true;
    $('control-send').textContent = 'Sending…';
    $('control-outcome').hidden = true;
    showReadback('', '');
    // Set before the request: the stream may bring the command's own row before its answer,
    // so rows are held until the answer says which values were sent.
    stopWatch();
    watch = { state: 'waiting', by: (Zel.session ? Zel.session.user : '') + '@web', values: null, held: [] };
    try {
      const r = await Zel.api('POST', '/api/set', asked);
      showResult('sent', 'Sent over ' + (r.link || 'the link') + (r.values ? ': ' + r.values : '.'));
      if (watch) {
        showReadback('waiting', 'Readback: waiting for the transmitter to report…');
        watch.values = typeof r.values === 'string' ? r.values : '';
        for (const row of watch.held.splice(0)) if (watch) follow(row);
        watchTimer = setTimeout(() => {
          stopWatch();
          showReadback('unknown', 'Readback: no outcome reached this page; see Events.');
        }, READBACK_PATIENCE_MS);
      }
      stage('form');
      await load(true);
    } catch (e) {
      stopWatch();
      if (e.status === 401) return;
      if (e.status === 400) {
        // The window's own check refused a value: back to the form with its words.
        stage('form');
        Zel.showError($('control-error'), e.message);
        return;
      }
      if (e.status === 502) showResult('failed', 'Not sent: ' + notSentWhy(e));
      else if (e.status === 0)
        showResult('unknown', 'Outcome unknown: ' + e.message + ' See Events before sending again.');
      else showResult('refused', e.message);
      stage('form');
    } finally {
      sending = false;
      $('control-send').disabled = false;
      $('control-back').disabled = false;
      $('control-send').textContent = 'Send';
    }
  }

  function onEvent(row) {
    if (!row || typeof row !== 'object') return;
    // A command from the window or another browser saves new values: show them unless typing here.
    if (row.event === 'set_command' && !sending) load(false);
    if (!watch || (row.event !== 'set_command' && row.event !== 'readback')) return;
    if (watch.values === null) watch.held.push(row);
    else follow(row);
  }

  // The command's own set_command row (this account, the values sent) arms the watch; the next
  // readback row is its answer. A readback that says "replaced" right after it belongs to the
  // command before, unless another command has come since ours.
  function follow(row) {
    if (row.event === 'set_command') {
      const ours = row.user === watch.by && row.state === 'info' && row.value === watch.values;
      if (watch.state === 'waiting' && ours) watch.state = 'armed';
      else if (watch.state === 'armed') watch.state = 'superseded';
      return;
    }
    if (row.event !== 'readback' || watch.state === 'waiting') return;
    const detail = typeof row.detail === 'string' ? row.detail : '';
    if (watch.state === 'armed' && /replaced by a newer set command/.test(detail)) return;
    stopWatch();
    const seen = row.value ? String(row.value) : 'no data';
    if (row.state === 'confirmed') showReadback('confirmed', 'Readback: confirmed – the transmitter reports ' + seen +
      (detail ? ' (' + detail + ')' : '') + '.');
    else showReadback('not_confirmed', 'Readback: NOT confirmed – the transmitter reports ' + seen +
      (detail ? ' (' + detail + ')' : '') + '. Check the transmitter.');
  }

  async function load(refill) {
    try {
      const data = await Zel.api('GET', '/api/set');
      saved = data;
      paintSetPoints();
      if (refill || !edited) fill();
      $('control-saved-error').hidden = true;
    } catch (e) {
      if (e.status !== 401) Zel.showError($('control-saved-error'), 'Saved values not read: ' + e.message);
    }
  }

  $('control-form').addEventListener('submit', review);
  $('control-form').addEventListener('input', () => (edited = true));
  $('control-send').addEventListener('click', send);
  $('control-back').addEventListener('click', () => {
    stage('form');
    $('control-review').focus();
  });

  Zel.control = {
    load: () => load(false),
    onEvent,
    reset() {
      stopWatch();
      saved = null;
      asked = null;
      fill();
      paintSetPoints();
      stage('form');
      Zel.showError($('control-error'), '');
      $('control-outcome').hidden = true;
      showReadback('', '');
    },
  };
})();
