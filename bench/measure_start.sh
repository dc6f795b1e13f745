#!/usr/bin/env bash
# Measures the start of the program without a window on the simulated port:
# time from the process's start to its first port access (the trace file's
# first line), with a Data.dat of SIZE bytes (the 300 outputs and a section of
# notes) that was either saved just before the start or last changed well
# before it (AGE "saved" or "settled"), under the default start policy.
# Usage: bench/measure_start.sh [path/to/kavtra] [SIZE] [AGE] [RUNS]
#        (defaults: build/app/kavtra 1048576 saved 21)
set -euo pipefail
program="$(realpath "${1:-build/app/kavtra}")"
size="${2:-1048576}"
age="${3:-saved}"
runs="${4:-21}"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cp "$program" "$(dirname "$program")/kavtra-window" "$work/"

{
  for ((n = 1; n <= 300; n++)); do printf '[Devais_%d]\r\nValue=%d\r\nName=Load %d\r\n' "$n" $((n % 2)) "$n"; done
  printf '[Notes]\r\n'
  for ((n = 0; ; n++)); do printf 'note%d=board 3, line %d\r\n' "$n" $((n % 97)); done
} 2>/dev/null | head -c "$size" >"$work/Data.template" || true

times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work/trace"
  cp "$work/Data.template" "$work/Data.dat"
  # Its change time, which no tool can set back, must lie two seconds back.
  [ "$age" = settled ] && sleep 2.1
  start=$EPOCHREALTIME
  KAVTRA_PORT=sim KAVTRA_PORT_TRACE="$work/trace" XDG_CONFIG_HOME="$work" XDG_DATA_HOME="$work" \
    "$work/kavtra" --no-window 2>/dev/null &
  pid=$!
  until [ -s "$work/trace" ]; do sleep 0.001; done
  end=$EPOCHREALTIME
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
  times+=("$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.1f", (b - a) * 1000}')")
done
printf '%s\n' "${times[@]}" | sort -n | awk -v size="$size" -v age="$age" '{t[NR] = $1} END {
  printf "kavtra --no-window, Data.dat %d bytes (%s), start to first port access, %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
    size, age, NR, t[1], t[int((NR + 1) / 2)], t[NR]}'
