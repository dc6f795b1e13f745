#!/usr/bin/env bash
# Measures kavtra-window.exe under Wine as the Start menu starts it, on Xvfb
# and the simulated port: the time from start to the window on the screen
# (over 5 starts), and from a double click to Data.dat saved and the transfer
# done (over 31 double clicks: median, lowest, highest).
# Usage: bench/measure_windows.sh [BUILD_DIR]   (default build-windows, made
# by scripts/build-windows.sh)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath "${1:-$here/build-windows}")"
source "$here/tests/windows/screen.sh"
prefix="$build/wine-prefix-measure"
work="$(mktemp -d)"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$build/app/kavtra-window.exe" "$build/app/qt.conf" "$build/app/translations" "$work/"
# The refresh timer every 10 s only: its transfers would blur the clicks'.
printf '[Configs]\r\nTimeUpdate=10000\r\n' >"$work/config.ini"
now() { date +%s%N; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1e6 }'; }
stats() { sort -n | awk '{ v[NR] = $1 } END { printf "median %.1f ms, lowest %.1f, highest %.1f (%d)\n", v[int((NR + 1) / 2)] / 1e6, v[1] / 1e6, v[NR] / 1e6, NR }'; }
start() {
  (cd "$work" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${work//\//\\}\\trace.txt" \
    exec "$here/cmake/wine-run.sh" "$prefix" kavtra-window.exe 2>/dev/null) &
}
shown() { window '^Кавтра$' >/dev/null; }

# A first start creates the Wine prefix; it is not counted.
start
until shown; do sleep 0.1; done
WINEPREFIX="$prefix" wineserver -k
wait || true
for _ in 1 2 3 4 5; do
  rm -f "$work/trace.txt"
  t0=$(now)
  start
  until shown; do sleep 0.005; done
  echo $(($(now) - t0))
  WINEPREFIX="$prefix" wineserver -k
  wait || true
done | stats | sed 's/^/start to window shown: /'

start
until shown; do sleep 0.05; done
sleep 1
main=$(window '^Кавтра$')
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 100)) $((Y + 60))
lines() { wc -l <"$work/trace.txt"; }
# A double click whose second press is sent at t0; done when Data.dat is
# newer than t0 and the trace has grown by one transfer.
toggle() {
  local before=$1 transfer=$2
  touch "$work/t0"
  xdotool click 1
  local t0=$(now)
  xdotool click 1
  until [ "$work/Data.dat" -nt "$work/t0" ] && [ "$(lines)" -ge $((before + transfer)) ]; do :; done
  echo $(($(now) - t0))
}
before=$(lines)
toggle "$before" 1 >/dev/null
sleep 0.3
transfer=$(($(lines) - before))
for _ in $(seq 31); do
  sleep 0.6 # apart from the previous double click, so no triple click
  toggle "$(lines)" "$transfer"
done | stats | sed 's/^/double click to Data.dat saved and transfer done: /'
t0=$(now)
xdotool mousemove $((X + 100)) $((Y + 60))
echo "one xdotool command (included above): $(ms $(($(now) - t0))) ms"
