#!/usr/bin/env bash
# Measures the built program as a user runs it, under Xvfb on the simulated
# port: time from start to the main window on the screen, CPU used while idle
# at the default 100 ms period, and resident memory.
# Usage: bench/measure_program.sh [path/to/kavtra]   (needs xvfb, xdotool)
set -euo pipefail
program="$(realpath "${1:-build/app/kavtra}")"
if [ -z "${KAVTRA_MEASURE_INNER:-}" ]; then
  export KAVTRA_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$program"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$program" "$(dirname "$program")/kavtra-window" "$work/"
tick() { getconf CLK_TCK; }

start=$(date +%s%N)
KAVTRA_PORT=sim "$work/kavtra" 2>/dev/null &
pid=$!
# xdotool's own --sync polls twice a second; poll more finely here.
until xdotool search --onlyvisible --name 'Кавтра$' >/dev/null 2>&1; do sleep 0.005; done
shown=$(date +%s%N)
echo "start to window shown: $(( (shown - start) / 1000000 )) ms"

sleep 3
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
sleep 20
after=$(cpu)
echo "idle CPU over 20 s: $(awk -v t=$(( after - before )) -v hz="$(tick)" 'BEGIN{printf "%.2f%% of one core", 100 * t / hz / 20}')"
echo "resident memory: $(awk '/VmRSS/{printf "%.1f MB", $2/1024}' "/proc/$pid/status")"
kill "$pid"
