#!/usr/bin/python3
"""The web panel's speed: the monitor without a window serving HTTPS on
loopback with its self-signed certificate, accounts made with --add-user, and
clients of our own (standard library only) or headless Chromium.

    webbench.py latency MONITOR WORKDIR [FRAMES]
        Frames written to a pty every 400 ms, each with its own forward
        power, to the status event carrying that value read from /api/stream.
    webbench.py viewers MONITOR SIMULATOR WORKDIR [VIEWERS]
        The simulator at 80 frames/s; the monitor's CPU and resident memory
        with no viewer, then with VIEWERS signed-in /api/stream clients; then
        the status page's first paint in headless Chromium, median of 7
        loads from the panel's page and 7 from a blank tab, and the same for
        a page of one line beside it (the browser's own floor).

Prints "key value" lines. Debian's python3 (the paint needs python3-selenium).
"""
import http.client
import json
import os
import socket
import ssl
import subprocess
import sys
import threading
import time
import tty

# A frame of the controller: forward power in bytes 6-7 (tenths of a watt).
GOOD = bytes.fromhex("1F4101222E01C350015E013205C8004B0009006400630D0A")
PASSWORD = "bench passphrase, not secret"
CONTEXT = ssl._create_unverified_context()  # the monitor's own self-signed certificate
TICK = os.sysconf("SC_CLK_TCK")


def frame_with_forward(tenths):
    return GOOD[:6] + tenths.to_bytes(2, "big") + GOOD[8:]


