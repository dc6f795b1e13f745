#!/usr/bin/env bash
# Both Windows programs asked to end from outside, under Wine, against the
# Linux programs on SIGTERM: exit_events_run.sh WINE_RUN WINE_PREFIX
# WINDOWS_PROGRAM_DIR LINUX_PROGRAM WORK_DIR EXIT_REQUEST_EXE. Each ends by
# itself with status 0 and the Linux trace, line for line: the exit sequence
# (the policy's transfer, the data lines released) ran once, nothing asked.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
wine_run=$1 prefix=$2 windows_dir=$3 linux_program=$4 work=$5 exit_request=$6
wine_prefix=$prefix
# All off at the start and all on at the exit: the exit's transfer is the policy's.
settings() { mkdir -p "$1" && printf '[Configs]\r\nTimeUpdate=3600000\r\nValLoad=2\r\nValUnload=1\r\n' >"$1/config.ini"; }
rm -rf "$work"
# The Linux reference: the program without a window (the window's start and
# exit make the same accesses) from its start to its exit on SIGTERM.
settings "$work/linux" && cp "$linux_program" "$(dirname "$linux_program")/kavtra-no-window" "$work/linux/"
KAVTRA_PORT=sim KAVTRA_PORT_TRACE="$work/linux/trace.txt" "$work/linux/kavtra" --no-window 2>/dev/null &
{ wait_until 20 test -s "$work/linux/trace.txt" && settled "$work/linux/trace.txt"; } || fail "no Linux trace"
kill -TERM $!
wait $! || fail "the Linux program ended with status $? on SIGTERM"

# run NAME EVENT PROGRAM ARGS...: EVENT is exit_request.exe's, or shutdown or taskkill.
run() {
  local name=$1 event=$2 dir="$work/$1" status=0 via=()
  shift 2
  settings "$dir"
  cp -r "$windows_dir"/{kavtra.exe,kavtra-window.exe,qt.conf,translations} "$exit_request" "$dir/"
  local trace="Z:${dir//\//\\}\\trace.txt"
  [[ $event = @(shutdown|taskkill) ]] || via=("$(basename "$exit_request")" "$event" "$trace")
  (cd "$dir" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="$trace" exec "$wine_run" "$prefix" "${via[@]}" "$@" >"$dir/said.txt") &
  local pid=$!
  end_at_exit "$pid"
  { wait_until 60 test -s "$dir/trace.txt" && settled "$dir/trace.txt"; } || fail "$name: no trace"
  [[ " $* " == *" --no-window "* ]] || wait_until 20 window '^Кавтра$' || fail "$name: no window"
  case $event in
  shutdown) "$wine_run" "$prefix" wineboot --end-session --shutdown ;;
  taskkill) "$wine_run" "$prefix" taskkill /IM "$1" >/dev/null ;;
  esac
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "$name: ended with status $status"
  cmp "$work/linux/trace.txt" "$dir/trace.txt" || fail "$name: the trace differs from the Linux program's"
  local said
  said=$(tr -d '\r' <"$dir/said.txt")
  echo "$name: ${said:+$said; }status 0, $(wc -l <"$dir/trace.txt") accesses as on Linux"
}
run ctrl-c ctrl-c kavtra.exe --no-window
run ctrl-break ctrl-break kavtra.exe --no-window
run close close kavtra.exe --no-window
run shutdown shutdown kavtra.exe --no-window
run logon-taskkill taskkill kavtra-window.exe --no-window
run window-shutdown shutdown kavtra-window.exe
