#!/usr/bin/python3
"""The shipped Prometheus, Alertmanager and Grafana files against the real tools.

  monitoring_test.py alertmanager CONFIG
      amtool accepts the example, and a real Alertmanager given it holds back a
      transmitter's low power and dead air while that transmitter is off air or
      its link is lost, and only that transmitter's.
  monitoring_test.py dashboard DASHBOARD RULES MONITOR SIM
      the dashboard is a well-formed dashboard of the schema version it names;
      then two simulators, two headless monitors (a main and a standby) and a
      Prometheus scraping both: every panel's query runs and returns series for
      both transmitters, and the rules load and evaluate without error.

Exit 77 (skipped) when a tool is not installed.
"""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

SKIP = 77


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def need(*tools):
    for tool in tools:
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed (scripts/install-deps)")
            sys.exit(SKIP)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def http(url, body=None, timeout=5):
    data = json.dumps(body).encode() if body is not None else None
    request = urllib.request.Request(url, data=data,
                                     headers={"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=timeout) as answer:
        return json.loads(answer.read() or b"null")


def wait_for(what, probe, seconds=20):
    end = time.monotonic() + seconds
    last = None
    while time.monotonic() < end:
        try:
            result = probe()
            if result:
                return result
        except Exception as e:  # a server still starting
            last = e
        time.sleep(0.2)
    fail(f"{what} within {seconds} s (last: {last})")


class Processes:
    def __init__(self):
        self.started = []

    def start(self, args, log, env=None):
        p = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, env=env,
                             start_new_session=True)
        self.started.append(p)
        return p

    def stop(self):
        for p in reversed(self.started):
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGTERM)
        for p in self.started:
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)


# --- Alertmanager -----------------------------------------------------------

def check_alertmanager(config):
    need("amtool", "prometheus-alertmanager")
    subprocess.run(["amtool", "check-config", config], check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="zel-am-")
    procs = Processes()
    try:
        port = free_port()
        with open(os.path.join(work, "am.log"), "w") as log:
            procs.start(["prometheus-alertmanager", "--config.file=" + config,
                         "--storage.path=" + work, "--cluster.listen-address=",
                         f"--web.listen-address=127.0.0.1:{port}"], log)
        base = f"http://127.0.0.1:{port}/api/v2"
        wait_for("Alertmanager answering", lambda: http(base + "/status"))

        def alert(name, instance, **labels):
            return {"labels": {"alertname": name, "job": "zel-fm", "instance": instance,
                               "site": "Hilltop", "severity": "critical", **labels},
                    "startsAt": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())}

        http(base + "/alerts", [
            alert("ZelFmOffAir", "pc:9101"),
            alert("ZelFmCriticalAlarm", "pc:9101", alarm="low_power"),
            alert("ZelFmCriticalAlarm", "pc:9101", alarm="over_temperature"),
            alert("ZelFmLinkLost", "pc:9103"),
            alert("ZelFmCriticalAlarm", "pc:9103", alarm="silence"),
            # The standby's own low power is still told.
            alert("ZelFmCriticalAlarm", "pc:9102", alarm="low_power"),
        ])

        def states():
            got = http(base + "/alerts")
            return {(a["labels"]["instance"], a["labels"].get("alarm", a["labels"]["alertname"])):
                    a["status"]["state"] for a in got} if len(got) == 6 else None

        expected = {("pc:9101", "ZelFmOffAir"): "active",
                    ("pc:9101", "low_power"): "suppressed",
                    ("pc:9101", "over_temperature"): "active",
                    ("pc:9103", "ZelFmLinkLost"): "active",
                    ("pc:9103", "silence"): "suppressed",
                    ("pc:9102", "low_power"): "active"}
        got = wait_for("the inhibitions settled",
                       lambda: (lambda s: s if s == expected else None)(states()), 10)
        print("alertmanager: inhibitions as expected:", got)
    finally:
        procs.stop()
        shutil.rmtree(work, ignore_errors=True)


# --- Grafana dashboard ------------------------------------------------------

# The panel types the dashboard may use, all built into Grafana 11.
PANEL_TYPES = {"row", "stat", "timeseries", "table", "state-timeline"}


