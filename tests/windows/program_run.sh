#!/usr/bin/env bash
# kavtra-window.exe as the Start menu starts it, under Wine on an X server of
# its own, on the simulated port with a trace, compared with the Linux program:
#   program_run.sh WINE_RUN WINE_PREFIX WINDOWS_PROGRAM_DIR LINUX_PROGRAM WORK_DIR
# The window titled "Кавтра" appears; the trace of the start (first transfer,
# Init_Outs) is the Linux program's line for line; a double click on a row
# switches that output in Data.dat (Windows-1251, CRLF) and sends the new
# picture as the Linux program sends it; closing and confirming runs the exit
# sequence (the picture once more, data lines released) and ends with status 0.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
wine_run=$1 prefix=$2 windows_dir=$3 linux_program=$4 work=$5
wine_prefix=$prefix
lines() { wc -l <"$1"; }
# range FILE FIRST COUNT: COUNT lines from line FIRST on (1-based).
range() { sed -n "$2,$(($2 + $3 - 1))p" "$1"; }
# The refresh period; an hour keeps the timer's transfers out of the trace.
settings() { printf '[Configs]\r\nTimeUpdate=%s\r\n' "$2" >"$1/config.ini"; }

rm -rf "$work"
mkdir -p "$work/windows" "$work/linux-start" "$work/linux-after"
cp -r "$windows_dir/kavtra-window.exe" "$windows_dir/qt.conf" "$windows_dir/translations" "$work/windows/"

# --- Windows ---
settings "$work/windows" 3600000
trace="$work/windows-trace.txt"
(
  cd "$work/windows"
  KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${trace//\//\\}" \
    exec "$wine_run" "$prefix" kavtra-window.exe
) &
pid=$!
end_at_exit "$pid"
# The first run in a new Wine prefix creates it first.
wait_until 120 window '^Кавтра$' || fail "no window titled Кавтра"
main=$(window '^Кавтра$')
settled "$trace"
start_lines=$(lines "$trace")

# A double click in the first row's name.
double_click_first_row "$main"
wait_until 10 test -f "$work/windows/Data.dat" || fail "the double click saved no Data.dat"
settled "$trace"
click_lines=$(($(lines "$trace") - start_lines))

close_and_confirm "$main"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "kavtra-window.exe ended with status $status"

# Data.dat: one output switched off, every section written, in Windows-1251
# with CRLF line ends, then the counters of that one switch (their times
# are the run's own).
switched=$(tr -d '\r' <"$work/windows/Data.dat" | awk -F'[_\\]]' '/^\[Devais_/ {n = $2} /^Value=1$/ {print n}')
[ "$(echo "$switched" | wc -w)" -eq 1 ] || fail "not exactly one output switched: ${switched:-none}"
for n in $(seq 1 300); do
  printf '[Devais_%d]\r\nValue=%d\r\nName=Вывод %d\r\n' "$n" $((n == switched)) "$n"
done | iconv -f UTF-8 -t CP1251 >"$work/expected-Data.dat"
size=$(stat -c %s "$work/expected-Data.dat")
cmp -n "$size" "$work/expected-Data.dat" "$work/windows/Data.dat" || fail "Data.dat is not what the switch of output $switched gives"
counters=$(tail -c +$((size + 1)) "$work/windows/Data.dat" | tr '\r\n' '|#')
echo "$counters" | grep -Eqx "\[Counters\]\|#$switched=1 [0-9]+ [0-9]+ [0-9]+ [0-9T:.-]+Z off\|#" ||
  fail "Data.dat's counters are not those of one switch of output $switched: $counters"

# --- Linux, on the same files ---
# run_linux DIR PERIOD TRACE SECONDS: the program until its window has been
# shown for SECONDS.
run_linux() {
  cp "$linux_program" "$(dirname "$linux_program")/kavtra-window" "$1/"
  settings "$1" "$2"
  KAVTRA_PORT=sim KAVTRA_PORT_TRACE="$3" "$1/kavtra" 2>/dev/null &
  local linux_pid=$!
  end_at_exit "$linux_pid"
  wait_until 20 xdotool search --pid "$linux_pid" --name '^Кавтра$' || fail "the Linux program showed no window"
  sleep "$4"
  # At once: a polite signal would run the exit sequence into the trace.
  kill -KILL "$linux_pid"
  wait "$linux_pid" || true
}
run_linux "$work/linux-start" 3600000 "$work/linux-start-trace.txt" 0.3
[ "$(lines "$work/linux-start-trace.txt")" -eq "$start_lines" ] ||
  fail "the start took $start_lines port accesses on Windows, $(lines "$work/linux-start-trace.txt") on Linux"
head -n "$start_lines" "$trace" | cmp - "$work/linux-start-trace.txt" || fail "the start's trace differs from Linux"

# Started on the switched Data.dat with a short period, the Linux program
# sends the switched picture on every tick after its start: one period of
# that is what the double click and the exit sequence must have sent.
cp "$work/windows/Data.dat" "$work/linux-after/"
run_linux "$work/linux-after" 50 "$work/linux-after-trace.txt" 1
period=$(tail -n +$((start_lines + 1)) "$work/linux-after-trace.txt" | awk '
  { line[NR] = $0 }
  END {
    for (p = 1; 2 * p <= NR; ++p) {
      same = 1
      for (i = 1; i <= p && same; ++i) same = line[i] == line[i + p]
      if (same) { print p; exit }
    }
  }')
[ -n "$period" ] || fail "no repeated transfer in the Linux program's trace"
range "$work/linux-after-trace.txt" $((start_lines + 1)) "$period" >"$work/transfer.txt"
[ "$click_lines" -eq "$period" ] || fail "the double click made $click_lines port accesses, a transfer is $period"
range "$trace" $((start_lines + 1)) "$period" | cmp - "$work/transfer.txt" ||
  fail "the double click's transfer differs from Linux"
range "$trace" $((start_lines + period + 1)) "$period" | cmp - "$work/transfer.txt" ||
  fail "the exit's transfer differs from Linux"
release=$(tail -n +$((start_lines + 2 * period + 1)) "$trace")
last=$(echo "$release" | tail -n1)
[[ "$last" =~ ^W\ 890\ 0x([0-9a-f]{2})$ ]] && (((0x${BASH_REMATCH[1]} & 0x20) != 0)) ||
  fail "the exit did not end by releasing the data lines: ${release:-nothing after the transfer}"
echo "start: $start_lines accesses as on Linux; output $switched switched and sent; exit: transfer, then $(echo "$release" | wc -l) accesses ending $last"
