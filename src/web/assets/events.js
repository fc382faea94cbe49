'use strict';
// The event log: filters, pages and the CSV export of the same selection.
(function () {
  const { el } = Zel;
  const $ = (id) => document.getElementById(id);

  const columns = ['Time', 'Event', 'Severity', 'Value', 'Detail'];
  let page = 0;
  let pages = 1;
  let applied = null;
  let kinds = [];

  function defaultPeriod() {
    const now = new Date();
    $('events-from').value = Zel.inputTime(new Date(now.getTime() - 24 * 3600 * 1000));
    $('events-to').value = Zel.inputTime(now);
  }

  // The "to" minute counts whole, so an event in the minute the filter was set still shows.
  function filters() {
    const f = { state: $('events-state').value || 'all' };
    const from = Date.parse($('events-from').value);
    const to = Date.parse($('events-to').value);
    if (!isNaN(from)) f.from = String(from);
    if (!isNaN(to)) f.to = String(to + 59999);
    if ($('events-kind').value) f.kind = $('events-kind').value;
    return f;
  }

  function query(f, withPage) {
    const q = new URLSearchParams(f);
    if (withPage) q.set('page', String(page));
    return q.toString();
  }

  function paintKinds(next) {
    if (JSON.stringify(next) === JSON.stringify(kinds)) return;
    kinds = next;
    const select = $('events-kind');
    const current = select.value;
    while (select.options.length > 1) select.remove(1);
    for (const kind of kinds) select.append(el('option', { value: kind }, Zel.kindTitle(kind)));
    select.value = kinds.includes(current) ? current : '';
  }

  function row(e) {
    const sev = e.severity === 'critical' || e.severity === 'warning' ? e.severity : '';
    const cells = [
      Zel.localTime(e.time),
      (typeof e.title === 'string' && e.title) || Zel.kindTitle(e.event),
      Zel.severityWord(sev) || '-',
      e.value === null || e.value === undefined || e.value === '' ? '-' : String(e.value),
      e.detail ? String(e.detail) : '',
    ];
    return el('tr', { data: { eventId: e.id, severity: sev || 'none' } },
      ...cells.map((c, i) => el('td', { data: { label: columns[i] } }, c)));
  }

  function paint(data) {
    const body = $('events-table').tBodies[0];
    Zel.clear(body);
    const events = Array.isArray(data.events) ? data.events : [];
    for (const e of events) if (e && typeof e === 'object') body.append(row(e));
    $('events-empty').hidden = events.length > 0;
    pages = Math.max(1, Number.isInteger(data.pages) ? data.pages : 1);
    page = Number.isInteger(data.page) ? Math.min(Math.max(0, data.page), pages - 1) : page;
    let text = 'page ' + (page + 1) + ' of ' + pages;
    if (Number.isInteger(data.total)) text += ' (' + data.total + (data.total === 1 ? ' event)' : ' events)');
    $('events-page').textContent = text;
    $('events-prev').disabled = page <= 0;
    $('events-next').disabled = page >= pages - 1;
    if (Array.isArray(data.kinds)) paintKinds(data.kinds.filter((k) => typeof k === 'string'));
  }

  async function load() {
    if (!applied) {
      if (!$('events-from').value) defaultPeriod();
      applied = filters();
      $('events-csv').href = '/api/events.csv?' + query(applied, false);
    }
    try {
      paint(await Zel.api('GET', '/api/events?' + query(applied, true)));
      Zel.showError($('events-error'), '');
    } catch (e) {
      if (e.status !== 401) Zel.showError($('events-error'), e.message);
    }
  }

  function build() {
    const table = $('events-table');
    table.append(el('thead', null, el('tr', null, ...columns.map((c) => el('th', { scope: 'col' }, c)))),
      el('tbody'));
  }

  $('events-filter').addEventListener('submit', (event) => {
    event.preventDefault();
    const from = Date.parse($('events-from').value);
    const to = Date.parse($('events-to').value);
    if (!isNaN(from) && !isNaN(to) && from > to)
      return Zel.showError($('events-error'), '"From" must be before "To".');
    page = 0;
    applied = null;
    load();
  });
  $('events-last24').addEventListener('click', () => {
    defaultPeriod();
    page = 0;
    applied = null;
    load();
  });
  $('events-prev').addEventListener('click', () => {
    if (page > 0) {
      page -= 1;
      load();
    }
  });
  $('events-next').addEventListener('click', () => {
    if (page < pages - 1) {
      page += 1;
      load();
    }
  });
  build();

  Zel.events = {
    load,
    reset() {
      applied = null;
      page = 0;
      $('events-from').value = '';
      Zel.clear($('events-table').tBodies[0]);
    },
  };
})();