def check_dashboard_shape(d):
    """The classic dashboard JSON model at the schema version it names."""
    def must(cond, message):
        if not cond:
            fail("dashboard: " + message)

    must(d.get("schemaVersion") == 39, "schemaVersion must be 39 (Grafana 11), is %r"
         % d.get("schemaVersion"))
    for key, kind in [("title", str), ("uid", str), ("panels", list), ("templating", dict),
                      ("annotations", dict), ("time", dict), ("tags", list),
                      ("editable", bool), ("graphTooltip", int), ("version", int)]:
        must(isinstance(d.get(key), kind), f"{key} must be a {kind.__name__}")
    must(d.get("id") is None, "id must be null in a file meant for import")
    must(re.fullmatch(r"[A-Za-z0-9_-]{1,40}", d["uid"]), "uid must be 1-40 of [A-Za-z0-9_-]")
    inputs = {i["name"] for i in d.get("__inputs", []) if i.get("pluginId") == "prometheus"}
    must(inputs, "__inputs must name the Prometheus data source to pick at import")
    variables = {v["name"]: v for v in d["templating"].get("list", [])}
    for v in variables.values():
        must(v.get("type") == "query" and v.get("definition"), f"variable {v['name']}: a query")

    ids = set()
    row_repeat = None
    cells = set()
    for p in d["panels"]:
        must(isinstance(p.get("id"), int) and p["id"] not in ids, f"panel id {p.get('id')}")
        ids.add(p["id"])
        must(p.get("type") in PANEL_TYPES, f"panel {p['id']}: type {p.get('type')}")
        g = p.get("gridPos", {})
        must(all(isinstance(g.get(k), int) for k in "hwxy") and g["w"] >= 1 and g["h"] >= 1
             and g["x"] >= 0 and g["x"] + g["w"] <= 24, f"panel {p['id']}: gridPos {g}")
        for x in range(g["x"], g["x"] + g["w"]):
            for y in range(g["y"], g["y"] + g["h"]):
                must((x, y) not in cells, f"panel {p['id']} overlaps another at {x},{y}")
                cells.add((x, y))
        if p["type"] == "row":
            must(isinstance(p.get("panels"), list), f"row {p['id']}: panels list")
            if p.get("repeat"):
                must(p["repeat"] in variables, f"row {p['id']} repeats an unknown variable")
                must(variables[p["repeat"]].get("multi") or variables[p["repeat"]].get("includeAll"),
                     f"row {p['id']} repeats a single-value variable")
                row_repeat = p["repeat"]
            continue
        targets = p.get("targets", [])
        must(targets, f"panel {p['id']} {p.get('title')}: no query")
        must(len({t.get("refId") for t in targets}) == len(targets), f"panel {p['id']}: refIds")
        for t in targets + [p]:
            ds = t.get("datasource", {})
            must(ds.get("type") == "prometheus" and ds.get("uid", "").strip("${}") in inputs,
                 f"panel {p['id']}: data source {ds}")
        for t in targets:
            for name in re.findall(r"\$(\w+)", t["expr"]):
                must(name in variables, f"panel {p['id']}: unknown variable ${name}")
    must(row_repeat, "no row is repeated per transmitter")


def queries(d):
    for p in d["panels"]:
        for t in p.get("targets", []):
            yield p["title"], t["expr"]


