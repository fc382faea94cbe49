'use strict';
// Shared pieces: the JSON calls, element building (text only, never HTML) and time wording.
const Zel = (window.Zel = {});

Zel.session = null;
Zel.csrf = sessionStorage.getItem('zel_csrf') || '';
Zel.onSignedOut = null;
// Server clock minus browser clock, from the HTTP Date header; only trusted beyond its 1 s grain.
Zel.clockOffset = 0;

class ApiError extends Error {
  // data: the answer's own document, for refusals that carry more than a sentence.
  constructor(status, message, data) {
    super(message);
    this.status = status;
    this.data = data || null;
  }
}
Zel.ApiError = ApiError;

const fallbackMessages = {
  0: 'The monitor cannot be reached. Check the network and try again.',
  400: 'The monitor refused the request.',
  401: 'Please sign in.',
  403: 'You are not allowed to do this.',
  404: 'The monitor does not know this request.',
  409: 'The monitor refused the request.',
  429: 'Too many attempts. Wait a while and try again.',
};

Zel.setCsrf = function (token) {
  Zel.csrf = token || '';
  if (Zel.csrf) sessionStorage.setItem('zel_csrf', Zel.csrf);
  else sessionStorage.removeItem('zel_csrf');
};

// One JSON call. Throws ApiError with the server's own sentence when it gives one.
// A 401 on anything but the sign-in itself means the session is gone.
Zel.api = async function (method, path, body) {
  const headers = { Accept: 'application/json' };
  const opts = { method, headers, credentials: 'same-origin', cache: 'no-store' };
  if (body !== undefined) {
    headers['Content-Type'] = 'application/json';
    opts.body = JSON.stringify(body);
  }
  if (method !== 'GET' && path !== '/api/login') headers['X-CSRF-Token'] = Zel.csrf;
  let res;
  try {
    res = await fetch(path, opts);
  } catch (e) {
    throw new ApiError(0, fallbackMessages[0]);
  }
  const date = Date.parse(res.headers.get('Date') || '');
  if (!isNaN(date)) {
    const offset = date + 500 - Date.now();
    Zel.clockOffset = Math.abs(offset) > 2000 ? offset : 0;
  }
  let data = null;
  try {
    const text = await res.text();
    data = text ? JSON.parse(text) : {};
  } catch (e) {
    data = null;
  }
  if (!res.ok) {
    const message =
      data && typeof data.error === 'string' && data.error
        ? data.error
        : fallbackMessages[res.status] || 'The monitor answered with error ' + res.status + '.';
    if (res.status === 401 && path !== '/api/login' && Zel.onSignedOut) Zel.onSignedOut(message);
    throw new ApiError(res.status, message, data);
  }
  if (data === null || typeof data !== 'object')
    throw new ApiError(res.status, 'The monitor sent an answer this page cannot read.');
  return data;
};

// el('div', {class: 'x', data: {alarmId: 3}}, 'text', child) – strings become text nodes.
Zel.el = function (tag, attrs, ...children) {
  const node = document.createElement(tag);
  Zel.setAttrs(node, attrs);
  for (const child of children) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return node;
};

const SVG_NS = 'http://www.w3.org/2000/svg';
Zel.svg = function (tag, attrs, text) {
  const node = document.createElementNS(SVG_NS, tag);
  for (const [k, v] of Object.entries(attrs || {})) node.setAttribute(k, String(v));
  if (text !== undefined) node.textContent = String(text);
  return node;
};

Zel.setAttrs = function (node, attrs) {
  for (const [k, v] of Object.entries(attrs || {})) {
    if (v === null || v === undefined || v === false) continue;
    if (k === 'class') node.className = v;
    else if (k === 'data') for (const [dk, dv] of Object.entries(v)) node.dataset[dk] = String(dv);
    else if (k === 'text') node.textContent = String(v);
    else node.setAttribute(k, v === true ? '' : String(v));
  }
};

Zel.clear = function (node) {
  while (node.firstChild) node.removeChild(node.firstChild);
};

Zel.showError = function (node, message) {
  node.textContent = message || '';
  node.hidden = !message;
};

const pad = (n) => String(n).padStart(2, '0');

// Local time, the way engineers read a log: 2026-12-07 23:41:03.
Zel.localTime = function (value) {
  const d = value instanceof Date ? value : new Date(value);
  if (!value || isNaN(d.getTime())) return '-';
  return (
    d.getFullYear() + '-' + pad(d.getMonth() + 1) + '-' + pad(d.getDate()) + ' ' +
    pad(d.getHours()) + ':' + pad(d.getMinutes()) + ':' + pad(d.getSeconds())
  );
};

// Value for <input type="datetime-local"> in local time.
Zel.inputTime = function (d) {
  return (
    d.getFullYear() + '-' + pad(d.getMonth() + 1) + '-' + pad(d.getDate()) + 'T' +
    pad(d.getHours()) + ':' + pad(d.getMinutes())
  );
};

Zel.pad = pad;

Zel.ago = function (seconds) {
  const s = Math.max(0, Math.floor(seconds));
  if (s < 60) return s + ' s ago';
  if (s < 3600) return Math.floor(s / 60) + ' min ' + (s % 60) + ' s ago';
  if (s < 86400) return Math.floor(s / 3600) + ' h ' + Math.floor((s % 3600) / 60) + ' min ago';
  return Math.floor(s / 86400) + ' d ago';
};

const titles = {
  off_air: 'Off air',
  unlocked: 'Frequency unlocked',
  over_temperature: 'Over temperature',
  high_reflect: 'High reflected power',
  link_lost: 'Link lost',
  port_failed: 'Port failed',
  low_power: 'Low power',
  silence: 'Silence',
  channel_loss: 'Channel loss',
  readback: 'Readback',
  set_command: 'Set command',
  role_active: 'Standby on air',
  role_idle: 'Standby off air',
};

// Kinds come as names; the title the server gives wins where it sends one.
Zel.kindTitle = function (kind) {
  if (typeof kind !== 'string') return '-';
  if (titles[kind]) return titles[kind];
  const m = /^(.*)_(low|high)$/.exec(kind);
  return m ? m[1] + ' ' + m[2] : kind;
};

Zel.severityWord = function (severity) {
  if (severity === 'critical') return 'Critical';
  if (severity === 'warning') return 'Warning';
  return severity ? String(severity) : '';
};

Zel.canOperate = function () {
  return !!Zel.session && (Zel.session.role === 'operator' || Zel.session.role === 'admin');
};
