#!/usr/bin/python3
"""Drives the web panel in headless Chromium against a running monitor.

The caller starts the monitor (with its simulator feeding it) and passes where it listens:

  browser_test.py --url https://127.0.0.1:8443/ --user bob --password secret \
      [--expect-alarm] [--control] [--screenshots DIR]

or the same through ZEL_WEB_URL, ZEL_WEB_USER, ZEL_WEB_PASSWORD, ZEL_WEB_EXPECT_ALARM=1 and
ZEL_WEB_SCREENSHOTS. The user must be an operator (or admin) for the acknowledgement step.
--control (ZEL_WEB_CONTROL=1) expects [Web] AllowControl=true and sends one set command from
the Control tab; without it the Control tab must not be offered.
The steps run in order on one browser: each needs the one before.
"""

import argparse
import os
import sys
import time
import unittest
import uuid

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException, TimeoutException, WebDriverException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

ARGS = None
WAIT = 20  # seconds; generous for a loaded machine

# Reads the status document with the page's own session cookie.
FETCH_STATUS = """
const done = arguments[arguments.length - 1];
fetch('/api/status', {credentials: 'same-origin', cache: 'no-store'})
  .then(r => r.ok ? r.json() : {httpStatus: r.status})
  .then(done, e => done({fetchError: String(e)}));
"""
PICK_ALARM = """
const cards = [...document.querySelectorAll('#alarms-list [data-alarm-id]')].filter(c => c.querySelector('.ack'));
cards.sort((a, b) => (a.dataset.state !== 'raised') - (b.dataset.state !== 'raised'));
return cards.length ? cards[0].dataset.alarmId : null;
"""
FETCH_SESSION_STATUS = """
const done = arguments[arguments.length - 1];
fetch('/api/session', {credentials: 'same-origin', cache: 'no-store'})
  .then(r => done(r.status), e => done(String(e)));
"""


def parse_args(argv):
    env = os.environ.get
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('--url', default=env('ZEL_WEB_URL', ''), help='base URL of the web panel')
    p.add_argument('--user', default=env('ZEL_WEB_USER', ''))
    p.add_argument('--password', default=env('ZEL_WEB_PASSWORD', ''))
    p.add_argument('--expect-alarm', action='store_true',
                   default=env('ZEL_WEB_EXPECT_ALARM', '') not in ('', '0'),
                   help='fail unless an unacknowledged alarm is there to acknowledge')
    p.add_argument('--control', action='store_true', default=env('ZEL_WEB_CONTROL', '') not in ('', '0'),
                   help='send a set command from the Control tab and wait for its readback')
    p.add_argument('--screenshots', default=env('ZEL_WEB_SCREENSHOTS', ''), help='folder for PNGs of each tab')
    p.add_argument('--change-timeout', type=float, default=float(env('ZEL_WEB_CHANGE_TIMEOUT', '30')),
                   help='seconds to wait for the forward power to change; 0 only compares the value')
    p.add_argument('--driver', default=env('ZEL_WEB_DRIVER', '/usr/bin/chromedriver'))
    args, rest = p.parse_known_args(argv[1:])
    if not args.url or not args.user or not args.password:
        p.error('--url, --user and --password (or ZEL_WEB_URL, ZEL_WEB_USER, ZEL_WEB_PASSWORD) are needed')
    if not args.url.endswith('/'):
        args.url += '/'
    return args, [argv[0]] + rest


def shown_number(text):
    try:
        return float(text)
    except ValueError:
        return None


def same_reading(text, value):
    """The page shows forward power with one decimal, "-" for none."""
    if value is None:
        return text == '-'
    n = shown_number(text)
    return n is not None and abs(n - float(value)) <= 0.05 + 1e-9


