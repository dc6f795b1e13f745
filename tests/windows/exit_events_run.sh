#!/usr/bin/env bash
# The exit sequence of both Windows programs when something outside asks them
# to end, under Wine on an X server of its own, against the Linux programs
# ending on SIGTERM:
#   exit_events_run.sh WINE_RUN WINE_PREFIX WINDOWS_PROGRAM_DIR LINUX_PROGRAM WORK_DIR EXIT_REQUEST_EXE
# kavtra.exe --no-window on Ctrl+C, Ctrl+Break, its console closed, a logoff
# and a shutdown (wineboot --end-session); kavtra-window.exe --no-window (the
# start at logon) on taskkill; kavtra-window.exe at a logoff and a shutdown.
# None ends at a logoff that another program refused; each ends by itself
# with status 0, and its trace is the Linux program's line for line (the
# start, the exit policy's transfer, the data lines released): the sequence
# ran once, and nobody answered a question.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
wine_run=$1 prefix=$2 windows_dir=$3 linux_program=$4 work=$5 exit_request=$6
wine_prefix=$prefix
# All off at the start and all on at the exit, so that the exit's transfer
# is the exit policy's.
settings() { printf '[Configs]\r\nTimeUpdate=3600000\r\nValLoad=2\r\nValUnload=1\r\n' >"$1/config.ini"; }
rm -rf "$work"

# linux NAME ARGS...: the Linux program from its start to its exit on SIGTERM.
linux() {
  local dir="$work/linux-$1"
  shift
  mkdir -p "$dir"
  cp "$linux_program" "$(dirname "$linux_program")"/kavtra-{window,no-window} "$dir/"
  settings "$dir"
  KAVTRA_PORT=sim KAVTRA_PORT_TRACE="$dir/trace.txt" "$dir/kavtra" "$@" 2>/dev/null &
  local pid=$!
  end_at_exit "$pid"
  wait_until 20 test -s "$dir/trace.txt" || fail "the Linux program $* wrote no trace"
  settled "$dir/trace.txt"
  kill -TERM "$pid"
  wait "$pid" || fail "the Linux program $* ended with status $? on SIGTERM"
}

# windows NAME EVENT PROGRAM ARGS...: the Windows program, asked by EVENT:
# one of exit_request.exe's, or shutdown or taskkill.
windows() {
  local name=$1 event=$2 dir="$work/$1" without=no-window
  shift 2
  [[ " $* " == *" --no-window "* ]] || without=window
  mkdir -p "$dir"
  cp -r "$windows_dir"/{kavtra.exe,kavtra-window.exe,qt.conf,translations} "$exit_request" "$dir/"
  settings "$dir"
  # A window is ready when it is shown, the rest when its start's trace has
  # settled.
  local ready=trace.txt asks=$event
  [ $without = no-window ] || ready=shown.txt
  [[ $event != @(shutdown|taskkill) ]] || asks=none
  (cd "$dir" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${dir//\//\\}\\trace.txt" \
    exec "$wine_run" "$prefix" "$(basename "$exit_request")" "$asks" \
    "Z:${dir//\//\\}\\$ready" "$@" >"$dir/said.txt") &
  local pid=$! status=0
  end_at_exit "$pid"
  wait_until 60 test -s "$dir/trace.txt" || fail "$name: no trace"
  settled "$dir/trace.txt"
  if [ $ready = shown.txt ]; then
    wait_until 20 window '^Кавтра$' || fail "$name: no window"
    echo shown >"$dir/shown.txt"
  fi
  case $event in
  shutdown) "$wine_run" "$prefix" wineboot --end-session --shutdown || fail "$name: wineboot ended with status $?" ;;
  taskkill) "$wine_run" "$prefix" taskkill /IM "$1" >/dev/null || fail "$name: taskkill ended with status $?" ;;
  esac
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "$name: ended with status $status ($(tr -d '\r' <"$dir/said.txt"))"
  ! window '^Выход$' || fail "$name: the exit question was shown"
  cmp "$work/linux-$without/trace.txt" "$dir/trace.txt" || fail "$name: the trace differs from the Linux program's"
  local said
  said=$(tr -d '\r' <"$dir/said.txt" | paste -sd';' | sed 's/;/; /g')
  echo "$name: ${said:+$said; }status 0, $(wc -l <"$dir/trace.txt") accesses as on Linux"
}

linux no-window --no-window
linux window
windows ctrl-c ctrl-c kavtra.exe --no-window
windows ctrl-break ctrl-break kavtra.exe --no-window
windows close close kavtra.exe --no-window
windows logoff logoff kavtra.exe --no-window
windows shutdown shutdown kavtra.exe --no-window
windows logon-taskkill taskkill kavtra-window.exe --no-window
windows window-logoff logoff kavtra-window.exe
windows window-shutdown shutdown kavtra-window.exe
