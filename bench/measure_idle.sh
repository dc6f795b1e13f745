#!/usr/bin/env bash
# The program without a window, idle for a minute: once with no schedules,
# once with ten thousand, on the simulated port; then, where Debian's
# mosquitto is, once with a named input that Home Assistant's discovery
# watches (polled every 10 ms). Prints the CPU it used and
# how often it woke (voluntary context switches), each run in a folder of its
# own. Usage: bench/measure_idle.sh [path/to/kavtra] [seconds]
set -euo pipefail
program="$(realpath "${1:-build/app/kavtra}")"
seconds="${2:-60}"
tick=$(getconf CLK_TCK)

# Ten thousand schedules: times of day, weekdays, dated, sunset and windows,
# none of them due within the hour after now.
schedules() {
  awk -v hour="$(date +%H)" 'BEGIN {
    printf "\xEF\xBB\xBF[Place]\r\nLatitude=55.75\r\nLongitude=37.62\r\n"
    for (i = 0; i < 10000; i++) {
      h = (hour + 2 + i % 20) % 24; m = i % 60; out = 1 + i % 300
      printf "[Schedule S%d]\r\n", i
      kind = i % 5
      if (kind == 0) printf "At=%02d:%02d\r\nOn=%d\r\n", h, m, out
      if (kind == 1) printf "At=%02d:%02d:30\r\nDays=Mon,Wed,Fri\r\nOff=%d\r\n", h, m, out
      if (kind == 2) printf "At=2099-01-%02d %02d:%02d\r\nOn=%d\r\n", 1 + i % 28, h, m, out
      if (kind == 3) printf "At=sunset+%d\r\nDays=Sat,Sun\r\nOn=%d\r\n", 120 + i % 60, out
      if (kind == 4) printf "From=%02d:%02d\r\nTo=%02d:%02d\r\nOn=%d\r\n", h, m, (h + 1) % 24, m, out
    }
  }'
}

measure() {
  local label="$1" rules="$2" broker="${3:-}" work
  work="$(mktemp -d)"
  cp "$program" "$(dirname "$program")/kavtra-no-window" "$work/"
  printf '[Configs]\r\nTimeUpdate=0\r\n' >"$work/config.ini"
  [ -n "$rules" ] && schedules >"$work/Rules.ini"
  if [ -n "$broker" ]; then
    printf '[MQTT]\r\nHost=127.0.0.1\r\nPort=%s\r\nNode=idle\r\n' "$broker" >>"$work/config.ini"
    printf '\xEF\xBB\xBF[Input 1]\r\nName=Кнопка\r\n' >"$work/Rules.ini"
  fi
  KAVTRA_PORT=sim "$work/kavtra" --no-window 2>/dev/null &
  local pid=$!
  sleep 3
  cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
  wakes() { awk '/^voluntary_ctxt_switches/{print $2}' "/proc/$pid/status"; }
  local cpu0 wakes0
  cpu0=$(cpu); wakes0=$(wakes)
  sleep "$seconds"
  echo "$label: CPU $(awk -v t=$(( $(cpu) - cpu0 )) -v hz="$tick" 'BEGIN{printf "%d ms", 1000 * t / hz}')" \
       "over $seconds s, woke $(( $(wakes) - wakes0 )) times," \
       "resident $(awk '/VmRSS/{printf "%.1f MB", $2/1024}' "/proc/$pid/status")"
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}

measure "no schedules" ""
measure "10,000 schedules" yes
if [ -x /usr/sbin/mosquitto ]; then
  broker_dir="$(mktemp -d)"
  printf 'listener 18883 127.0.0.1\nallow_anonymous true\nuser %s\n' "$(id -un)" >"$broker_dir/mosquitto.conf"
  /usr/sbin/mosquitto -c "$broker_dir/mosquitto.conf" 2>/dev/null &
  broker_pid=$!
  sleep 1
  measure "one input watched" "" 18883
  kill "$broker_pid"; wait "$broker_pid" 2>/dev/null || true
  rm -rf "$broker_dir"
fi
