# Shared by tools/bench/run and tools/bench/soak: the build, a private
# virtual display with a notification area, scratch profiles, the simulator
# and CPU sampling. Everything started here is stopped by bench_cleanup.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$root/build-release/bin
bench_pids=()

bench_cleanup() {
  local p
  for p in "${bench_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${bench_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  bench_pids=()
}

# Builds the given targets, or every one the run needs.
bench_build() {
  cmake --preset release >/dev/null
  [ $# -gt 0 ] || set -- zel-fm-monitor zel-fm-monitor-window zel-fm-sim zel-bench-decode \
    zel-bench-latency zel-bench-paint zel-bench-startup zel-bench-bare zel-bench-logwatch \
    zel-bench-blackhole zel-bench-key zel-bench-history zel-bench-station zel-bench-history-window zel-fm-history-gen
  cmake --build --preset release --target "$@" >/dev/null
}

# A virtual display of our own (the first free number) and trayer on it, so
# the monitor lives in a real notification area as it does on a desktop.
bench_display() {
  local work=$1 fifo=$1/displayfd n
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  bench_pids+=($xvfb_pid)
  read -r -t 10 n <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$n
  trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    --transparent false >"$work/trayer.log" 2>&1 &
  bench_pids+=($!)
  sleep 1
  export QT_QPA_PLATFORM=xcb
  # No desktop bus: the tray icon goes through the X11 notification area.
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
  mkdir -p -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR=$work/runtime
}

# No display server at all: for the long soak, which a shared X server that
# goes away would otherwise end early.
bench_offscreen() {
  export QT_QPA_PLATFORM=offscreen
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY DISPLAY
  mkdir -p -m 700 "$1/runtime"
  export XDG_RUNTIME_DIR=$1/runtime
}

# N busy processes beside the monitor (a machine doing other work), each
# spinning on one core; stopped by bench_cleanup.
bench_load() {
  local i
  for ((i = 0; i < $1; i++)); do
    yes >/dev/null &
    bench_pids+=($!)
  done
}

# A fresh settings and data folder; prints the pair of assignments to use
# with env, e.g. env $(bench_profile DIR) PROGRAM.
bench_profile() {
  mkdir -p "$1/config/ZEL" "$1/data/ZEL"
  echo "XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data"
}

# Starts the simulator with its output in LOG; sets sim_ready to the last
# word of its first line (the device or the port). Bounded to 5 s. Called
# directly, never in $(...), so that its pid stays on the cleanup list.
bench_sim() {
  local log=$1 i
  shift
  "$bin/zel-fm-sim" "$@" >"$log" 2>&1 &
  bench_pids+=($!)
  for i in $(seq 50); do
    grep -q '^ready' "$log" 2>/dev/null && break
    sleep 0.1
  done
  sim_ready=$(head -n 1 "$log" | awk '/^ready/ {print $NF}')
  [ -n "$sim_ready" ] || { echo "the simulator did not start: $(cat "$log")" >&2; return 1; }
}

# Serial settings naming DEVICE as port 1.
bench_serial_ini() {
  printf '[Setting]\nCommON=1\nComm Port=1\n\n[Ports]\n1=%s\n' "$2" >"$1/config/ZEL/ZEL.ini"
}

now_ns() { date +%s%N; }
# User plus system CPU time of a process, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
clk_tck=$(getconf CLK_TCK)
# Percent of one core used by PID between two samples.
cpu_percent() { # ticks0 ticks1 ns0 ns1
  awk -v a="$1" -v b="$2" -v s="$3" -v e="$4" -v hz="$clk_tck" \
    'BEGIN {printf "%.2f", (b - a) / hz / ((e - s) / 1e9) * 100}'
}
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
