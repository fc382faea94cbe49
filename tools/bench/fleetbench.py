#!/usr/bin/python3
"""Several transmitters on one PC: COUNT headless monitors, each on its own
simulator at RATE frames per second, scraped every 5 s by one Prometheus.

  fleetbench.py MONITOR SIM WORK [COUNT] [RATE] [SECONDS]

Prints key value lines: the monitors' CPU together (percent of one core),
each one's resident memory, and the scrapes Prometheus made and missed.
"""
import json
import os
import signal
import socket
import subprocess
import sys
import time
import urllib.parse
import urllib.request


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def wait_for(probe, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if probe():
                return
        except Exception:
            pass
        time.sleep(0.2)
    sys.exit(f"fleetbench: {what} within {seconds} s")


def main():
    monitor, sim, work = sys.argv[1:4]
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 8
    rate = sys.argv[5] if len(sys.argv) > 5 else "10"
    seconds = float(sys.argv[6]) if len(sys.argv) > 6 else 60
    procs, monitors, targets = [], [], []
    try:
        for i in range(count):
            home = os.path.join(work, f"tx{i}")
            os.makedirs(os.path.join(home, "config", "ZEL"), exist_ok=True)
            tty = os.path.join(home, "tty")
            procs.append(subprocess.Popen(
                [sim, "serial", "--link", tty, "--rate", rate, "--scenario", "normal"],
                stdout=open(os.path.join(home, "sim.log"), "w"), stderr=subprocess.STDOUT))
            wait_for(lambda: os.path.exists(tty), 10, "the simulator's pty")
            port = free_port()
            with open(os.path.join(home, "config", "ZEL", "ZEL.ini"), "w") as ini:
                ini.write(f"[Setting]\nCommON=1\nComm Port=1\n\n[Ports]\n1={tty}\n\n"
                          f"[Metrics]\nListen=127.0.0.1:{port}\n\n"
                          f"[Station]\nName=TX {i}\nSite=Bench\n")
            env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
                       XDG_DATA_HOME=os.path.join(home, "data"), HOME=home)
            p = subprocess.Popen([monitor, "--headless"], env=env,
                                 stdout=open(os.path.join(home, "monitor.log"), "w"),
                                 stderr=subprocess.STDOUT)
            procs.append(p)
            monitors.append(p)
            targets.append(f"127.0.0.1:{port}")
        for t in targets:
            wait_for(lambda: b"zel_fm_on_air 1" in urllib.request.urlopen(
                f"http://{t}/metrics", timeout=2).read(), 20, f"frames at {t}")

        prom = free_port()
        with open(os.path.join(work, "prometheus.yml"), "w") as cfg:
            cfg.write("global:\n  scrape_interval: 5s\n  scrape_timeout: 4s\n"
                      "scrape_configs:\n  - job_name: zel-fm\n    static_configs:\n"
                      f"      - targets: {json.dumps(targets)}\n")
        procs.append(subprocess.Popen(
            ["prometheus", "--config.file=" + os.path.join(work, "prometheus.yml"),
             "--storage.tsdb.path=" + os.path.join(work, "tsdb"),
             f"--web.listen-address=127.0.0.1:{prom}"],
            stdout=open(os.path.join(work, "prometheus.log"), "w"), stderr=subprocess.STDOUT))
        api = f"http://127.0.0.1:{prom}/api/v1"

        def query(expr):
            url = api + "/query?" + urllib.parse.urlencode({"query": expr})
            return json.load(urllib.request.urlopen(url, timeout=5))["data"]["result"]

        wait_for(lambda: len(query('up{job="zel-fm"} == 1')) == count, 30, "every target up")
        time.sleep(10)  # past start-up: the history's first writes, the first scrapes

        t0 = [ticks(p.pid) for p in monitors]
        n0 = time.monotonic()
        time.sleep(seconds)
        t1 = [ticks(p.pid) for p in monitors]
        elapsed = time.monotonic() - n0
        hz = os.sysconf("SC_CLK_TCK")
        cpu = 100.0 * (sum(t1) - sum(t0)) / hz / elapsed
        rss = [status_kb(p.pid, "VmRSS") for p in monitors]
        hwm = [status_kb(p.pid, "VmHWM") for p in monitors]
        window = f"{int(seconds + 10)}s"
        scrapes = sum(float(s["value"][1]) for s in query(f'count_over_time(up{{job="zel-fm"}}[{window}])'))
        good = sum(float(s["value"][1]) for s in query(f'sum_over_time(up{{job="zel-fm"}}[{window}])'))
        print(f"instances {count}")
        print(f"rate {rate}")
        print(f"seconds {elapsed:.1f}")
        print(f"cpu_total_percent {cpu:.2f}")
        print(f"cpu_each_percent {cpu / count:.3f}")
        print(f"rss_max_kb {max(rss)}")
        print(f"rss_mean_kb {sum(rss) // count}")
        print(f"hwm_max_kb {max(hwm)}")
        print(f"scrapes {int(scrapes)}")
        print(f"scrapes_failed {int(scrapes - good)}")
    finally:
        for p in reversed(procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in procs:
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()


if __name__ == "__main__":
    main()