def percentile(values, p):
    s = sorted(values)
    return s[min(len(s) - 1, int(round(p / 100 * (len(s) - 1))))] if s else float("nan")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Monitor:
    """zel-fm-monitor --headless on a scratch profile with the web panel on."""

    def __init__(self, binary, work, device):
        self.binary, self.work = binary, work
        self.port = free_port()
        os.makedirs(f"{work}/config/ZEL", exist_ok=True)
        os.makedirs(f"{work}/data", exist_ok=True)
        with open(f"{work}/config/ZEL/ZEL.ini", "w") as ini:
            ini.write("[Setting]\nCommON=1\nComm Port=1\n[Ports]\n1=%s\n[Web]\nListen=127.0.0.1:%d\n"
                      % (device, self.port))
        self.env = dict(os.environ, XDG_CONFIG_HOME=f"{work}/config", XDG_DATA_HOME=f"{work}/data")
        self.env.pop("DISPLAY", None)
        self.proc = None

    def add_users(self, names):
        for name in names:
            subprocess.run([self.binary, "--add-user", name, "--role", "viewer"], env=self.env,
                           input=PASSWORD + "\n", text=True, check=True, stdout=subprocess.DEVNULL)

    def start(self):
        self.log = f"{self.work}/monitor.log"
        self.proc = subprocess.Popen([self.binary, "--headless"], env=self.env,
                                     stdout=open(self.log, "w"), stderr=subprocess.STDOUT)
        for _ in range(300):
            with open(self.log) as f:
                if "Web panel: listening" in f.read():
                    return
            time.sleep(0.1)
        raise SystemExit("the web panel did not start; see " + self.log)

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(10)

    def ticks(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime + stime

    def cpu_percent(self, seconds):
        t0, n0 = self.ticks(), time.monotonic()
        time.sleep(seconds)
        t1, n1 = self.ticks(), time.monotonic()
        return (t1 - t0) / TICK / (n1 - n0) * 100

    def rss_kb(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def connection(self, source="127.0.0.1"):
        return http.client.HTTPSConnection("127.0.0.1", self.port, context=CONTEXT, timeout=30,
                                           source_address=(source, 0))

    def sign_in(self, user, source="127.0.0.1"):
        """The session cookie's name=value."""
        c = self.connection(source)
        c.request("POST", "/api/login", json.dumps({"user": user, "password": PASSWORD}),
                  {"Content-Type": "application/json"})
        r = c.getresponse()
        r.read()
        c.close()
        if r.status != 200:
            raise SystemExit(f"sign-in of {user} answered {r.status}")
        return r.getheader("Set-Cookie").split(";", 1)[0]


class Viewer(threading.Thread):
    """One /api/stream client; on_status(now_ns, document) for each status event."""

    def __init__(self, monitor, cookie, on_status=None, source="127.0.0.1"):
        super().__init__(daemon=True)
        self.connection = monitor.connection(source)
        self.connection.request("GET", "/api/stream", headers={"Cookie": cookie,
                                                                "Accept": "text/event-stream"})
        self.socket = self.connection.sock  # the response keeps it, the connection lets go
        self.response = self.connection.getresponse()
        if self.response.status != 200:
            raise SystemExit(f"/api/stream answered {self.response.status}")
        self.on_status = on_status
        self.statuses = 0
        self.start()

    def run(self):
        event = None
        try:
            while True:
                line = self.response.readline()
                if not line:
                    return
                if line.startswith(b"event: "):
                    event = line[7:].strip()
                elif line.startswith(b"data: ") and event == b"status":
                    now = time.monotonic_ns()
                    self.statuses += 1
                    if self.on_status:
                        self.on_status(now, json.loads(line[6:]))
                elif line == b"\n":
                    event = None
        except (OSError, ValueError, http.client.HTTPException):
            return

    def close(self):
        try:
            self.socket.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.socket.close()


def latency(binary, work, count):
    interval = 0.4  # longer than the 250 ms pacing: every frame's status goes at once
    master, slave = os.openpty()
    tty.setraw(slave)
    monitor = Monitor(binary, work, os.ttyname(slave))
    monitor.add_users(["bench"])
    monitor.start()
    base = 40000
    written = [0] * count
    arrived = [0] * count

    def on_status(now, doc):
        w = (doc.get("record") or {}).get("forward_w")
        if w is None:
            return
        i = round(w * 10) - base
        if 0 <= i < count and written[i] and not arrived[i]:
            arrived[i] = now

    try:
        for _ in range(30):  # until the port is open and a frame taken
            os.write(master, GOOD)
            time.sleep(0.1)
        viewer = Viewer(monitor, monitor.sign_in("bench"), on_status)
        time.sleep(1)
        start = time.monotonic_ns() + 100_000_000
        for i in range(count):
            due = start + int(i * interval * 1e9)
            time.sleep(max(0, due - time.monotonic_ns()) / 1e9)
            written[i] = time.monotonic_ns()
            os.write(master, frame_with_forward(base + i))
        time.sleep(2)
        viewer.close()
    finally:
        monitor.stop()
    ms = [(a - w) / 1e6 for w, a in zip(written, arrived) if a]
    print(" ".join("%.0f" % m for m in ms), file=sys.stderr)  # every one, for the log
    print(f"frames_written {count}\nframes_seen {len(ms)}")
    print(f"p50_ms {percentile(ms, 50):.1f}\np99_ms {percentile(ms, 99):.1f}\n"
          f"max_ms {max(ms, default=float('nan')):.1f}")


PAINTED = """
const p = performance.getEntriesByName('first-contentful-paint')[0];
const n = performance.getEntriesByType('navigation')[0];
return p && n && document.querySelector('READY')
    ? [p.startTime, n.domContentLoadedEventEnd] : null;"""


# The floor: one line of text with the panel's own security headers, served
# by a thread of this script with the monitor's certificate.
FLOOR_PAGE = b"<!DOCTYPE html><html><head><title>floor</title></head><body><p>floor</p></body></html>"


def floor_server(work):
    import http.server

    class Page(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            for k, v in (("Content-Type", "text/html; charset=utf-8"),
                         ("Content-Length", str(len(FLOOR_PAGE))),
                         ("Content-Security-Policy", "default-src 'none'"),
                         ("Cross-Origin-Opener-Policy", "same-origin"), ("Cache-Control", "no-store")):
                self.send_header(k, v)
            self.end_headers()
            self.wfile.write(FLOOR_PAGE)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Page)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(f"{work}/data/ZEL/web-certificate.pem", f"{work}/data/ZEL/web-key.pem")
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"https://127.0.0.1:{server.server_address[1]}/"


def paint_times(driver, url, loads, ready):
    """[(first contentful paint, DOMContentLoaded)] of loads from the page
    itself and of loads from a blank tab, the first load left out."""
    got = {"panel": [], "blank": []}
    for k in range(2 * loads + 1):
        start = "blank" if k % 2 else "panel"
        if start == "blank":
            driver.get("about:blank")
        driver.get(f"{url}?load={k}")  # a new document each time, never the same one
        times = None
        for _ in range(200):
            times = driver.execute_script(PAINTED.replace("READY", ready))
            if times:
                break
            time.sleep(0.05)
        # Now and then headless Chromium leaves a load opened from a blank tab
        # without its first-contentful-paint entry, or stalled before the
        # page's scripts ran (no connection to the server open): counted.
        if k > 0:  # the first starts the browser's own machinery up
            got[start].append(times)
    return got


def first_paint(url, cookie, loads, work):
    """Median first contentful paint of the status page, signed in, every
    load fresh from the server (no cache, as the server's no-store asks):
    reloaded from the panel's own page, and opened from a blank tab (where
    the browser starts a renderer of its own for the page's
    Cross-Origin-Opener-Policy)."""
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service

    o = Options()
    for a in ("--headless", "--no-sandbox", "--ignore-certificate-errors", "--disable-gpu",
              "--disable-dev-shm-usage", "--window-size=1024,768"):
        o.add_argument(a)
    o.set_capability("acceptInsecureCerts", True)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
    try:
        driver.set_page_load_timeout(60)
        driver.get(url + "favicon.svg")  # the origin, to set the session cookie on
        name, value = cookie.split("=", 1)
        driver.add_cookie({"name": name, "value": value, "path": "/", "secure": True,
                           "httpOnly": True, "sameSite": "Strict"})
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        got = paint_times(driver, url, loads, "#app-view:not([hidden])")
        floor = paint_times(driver, floor_server(work), loads, "p")
    finally:
        driver.quit()
    for start, times in floor.items():
        print(f"floor_{start}_fcp_median_ms {percentile([t[0] for t in times if t], 50):.1f}")
    for start, times in got.items():
        fcp = [t[0] for t in times if t]
        print(f"{start}_loads {len(fcp)}\n{start}_unpainted {len(times) - len(fcp)}\n"
              f"{start}_fcp_median_ms {percentile(fcp, 50):.1f}\n"
              f"{start}_fcp_max_ms {max(fcp, default=float('nan')):.1f}\n"
              f"{start}_dcl_median_ms {percentile([t[1] for t in times if t], 50):.1f}")


def viewers(binary, sim, work, count):
    tty_link = f"{work}/tty"
    simulator = subprocess.Popen([sim, "serial", "--link", tty_link, "--rate", "80"],
                                 stdout=open(f"{work}/sim.log", "w"), stderr=subprocess.STDOUT)
    monitor = Monitor(binary, work, tty_link)
    try:
        for _ in range(50):
            if os.path.exists(tty_link):
                break
            time.sleep(0.1)
        names = [f"viewer{i:02d}" for i in range(count)]
        t = time.monotonic()
        monitor.add_users(names)
        print(f"accounts_s {time.monotonic() - t:.1f}")
        monitor.start()
        time.sleep(5)
        idle_cpu, idle_rss = monitor.cpu_percent(20), monitor.rss_kb()
        t = time.monotonic()
        # Each viewer from an address of its own, as phones are: the server
        # bounds the connections from any one address.
        sources = [f"127.0.{1 + i // 200}.{1 + i % 200}" for i in range(count)]
        cookies = [monitor.sign_in(n, a) for n, a in zip(names, sources)]
        print(f"sign_ins_s {time.monotonic() - t:.1f}")
        streams = [Viewer(monitor, c, source=a) for c, a in zip(cookies, sources)]
        time.sleep(5)
        before = [v.statuses for v in streams]
        cpu, rss = monitor.cpu_percent(20), monitor.rss_kb()
        got = [v.statuses - b for v, b in zip(streams, before)]
        for v in streams:
            v.close()
        print(f"viewers {count}\ncpu_none {idle_cpu:.2f}\ncpu_viewers {cpu:.2f}")
        print(f"rss_none_kb {idle_rss}\nrss_viewers_kb {rss}")
        print(f"statuses_min {min(got)}\nstatuses_max {max(got)}")
        sys.stdout.flush()
        first_paint(f"https://127.0.0.1:{monitor.port}/", cookies[0], 7, work)
    finally:
        monitor.stop()
        simulator.terminate()
        simulator.wait(10)


def main():
    mode = sys.argv[1]
    if mode == "latency":
        latency(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 220)
    elif mode == "viewers":
        viewers(sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]) if len(sys.argv) > 5 else 50)
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
