#!/usr/bin/env bash
# Measures a command as scripts run it: `kavtra --set 5=off` (and =on, in
# turn, so that every run is a real change), each timed from its process's
# start to its end, which comes once the running copy has saved Data.dat and
# made the transfer. The running copy is the program without a window on the
# simulated port, in a folder of its own.
# Usage: bench/measure_command.sh [path/to/kavtra] [RUNS]   (default 101 runs)
set -euo pipefail
program="$(realpath "${1:-build/app/kavtra}")"
runs="${2:-101}"
work="$(mktemp -d)"
cp "$program" "$(dirname "$program")/kavtra-window" "$work/"
KAVTRA_PORT=sim "$work/kavtra" --no-window &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
until "$work/kavtra" --get 1 >/dev/null 2>&1; do sleep 0.01; done

times=()
for ((i = 0; i < runs; i++)); do
  state=$([ $((i % 2)) -eq 0 ] && echo off || echo on)
  start=$EPOCHREALTIME
  "$work/kavtra" --set "5=$state"
  end=$EPOCHREALTIME
  times+=("$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", (b - a) * 1000}')")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{t[NR] = $1} END {
  printf "kavtra --set 5=off|on, start to transfer done, %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
    NR, t[1], t[int((NR + 1) / 2)], t[NR]}'
