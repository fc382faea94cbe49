#!/usr/bin/env bash
# The monitor on a real X server, as a session that starts its notification
# area after the monitor: the window carries the drawn icon at 16, 32 and
# 48 px, and the tray icon docks as soon as the area appears.
#   desktop_icons.sh MONITOR
set -euo pipefail
monitor=$1
for tool in Xvfb trayer xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISPLAY=:$n; break; }
done
Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$work/config/ZEL" "$work/data"
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=xcb \
  "$monitor" >"$work/monitor.log" 2>&1 &
pids+=($!)

main_window() { xwininfo -root -tree | awk '/"FM Monitor By ZEL Broadcast/ {print $1; exit}'; }
for _ in $(seq 100); do [ -n "$(main_window)" ] && break; sleep 0.1; done
win=$(main_window)
[ -n "$win" ] || { echo "FAIL: no main window"; cat "$work/monitor.log"; exit 1; }
# _NET_WM_ICON holds width, height, pixels... for each image.
sizes=$(xprop -id "$win" -notype 32c _NET_WM_ICON | tr -d ',' |
  awk '{ i = 3; while (i <= NF) { w = $i; h = $(i + 1); printf "%dx%d ", w, h; i += 2 + w * h } }')
for s in 16x16 32x32 48x48; do
  [[ " $sizes" == *" $s "* ]] || { echo "FAIL: window icon sizes '$sizes' lack $s"; exit 1; }
done
echo "window icon: $sizes"

sleep 1
trayer --edge top --align right --widthtype pixel --width 120 --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)
docked() { xwininfo -root -tree | grep -A8 '"panel": ("panel" "trayer")' | grep -q zel-fm-monitor; }
for _ in $(seq 100); do docked && { echo "tray icon docked"; exit 0; }; sleep 0.1; done
echo "FAIL: the tray icon did not dock when the notification area appeared"
xwininfo -root -tree
exit 1