class WebPanel(unittest.TestCase):
    driver = None
    signed_in = False
    NEEDS_SIGN_IN = ('test_3', 'test_4', 'test_5', 'test_6', 'test_7')

    @classmethod
    def setUpClass(cls):
        o = Options()
        for a in ('--headless', '--no-sandbox', '--ignore-certificate-errors', '--window-size=360,800',
                  '--disable-gpu', '--disable-dev-shm-usage'):
            o.add_argument(a)
        # A phone's viewport: a desktop window is never narrower than about 500 px.
        o.add_experimental_option('mobileEmulation',
                                  {'deviceMetrics': {'width': 360, 'height': 800, 'pixelRatio': 1.0}})
        o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        o.set_capability('acceptInsecureCerts', True)
        cls.driver = webdriver.Chrome(service=Service(ARGS.driver), options=o)
        cls.driver.set_script_timeout(WAIT)
        cls.driver.set_page_load_timeout(60)
        cls.console = []

    @classmethod
    def tearDownClass(cls):
        if cls.driver:
            cls.driver.quit()

    def setUp(self):
        if self._testMethodName.startswith(self.NEEDS_SIGN_IN) and not WebPanel.signed_in:
            self.skipTest('not signed in')

    def tearDown(self):
        result = getattr(getattr(self, '_outcome', None), 'result', None)
        broken = list(getattr(result, 'failures', [])) + list(getattr(result, 'errors', []))
        if any(test is self for test, _ in broken):
            self.shot('failed-' + self._testMethodName)
        self.collect_console()

    # helpers

    def wait(self, condition, message, timeout=WAIT):
        """Waits for condition(); message may be a function, asked only on failure."""
        try:
            # The pages redraw lists wholesale, so an element may go stale between two looks.
            return WebDriverWait(self.driver, timeout, poll_frequency=0.1,
                                 ignored_exceptions=(StaleElementReferenceException,)).until(lambda d: condition())
        except TimeoutException:
            self.fail(message() if callable(message) else message)

    def find(self, css):
        return self.driver.find_element(By.CSS_SELECTOR, css)

    def visible(self, css):
        try:
            return self.find(css).is_displayed()
        except WebDriverException:
            return False

    def shot(self, name):
        if ARGS.screenshots:
            os.makedirs(ARGS.screenshots, exist_ok=True)
            self.driver.save_screenshot(os.path.join(ARGS.screenshots, name + '.png'))

    def collect_console(self):
        try:
            WebPanel.console += self.driver.get_log('browser')
        except WebDriverException:
            pass

    def click(self, element):
        # Centred first: the toast at the bottom of a phone's screen may cover an element at the edge.
        self.driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", element)
        element.click()

    def open_tab(self, name):
        self.find('#tab-' + name).click()
        self.wait(lambda: self.visible('#view-' + name), 'the %s tab did not open' % name)

    def assert_fits_phone(self, name):
        wide = self.driver.execute_script(
            'return [document.documentElement.scrollWidth, document.documentElement.clientWidth]')
        self.assertLessEqual(wide[0], wide[1], 'the %s tab scrolls sideways at 360 px' % name)

    def status_document(self):
        doc = self.driver.execute_async_script(FETCH_STATUS)
        self.assertIsInstance(doc, dict)
        self.assertNotIn('httpStatus', doc, '/api/status answered %s' % doc.get('httpStatus'))
        self.assertNotIn('fetchError', doc, doc.get('fetchError'))
        return doc

    def forward_w(self):
        record = self.status_document().get('record') or {}
        return record.get('forward_w')

    def shown_forward(self):
        return self.find('[data-reading="forward_w"]').text.strip()

    # steps, in name order

    def test_1_wrong_password_is_refused(self):
        self.driver.get(ARGS.url)
        self.wait(lambda: self.visible('#login-user'), 'no sign-in form on a fresh visit')
        self.find('#login-user').send_keys('nobody-' + uuid.uuid4().hex[:8])
        self.find('#login-password').send_keys('not the password')
        self.find('#login-submit').click()
        self.wait(lambda: self.visible('#login-error') and self.find('#login-error').text.strip(),
                  'a wrong password showed no error')
        self.assertTrue(self.visible('#login-user'))

    def test_2_sign_in(self):
        user = self.find('#login-user')
        user.clear()
        user.send_keys(ARGS.user)
        password = self.find('#login-password')
        password.clear()
        password.send_keys(ARGS.password)
        self.shot('signin')
        self.find('#login-submit').click()
        self.wait(lambda: self.visible('#signout'), lambda: 'signing in did not show the panel: %s'
                  % (self.find('#login-error').text if self.visible('#login-error') else 'no error shown'))
        self.assertEqual(self.find('#user-name').text.strip(), ARGS.user)
        for tab in ('status', 'alarms', 'events', 'history'):
            self.assertTrue(self.visible('#tab-' + tab), 'tab %s missing' % tab)
        self.assertEqual(self.visible('#tab-control'), ARGS.control,
                         'the Control tab is offered' if not ARGS.control else 'no Control tab')
        self.assert_fits_phone('the tab bar')
        WebPanel.signed_in = True

    def test_3_status_follows_the_api(self):
        self.open_tab('status')
        self.wait(lambda: self.shown_forward() not in ('', None), 'no forward power shown')
        self.wait(lambda: self.find('#freshness').text.strip(), 'no freshness shown')
        self.assertTrue(self.find('#link-state').text.strip())
        # Each time /api/status moves to a new value, the page must show it (or a newer one) within 2 s.
        deadline = time.monotonic() + ARGS.change_timeout
        before = self.forward_w()
        changes = 0
        while time.monotonic() < deadline and changes < 2:
            now = self.forward_w()
            if now == before:
                time.sleep(0.2)
                continue
            changes += 1
            accepted = [now]
            until = time.monotonic() + 2.0
            seen = self.shown_forward()
            while not any(same_reading(seen, v) for v in accepted) and time.monotonic() < until:
                time.sleep(0.1)
                seen = self.shown_forward()
                accepted.append(self.forward_w())
            self.assertTrue(any(same_reading(seen, v) for v in accepted),
                            'forward power shown %r, /api/status said %r within 2 s' % (seen, accepted))
            before = accepted[-1]
        if changes == 0 and ARGS.change_timeout <= 0:
            # A steady transmitter: the page must at least show what the server says.
            self.wait(lambda: same_reading(self.shown_forward(), self.forward_w()),
                      lambda: 'forward power shown %r, /api/status says %r' % (self.shown_forward(), self.forward_w()))
        else:
            self.assertGreater(changes, 0, 'forward power in /api/status did not change within %g s'
                               % ARGS.change_timeout)
        self.assert_fits_phone('status')
        self.shot('status')

    def test_4_acknowledge_an_alarm(self):
        self.open_tab('alarms')
        self.wait(lambda: self.driver.find_elements(By.CSS_SELECTOR, '#alarms-list [data-alarm-id]')
                  or self.visible('#alarms-empty') or self.visible('#alarms-error'),
                  'the alarm list did not load')
        self.assertFalse(self.visible('#alarms-error'), self.find('#alarms-error').text)
        self.assert_fits_phone('alarms')
        # A raised alarm stays listed once acknowledged; prefer it over a cleared one. Picked in one
        # script run: the list is redrawn wholesale whenever an alarm event arrives.
        alarm_id = self.driver.execute_script(PICK_ALARM)
        if alarm_id is None:
            self.shot('alarms')
            if ARGS.expect_alarm:
                self.fail('no alarm with an Acknowledge button (is the user an operator?)')
            return
        card = '#alarms-list [data-alarm-id="%s"]' % alarm_id

        def press():
            try:
                self.click(self.find(card + ' .ack'))
                return True
            except StaleElementReferenceException:
                return False

        self.wait(press, 'the Acknowledge button of alarm %s could not be pressed' % alarm_id)

        def acknowledged():
            cards = self.driver.find_elements(By.CSS_SELECTOR, card)
            if not cards:
                # Unacknowledged alarms stay listed; an acknowledged one leaves once it has cleared,
                # which the simulator's script may do at any moment.
                return True
            return cards[0].get_attribute('data-state') == 'acknowledged' and \
                not cards[0].find_elements(By.CSS_SELECTOR, '.ack') and \
                'Acknowledged' in cards[0].find_element(By.CSS_SELECTOR, '.state').text

        self.wait(acknowledged, lambda: 'alarm %s did not turn acknowledged: %s' % (
            alarm_id, ' '.join(e.text for e in self.driver.find_elements(By.CSS_SELECTOR, card + ' .error'))))
        self.shot('alarms')

    def test_5_events(self):
        self.open_tab('events')
        self.wait(lambda: self.find('#events-page').text.strip() or self.visible('#events-error'),
                  'the event list did not load')
        self.assertFalse(self.visible('#events-error'), self.find('#events-error').text)
        self.assertIn('/api/events.csv?', self.find('#events-csv').get_attribute('href'))
        self.assert_fits_phone('events')
        self.shot('events')

    def test_6_history_draws_charts(self):
        self.open_tab('history')
        self.wait(lambda: self.driver.find_elements(By.CSS_SELECTOR, '#history-charts svg')
                  or self.visible('#history-error'), 'no history chart appeared')
        self.assertFalse(self.visible('#history-error'), self.find('#history-error').text)
        self.assert_fits_phone('history')
        self.shot('history')

    def test_6b_send_a_set_command(self):
        if not ARGS.control:
            self.skipTest('--control not given')
        self.open_tab('control')
        self.assertIn('This sends a command to the transmitter.', self.find('#view-control').text)
        forward = self.find('#control-forward')
        self.wait(lambda: forward.get_attribute('value'), 'the saved forward target was not filled in')
        self.assert_fits_phone('control')
        # On air at the frequency the transmitter reports, so the readback can confirm.
        self.click(self.find('#control-carrier-on'))
        frequency = (self.status_document().get('record') or {}).get('frequency_mhz')
        if isinstance(frequency, (int, float)) and 87 <= frequency <= 108:
            self.find('#control-frequency').clear()
            self.find('#control-frequency').send_keys('%.2f' % frequency)
        target = '450' if shown_number(forward.get_attribute('value')) != 450 else '460'
        forward.clear()
        forward.send_keys(target)
        self.shot('control-form')
        self.click(self.find('#control-review'))
        self.wait(lambda: self.visible('#control-confirm'), 'Review showed no confirmation')
        changed = [r.text for r in self.driver.find_elements(By.CSS_SELECTOR, '#control-confirm tr[data-changed="yes"]')]
        self.assertTrue(any(target in row and 'Forward' in row for row in changed),
                        'the new forward target is not marked changed: %r' % changed)
        self.assertFalse(self.visible('#control-result'), 'an outcome showed before Send')
        self.assert_fits_phone('control review')
        self.shot('control-review')
        self.click(self.find('#control-send'))
        self.wait(lambda: self.visible('#control-result') or self.visible('#control-error'),
                  'Send showed no outcome')
        self.assertFalse(self.visible('#control-error'), self.find('#control-error').text)
        result = self.find('#control-result').text
        self.assertTrue(result.startswith('Sent'), 'the command was not sent: %s' % result)
        self.assertIn('forward %s W' % target, result)
        self.wait(lambda: self.find('#control-forward').get_attribute('value') == target,
                  'the form does not show the new saved forward target')
        self.wait(lambda: 'forward %s W' % target in self.find('#status-setpoints').get_attribute('textContent'),
                  'the status page does not show the new set point')
        self.wait(lambda: self.find('#control-readback').text.startswith('Readback: ')
                  and 'waiting' not in self.find('#control-readback').text,
                  lambda: 'no readback within %d s: %r' % (WAIT, self.find('#control-readback').text))
        self.assert_fits_phone('control result')
        self.shot('control-result')

    def test_7_sign_out(self):
        self.find('#signout').click()
        self.wait(lambda: self.visible('#login-user'), 'signing out did not show the sign-in form')
        WebPanel.signed_in = False
        self.assertFalse(self.visible('#signout'))
        self.assertEqual(self.driver.execute_async_script(FETCH_SESSION_STATUS), 401,
                         'the server still knows the session after signing out')
        self.shot('signed-out')

    def test_8_no_policy_violations(self):
        self.collect_console()
        blocked = [e['message'] for e in WebPanel.console if 'Content Security Policy' in e.get('message', '')]
        self.assertEqual(blocked, [], 'the page broke its Content-Security-Policy')
        errors = [e['message'] for e in WebPanel.console
                  if e.get('level') == 'SEVERE' and 'Failed to load resource' not in e.get('message', '')
                  and '/api/stream' not in e.get('message', '')]
        self.assertEqual(errors, [], 'script errors in the console')


if __name__ == '__main__':
    ARGS, rest = parse_args(sys.argv)
    unittest.main(argv=rest, verbosity=2)
