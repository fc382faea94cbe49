#!/usr/bin/env bash
# The web panel in a real browser: the simulator, the monitor without a
# window serving HTTPS with its self-signed certificate, an account made on
# the command line, and headless Chromium driven by Selenium.
# Debian's python3 (with python3-selenium), whatever python3 comes first on
# the path.
# Usage: browser_test.sh MONITOR SIM HISTORY BROWSER_TEST_PY [SCREENSHOT_DIR]
set -euo pipefail
monitor=$1 sim=$2 history=$3 script=$4 shots=${5:-}

for need in chromium chromedriver; do
  command -v "$need" >/dev/null || { echo "SKIP: $need is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "SKIP: python3-selenium is not installed"; exit 77; }

run=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
mkdir -p "$run/config/ZEL" "$run/data"
[ -n "$shots" ] || shots=$run/shots
mkdir -p "$shots"

# Normal frames first, then an over-temperature the page can acknowledge;
# set commands sent from the page change the simulated transmitter.
"$sim" serial --link "$run/ttyZEL" --interval 200 --scenario script --step 6000 \
    >"$run/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^ready' "$run/sim.log" 2>/dev/null && break; sleep 0.1; done

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$run/config/ZEL/ZEL.ini" <<INI
[Setting]
CommON=1
Comm Port=1
SETPOWERT=500.0

[Ports]
1=$run/ttyZEL

[Web]
Listen=127.0.0.1:$port
AllowControl=true
INI

export XDG_CONFIG_HOME=$run/config XDG_DATA_HOME=$run/data
password='browser test passphrase'
echo "$password" | "$monitor" --add-user tester --role operator >/dev/null

"$monitor" --headless >"$run/monitor.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do grep -q 'Web panel: listening' "$run/monitor.log" && break; sleep 0.1; done
if ! grep -q 'Web panel: listening on https://' "$run/monitor.log"; then
  cat "$run/monitor.log"
  exit 1
fi
grep -q 'SHA-256 fingerprint' "$run/monitor.log"

# Until the record holds an alarm for the page to acknowledge (the script's
# over-temperature, after its qualify time), asked as any API client would.
/usr/bin/python3 - "https://127.0.0.1:$port" "$password" <<'PY'
import http.cookiejar, json, ssl, sys, time, urllib.request
base, password = sys.argv[1], sys.argv[2]
context = ssl._create_unverified_context()
opener = urllib.request.build_opener(urllib.request.HTTPSHandler(context=context),
                                     urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
login = urllib.request.Request(base + "/api/login", method="POST",
                               data=json.dumps({"user": "tester", "password": password}).encode(),
                               headers={"Content-Type": "application/json"})
opener.open(login, timeout=10).read()
for _ in range(120):
    alarms = json.load(opener.open(base + "/api/alarms", timeout=10))["alarms"]
    if any(a["state"] == "raised" for a in alarms):
        sys.exit(0)
    time.sleep(0.5)
sys.exit("no alarm was raised within a minute")
PY

status=0
/usr/bin/python3 "$script" --url "https://127.0.0.1:$port" --user tester --password "$password" \
    --expect-alarm --control --screenshots "$shots" || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 30 "$run/monitor.log"
fi
# The page's acknowledgement is in the record, as the command line reads it.
if [ "$status" -eq 0 ] && ! "$history" events | grep -q ',acknowledged,.*tester@web'; then
  echo "FAIL: the acknowledgement from the page is not in the record"
  "$history" events | tail -n 5
  status=1
fi
# The password reaches no file the monitor writes.
if grep -rqF "$password" "$run/data" "$run/monitor.log"; then
  echo "FAIL: the password is in a file the monitor wrote"
  status=1
fi
exit "$status"
