'use strict';
// Signing in and out, the tabs, and the live stream that keeps the status page current.
(function () {
  const $ = (id) => document.getElementById(id);
  const views = ['status', 'alarms', 'events', 'history', 'control'];
  const pages = {
    status: Zel.status, alarms: Zel.alarms, events: Zel.events, history: Zel.history, control: Zel.control,
  };

  let stream = null;
  let retryTimer = null;
  let retryDelay = 2000;
  let noticeTimer = null;
  let current = null;

  function viewFromHash() {
    const name = location.hash.replace(/^#/, '');
    return views.includes(name) && allowed(name) ? name : 'status';
  }

  // The control page exists only for a session the server lets send set commands.
  function allowed(name) {
    return name !== 'control' || !!(Zel.session && Zel.session.control === true);
  }

  function show(name) {
    current = name;
    for (const v of views) {
      $('view-' + v).hidden = v !== name;
      const tab = $('tab-' + v);
      tab.classList.toggle('active', v === name);
      if (v === name) tab.setAttribute('aria-current', 'page');
      else tab.removeAttribute('aria-current');
    }
    if (Zel.session) pages[name].load().catch(() => {});
  }

  Zel.flash = function (message) {
    const n = $('notice');
    n.textContent = message;
    n.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => (n.hidden = true), 8000);
  };

  function streamState(message) {
    $('stream-state').textContent = message || '';
    $('stream-state').hidden = !message;
  }

  function closeStream() {
    clearTimeout(retryTimer);
    retryTimer = null;
    if (stream) stream.close();
    stream = null;
  }

  function openStream() {
    closeStream();
    const es = new EventSource('/api/stream');
    stream = es;
    es.addEventListener('open', () => {
      retryDelay = 2000;
      streamState('');
      // Whatever happened while the stream was away, the next status event repaints; alarms may have moved.
      if (current === 'alarms') Zel.alarms.load();
    });
    es.addEventListener('status', (e) => {
      try {
        Zel.status.paint(JSON.parse(e.data));
      } catch (err) {
        /* a torn document: the next one comes within a second */
      }
    });
    es.addEventListener('alarm', (e) => {
      let a = null;
      try {
        a = JSON.parse(e.data);
      } catch (err) {
        return;
      }
      if (!a || typeof a !== 'object') return;
      const title = (typeof a.title === 'string' && a.title) || Zel.kindTitle(a.event);
      const sev = Zel.severityWord(a.severity);
      Zel.flash((sev ? sev + ': ' : 'Event: ') + title + (a.value ? ' – ' + a.value : ''));
      Zel.control.onEvent(a);
      if (current === 'alarms') Zel.alarms.load();
    });
    es.addEventListener('error', () => {
      if (stream !== es) return;
      streamState('Live data lost – reconnecting…');
      // EventSource retries a dropped stream itself, but gives up on an HTTP error (e.g. 401):
      // ask the session, which signs out on 401, and otherwise open a fresh stream later.
      if (es.readyState === EventSource.CLOSED && !retryTimer) {
        retryTimer = setTimeout(async () => {
          retryTimer = null;
          try {
            await Zel.api('GET', '/api/session');
          } catch (err) {
            if (err.status === 401) return;
          }
          if (stream === es) openStream();
        }, retryDelay);
        retryDelay = Math.min(retryDelay * 2, 30000);
      }
    });
  }

  function enter(session) {
    Zel.session = session;
    Zel.setCsrf(session.csrf);
    $('station-name').textContent = session.station || 'Transmitter monitor';
    $('station-name').title = $('station-name').textContent;
    document.title = (session.station ? session.station + ' – ' : '') + 'Transmitter monitor';
    $('user-name').textContent = session.user || '';
    $('user-role').textContent = session.role || '';
    $('tab-control').hidden = !allowed('control');
    $('login-view').hidden = true;
    $('app-view').hidden = false;
    $('login-password').value = '';
    Zel.showError($('login-error'), '');
    openStream();
    // The banner and the alarm count show on every tab, so the status comes first whatever the tab.
    if (viewFromHash() !== 'status') Zel.status.load().catch(() => {});
    if (viewFromHash() !== 'control') Zel.control.load();
    show(viewFromHash());
  }

  function signedOut(message) {
    const wasIn = !!Zel.session;
    Zel.session = null;
    Zel.setCsrf('');
    closeStream();
    streamState('');
    for (const v of ['alarms', 'events', 'history', 'control']) pages[v].reset();
    $('tab-control').hidden = true;
    $('app-view').hidden = true;
    $('login-view').hidden = false;
    $('login-submit').disabled = false;
    Zel.showError($('login-error'), wasIn && message ? message : '');
    $('login-user').focus();
  }
  Zel.onSignedOut = signedOut;

  $('login-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const button = $('login-submit');
    button.disabled = true;
    Zel.showError($('login-error'), '');
    try {
      const session = await Zel.api('POST', '/api/login', {
        user: $('login-user').value.trim(),
        password: $('login-password').value,
      });
      enter(session);
    } catch (e) {
      Zel.showError($('login-error'), e.message);
      $('login-password').select();
    } finally {
      button.disabled = false;
    }
  });

  $('signout').addEventListener('click', async () => {
    const post = () => Zel.api('POST', '/api/logout', {});
    try {
      try {
        await post();
      } catch (e) {
        // A stale token (another tab signed in again): fetch the current one and try once more.
        if (e.status !== 403) throw e;
        Zel.setCsrf((await Zel.api('GET', '/api/session')).csrf);
        await post();
      }
      signedOut('');
    } catch (e) {
      if (e.status === 401) signedOut('');
      else Zel.flash('Sign out failed: ' + e.message);
    }
  });

  window.addEventListener('hashchange', () => {
    if (Zel.session) show(viewFromHash());
  });

  // A phone that slept may hold a dead stream or a session that ended: look again on waking.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState !== 'visible' || !Zel.session) return;
    Zel.status.load().catch(() => {});
    if (!stream || stream.readyState === EventSource.CLOSED) openStream();
  });

  // Freshness counts up between status events.
  setInterval(() => {
    if (Zel.session) Zel.status.tick();
  }, 1000);

  (async () => {
    try {
      enter(await Zel.api('GET', '/api/session'));
    } catch (e) {
      signedOut('');
      if (e.status !== 401) Zel.showError($('login-error'), e.message);
    }
  })();
})();
