#!/usr/bin/env bash
# Measures kavtra-window.exe under Wine as the Start menu starts it, on Xvfb
# and the simulated port: the time from start to the window on the screen,
# five times from cold (no Wine running: Wine's own services start too) and
# five times warm (Wine's server and services kept running, as Windows' own
# are); then 31 double clicks, each from the X server taking the click to
# Data.dat saved and the transfer done, in parts (bench/windows_clicks.py).
# Usage: bench/measure_windows.sh [BUILD_DIR]   (default build-windows, made
# by scripts/build-windows.sh). The files live in a new folder under TMPDIR.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_WINDOWS_PACKAGES[@]}" "${KAVTRA_WINDOWS_BENCH_PACKAGES[@]}"
build="$(realpath "${1:-$here/build-windows}")"
source "$here/tests/windows/screen.sh"
prefix="$build/wine-prefix-measure"
work="$(mktemp -d)"
stop_wine() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}
wine_prefix="$prefix"
trap 'end_background; rm -rf "$work"' EXIT
cp -r "$build/app/kavtra-window.exe" "$build/app/qt.conf" "$build/app/translations" "$work/"
# The refresh timer every 10 s only: its transfers would blur the clicks'.
printf '[Configs]\r\nTimeUpdate=10000\r\n' >"$work/config.ini"
now() { date +%s%N; }
stats() { sort -n | awk '{ v[NR] = $1 } END { printf "median %.0f ms, lowest %.0f, highest %.0f (%d)\n", v[int((NR + 1) / 2)] / 1e6, v[1] / 1e6, v[NR] / 1e6, NR }'; }
program=
# Standard output goes nowhere: a program that outlived its stop_wine would
# otherwise hold the pipe into stats open, and the script would wait for ever.
start() {
  (cd "$work" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${work//\//\\}\\trace.txt" \
    exec "$here/cmake/wine-run.sh" "$prefix" kavtra-window.exe >/dev/null 2>>"$work/stderr.txt") &
  program=$!
}
# Quiet: a window that goes away while xdotool looks at it is an X error.
shown() { window '^Кавтра$' >/dev/null 2>&1; }
# Whether the program's process has ended (a zombie until it is waited for).
ended() {
  local state
  state=$(ps -o stat= -p "$program" 2>/dev/null)
  [ -z "$state" ] || [[ $state == Z* ]]
}
# Starts the program and prints the nanoseconds until its window is shown.
# Wine now and then ends a process at its start without a word (seen in CI
# at load 1 to 2); such a start is made again, twice at most, not counted.
timed_start() {
  local t0 tries=0
  while :; do
    t0=$(now)
    start
    local deadline=$((SECONDS + 60))
    until shown || ended; do
      [ $SECONDS -lt $deadline ] || fail "no window within 60 s; its standard error: $(cat "$work/stderr.txt")"
      sleep 0.005
    done
    shown && break
    wait "$program" || true
    tries=$((tries + 1))
    [ $tries -lt 3 ] || fail "the program ended before its window showed, three times; its standard error: $(cat "$work/stderr.txt")"
  done
  echo $(($(now) - t0))
}
end_program() {
  kill "$program"
  wait "$program" || true
}

echo "load (1, 5, 15 min) at the start: $(cut -d' ' -f1-3 /proc/loadavg); Wine $(wine --version 2>/dev/null)"
# A first start creates the Wine prefix; it is not counted.
start
wait_until 120 shown || fail "no window at the first start"
stop_wine
wait || true
for _ in 1 2 3 4 5; do
  timed_start
  stop_wine
  wait || true
done | stats | sed 's/^/start to window shown, cold (Wine starting too): /'

WINEPREFIX="$prefix" wineserver -p
start
wait_until 60 shown || fail "no window at the warm-up start"
end_program
for _ in 1 2 3 4 5; do
  timed_start
  end_program
done | stats | sed 's/^/start to window shown, warm (Wine already running): /'

start
wait_until 60 shown || fail "no window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$(window '^Кавтра$')")"
python3 "$here/bench/windows_clicks.py" "$work" $((X + 100)) $((Y + 60)) 31 ||
  fail "the program's standard error: $(cat "$work/stderr.txt")"