def check_dashboard(dashboard, rules, monitor, sim):
    with open(dashboard) as f:
        d = json.load(f)
    check_dashboard_shape(d)
    need("prometheus")
    work = tempfile.mkdtemp(prefix="zel-dash-")
    procs = Processes()
    try:
        targets = []
        for name, role, scenario in [("main", "main", "normal"), ("standby", "standby", "off-air")]:
            home = os.path.join(work, name)
            os.makedirs(os.path.join(home, "config", "ZEL"))
            sim_log = open(os.path.join(home, "sim.log"), "w")
            tty = os.path.join(home, "tty")
            procs.start([sim, "serial", "--link", tty, "--rate", "10", "--scenario", scenario],
                        sim_log)
            wait_for(f"the {name} simulator's pty", lambda: os.path.exists(tty), 10)
            port = free_port()
            with open(os.path.join(home, "config", "ZEL", "ZEL.ini"), "w") as ini:
                ini.write(f"[Setting]\nCommON=1\nComm Port=1\n\n[Ports]\n1={tty}\n\n"
                          f"[Metrics]\nListen=127.0.0.1:{port}\n\n"
                          f"[Station]\nName=Hilltop {name}\nSite=Hilltop\nRole={role}\n")
            env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
                       XDG_DATA_HOME=os.path.join(home, "data"), HOME=home)
            procs.start([monitor, "--headless"], open(os.path.join(home, "monitor.log"), "w"), env)
            targets.append(f"127.0.0.1:{port}")
        for t in targets:
            wait_for(f"metrics of {t}",
                     lambda: b"zel_fm_on_air " in urllib.request.urlopen(
                         f"http://{t}/metrics", timeout=2).read())

        prom_port = free_port()
        rules_copy = os.path.join(work, "rules.yml")
        shutil.copy(rules, rules_copy)
        with open(os.path.join(work, "prometheus.yml"), "w") as cfg:
            cfg.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                      f"rule_files: ['{rules_copy}']\n"
                      "scrape_configs:\n  - job_name: zel-fm\n    static_configs:\n"
                      f"      - targets: {json.dumps(targets)}\n")
        procs.start(["prometheus", "--config.file=" + os.path.join(work, "prometheus.yml"),
                     "--storage.tsdb.path=" + os.path.join(work, "tsdb"),
                     f"--web.listen-address=127.0.0.1:{prom_port}"],
                    open(os.path.join(work, "prometheus.log"), "w"))
        api = f"http://127.0.0.1:{prom_port}/api/v1"

        def query(expr):
            try:
                answer = http(api + "/query?" + urllib.parse.urlencode({"query": expr}))
            except urllib.error.HTTPError as e:
                fail(f"query {expr}: {e.code} {e.read().decode(errors='replace')}")
            if answer.get("status") != "success":
                fail(f"query {expr}: {answer}")
            return answer["data"]["result"]

        wait_for("two targets up", lambda: len(query('up{job="zel-fm"} == 1')) == 2, 30)

        # The variable's values, as Grafana would list them.
        instances = sorted({s["metric"]["instance"] for s in query("zel_fm_info")})
        if instances != sorted(targets):
            fail(f"the transmitter variable lists {instances}, expected {sorted(targets)}")
        # As Grafana writes a multi-value variable: a regular expression, its
        # backslashes doubled inside the PromQL string.
        every = "|".join(re.escape(i).replace("\\", "\\\\") for i in instances)
        for title, expr in queries(d):
            for instance in instances:
                # A repeated panel gets one transmitter; a multi-value use gets all.
                one = expr.replace('=~"$instance"', f'=~"{every}"').replace("$instance", instance)
                found = {s["metric"].get("instance") for s in query(one)}
                if instance not in found:
                    fail(f"panel {title!r}: {one} returned nothing for {instance}")
        print(f"dashboard: {sum(1 for _ in queries(d))} queries return both transmitters")

        def rules_healthy():
            groups = http(api + "/rules")["data"]["groups"]
            rules_seen = [r for g in groups for r in g["rules"]]
            evaluated = all(r.get("lastEvaluation", "").startswith("20") for r in rules_seen)
            return rules_seen if rules_seen and evaluated else None
        for r in wait_for("the rules evaluated", rules_healthy, 10):
            if r["health"] != "ok":
                fail(f"rule {r['name']}: {r['health']} {r.get('lastError')}")
        # The idle standby alerts nothing, ever.
        alerts = http(api + "/alerts")["data"]["alerts"]
        standby = [a for a in alerts if a["labels"].get("role") == "standby"]
        if standby:
            fail(f"the idle standby has alerts: {standby}")
        print("rules: loaded and evaluated; the idle standby has no alert")
    finally:
        procs.stop()
        if os.environ.get("KEEP_WORK"):
            print("work folder kept:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "alertmanager":
        check_alertmanager(sys.argv[2])
    elif len(sys.argv) == 6 and sys.argv[1] == "dashboard":
        check_dashboard(*sys.argv[2:])
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
