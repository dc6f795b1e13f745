#!/usr/bin/env bash
# Measures a command as scripts run it: `kavtra --set 5=off` (and =on, in
# turn, so that every run is a real change), each timed from its process's
# start to its end, which comes once the running copy has saved Data.dat and
# made the transfer. The running copy is the program without a window on the
# simulated port, in a folder of its own. Also prints the commands' mean CPU
# time (user and system), which the shell counts for the children it waited for.
# With socat installed, a second round pairs each `kavtra --set 5=off` with
# the same request from the smallest client there is, started right after it
# (`printf 'set 5=on\n' | socat - UNIX-CONNECT:SOCKET`, run by sh; it switches
# output 5 back, so that both make a change), and prints the median of the
# pairs' ratios.
# Usage: bench/measure_command.sh [path/to/kavtra] [RUNS]   (default 101 runs)
set -euo pipefail
program="$(realpath "${1:-build/app/kavtra}")"
runs="${2:-101}"
work="$(mktemp -d)"
cp "$program" "$(dirname "$program")/kavtra-window" "$(dirname "$program")/kavtra-no-window" "$work/"
touch "$work/started"
KAVTRA_PORT=sim "$work/kavtra" --no-window &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
until "$work/kavtra" --get 1 >/dev/null 2>&1; do sleep 0.01; done

# Nothing but the commands runs as a child inside the loop (no command
# substitution, no awk), so the children's CPU time the shell reports before
# and after it is theirs alone.
states=(off on)
starts=()
ends=()
times >"$work/cpu-before"
for ((i = 0; i < runs; i++)); do
  starts+=("$EPOCHREALTIME")
  "$work/kavtra" --set "5=${states[i % 2]}"
  ends+=("$EPOCHREALTIME")
done
times >"$work/cpu-after"
for ((i = 0; i < runs; i++)); do
  awk -v a="${starts[i]}" -v b="${ends[i]}" 'BEGIN{printf "%.3f\n", (b - a) * 1000}'
done | sort -n | awk '{t[NR] = $1} END {
  printf "kavtra --set 5=off|on, start to transfer done, %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
    NR, t[1], t[int((NR + 1) / 2)], t[NR]}'
# The second line of `times`: the children's user and system time, as 0m0.123s.
children_ms() { awk 'NR == 2 { split($1 " " $2, t, "[ms ]+"); print (t[1] + t[3]) * 60000 + (t[2] + t[4]) * 1000 }' "$1"; }
awk -v a="$(children_ms "$work/cpu-before")" -v b="$(children_ms "$work/cpu-after")" -v n="$runs" \
  'BEGIN{printf "CPU (user and system) per command: mean %.1f ms\n", (b - a) / n}'

# The copy's socket: the one made since it started, wherever the user's go.
socket=$(find "/run/user/$(id -u)" "${XDG_RUNTIME_DIR:-/nonexistent}" "/tmp/kavtra-$(id -u)" -maxdepth 1 \
  -name 'kavtra-*.sock' -newer "$work/started" 2>/dev/null | head -n1 || true)
command -v socat >/dev/null && [ -n "$socket" ] || exit 0
marks=()
for ((i = 0; i < runs; i++)); do
  marks+=("$EPOCHREALTIME")
  "$work/kavtra" --set 5=off
  marks+=("$EPOCHREALTIME")
  sh -c "printf 'set 5=on\n' | socat - UNIX-CONNECT:$socket" >/dev/null
  marks+=("$EPOCHREALTIME")
done
printf '%s %s %s\n' "${marks[@]}" | awk '{printf "%.3f %.3f\n", ($2 - $1) * 1000, ($3 - $2) * 1000}' >"$work/pairs"
median() { sort -n | awk '{t[NR] = $1} END {printf "%.2f", t[int((NR + 1) / 2)]}'; }
echo "kavtra --set 5=off against printf | socat, $runs pairs: median $(cut -d' ' -f1 "$work/pairs" | median) ms" \
  "against $(cut -d' ' -f2 "$work/pairs" | median) ms; pair by pair, median ratio $(awk '{print $1 / $2}' "$work/pairs" | median)"
