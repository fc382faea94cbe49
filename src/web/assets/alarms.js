'use strict';
// The alarms page: alarms waiting for acknowledgement, the shelf, and the shelve form.
(function () {
  const { el } = Zel;

  const stateWords = {
    raised: 'Raised – not acknowledged',
    cleared: 'Cleared – waiting for acknowledgement',
    acknowledged: 'Acknowledged',
  };

  let kinds = [];
  const cardErrors = new Map();
  let loading = null;

  function text(v) {
    return v === null || v === undefined ? '' : String(v);
  }

  function alarmCard(a) {
    const id = a.id;
    const state = stateWords[a.state] ? a.state : 'raised';
    const sev = a.severity === 'warning' ? 'warning' : 'critical';
    let stateWord = stateWords[state];
    if (state === 'acknowledged' && a.acknowledged_by) stateWord += ' by ' + a.acknowledged_by;
    const card = el('article', { class: 'alarm', data: { alarmId: id, state, severity: sev } },
      el('div', { class: 'alarmhead' },
        el('strong', { class: 'title' }, text(a.title) || Zel.kindTitle(a.event)),
        el('span', { class: 'sev tag', data: { severity: sev } }, Zel.severityWord(sev))),
      el('p', { class: 'state' }, stateWord),
      el('p', { class: 'time' }, Zel.localTime(a.time)));
    if (text(a.value)) card.append(el('p', { class: 'val' }, 'Value: ' + text(a.value)));
    if (text(a.detail)) card.append(el('p', { class: 'detail' }, text(a.detail)));
    if (a.shelved) card.append(el('p', { class: 'shelvedtag tag' }, 'Shelved'));
    const error = el('p', { class: 'error', role: 'alert' });
    Zel.showError(error, cardErrors.get(String(id)));
    card.append(error);
    if (Zel.canOperate() && state !== 'acknowledged') {
      const button = el('button', { type: 'button', class: 'ack' }, 'Acknowledge');
      button.addEventListener('click', () => acknowledge(id, button, error));
      card.append(button);
    }
    return card;
  }

  async function acknowledge(id, button, error) {
    button.disabled = true;
    button.textContent = 'Acknowledging…';
    try {
      await Zel.api('POST', '/api/alarms/' + encodeURIComponent(id) + '/ack');
      cardErrors.delete(String(id));
      Zel.flash('Alarm acknowledged.');
    } catch (e) {
      if (e.status === 401) return;
      cardErrors.set(String(id), e.message);
      Zel.showError(error, e.message);
      button.disabled = false;
      button.textContent = 'Acknowledge';
      // A refusal (already acknowledged elsewhere) means the list is out of date.
      if (e.status !== 409) return;
    }
    await load();
  }

  function shelvedRow(s) {
    return el('div', { class: 'shelved', data: { kind: text(s.kind) } },
      el('strong', null, Zel.kindTitle(s.kind)),
      el('span', null, ' until ' + Zel.localTime(s.until)),
      el('span', null, s.by ? ' by ' + s.by : ''),
      s.reason ? el('p', { class: 'detail' }, 'Reason: ' + s.reason) : null);
  }

  function paintKinds(next) {
    if (JSON.stringify(next) === JSON.stringify(kinds)) return;
    kinds = next;
    const box = document.getElementById('shelve-kinds');
    const checked = new Set([...box.querySelectorAll('input:checked')].map((i) => i.value));
    Zel.clear(box);
    box.append(el('legend', null, 'Kinds (choose one or more)'));
    for (const kind of kinds) {
      const input = el('input', { type: 'checkbox', name: 'kind', value: kind, checked: checked.has(kind) });
      box.append(el('label', { class: 'check' }, input, ' ' + Zel.kindTitle(kind)));
    }
  }

  function paint(data) {
    const list = document.getElementById('alarms-list');
    Zel.clear(list);
    const alarms = Array.isArray(data.alarms) ? data.alarms : [];
    for (const a of alarms) if (a && typeof a === 'object') list.append(alarmCard(a));
    document.getElementById('alarms-empty').hidden = alarms.length > 0;

    const shelf = document.getElementById('shelved-list');
    Zel.clear(shelf);
    const shelved = Array.isArray(data.shelved) ? data.shelved : [];
    for (const s of shelved) if (s && typeof s === 'object') shelf.append(shelvedRow(s));
    document.getElementById('shelved-empty').hidden = shelved.length > 0;

    paintKinds(Array.isArray(data.kinds) ? data.kinds.filter((k) => typeof k === 'string') : []);
    document.getElementById('shelve-form').hidden = !Zel.canOperate();
  }

  async function load() {
    // One request at a time; a burst of alarm events asks once more at most.
    if (loading) {
      loading.again = true;
      return loading.promise;
    }
    const state = { again: false };
    loading = state;
    state.promise = (async () => {
      try {
        do {
          state.again = false;
          try {
            paint(await Zel.api('GET', '/api/alarms'));
            Zel.showError(document.getElementById('alarms-error'), '');
          } catch (e) {
            if (e.status !== 401) Zel.showError(document.getElementById('alarms-error'), e.message);
          }
        } while (state.again);
      } finally {
        loading = null;
      }
    })();
    return state.promise;
  }

  async function shelve(event) {
    event.preventDefault();
    const error = document.getElementById('shelve-error');
    const chosen = [...document.querySelectorAll('#shelve-kinds input:checked')].map((i) => i.value);
    const hours = Number(document.getElementById('shelve-hours').value);
    const reason = document.getElementById('shelve-reason').value.trim();
    if (chosen.length === 0) return Zel.showError(error, 'Choose at least one kind of alarm.');
    if (!Number.isInteger(hours) || hours < 1 || hours > 168)
      return Zel.showError(error, 'Hours must be a whole number from 1 to 168.');
    if (!reason) return Zel.showError(error, 'Give a reason for shelving.');
    const button = document.getElementById('shelve-submit');
    button.disabled = true;
    try {
      await Zel.api('POST', '/api/shelve', { kinds: chosen, hours, reason });
      Zel.showError(error, '');
      document.getElementById('shelve-reason').value = '';
      for (const i of document.querySelectorAll('#shelve-kinds input:checked')) i.checked = false;
      Zel.flash('Shelved for ' + hours + (hours === 1 ? ' hour.' : ' hours.'));
      await load();
    } catch (e) {
      if (e.status !== 401) Zel.showError(error, e.message);
    } finally {
      button.disabled = false;
    }
  }

  document.getElementById('shelve-form').addEventListener('submit', shelve);

  Zel.alarms = {
    load,
    reset() {
      cardErrors.clear();
      kinds = [];
      Zel.clear(document.getElementById('alarms-list'));
      Zel.clear(document.getElementById('shelved-list'));
    },
  };
})();
