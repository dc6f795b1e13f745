# Sourced by the scripts that drive the Windows programs under Wine: runs the
# script again inside an X server of its own (Xvfb), which cmake/wine-run.sh
# gives the programs, and defines what they share.
if [ -z "${KAVTRA_XVFB_INNER:-}" ]; then
  export KAVTRA_XVFB_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
# xdotool matches Cyrillic titles only in a UTF-8 locale. The programs must
# draw on this screen, whatever platform the calling shell chose for Qt (the
# test command runs the Linux tests offscreen).
export LC_ALL=C.UTF-8 KAVTRA_WINE_DISPLAY="$DISPLAY"
unset QT_QPA_PLATFORM

# What a script starts in the background ends with it, passed or failed:
# a program left running would hold the test's output open, or answer the
# next run's start as the running copy. end_at_exit PID... names the
# processes; a script that starts Wine programs sets wine_prefix, whose
# Wine server then ends them all.
background=()
wine_prefix=""
end_at_exit() { background+=("$@"); }
end_background() {
  local pid
  for pid in "${background[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  if [ -n "$wine_prefix" ]; then WINEPREFIX="$wine_prefix" wineserver -k 2>/dev/null || true; fi
}
trap end_background EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# wait_until SECONDS COMMAND...: polls COMMAND every 20 ms.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.02
  done
}
# settled FILE: waits until FILE has stopped growing for 300 ms.
settled() {
  local size=-1
  while [ "$size" != "$(stat -c %s "$1")" ]; do
    size=$(stat -c %s "$1")
    sleep 0.3
  done
}
# window TITLE: the first shown window whose title matches TITLE (a regex).
window() { xdotool search --onlyvisible --name "$1" | head -n1 | grep .; }
# double_click_first_row WINDOW: in the first row's name.
double_click_first_row() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 100)) $((Y + 60)) click --repeat 2 --delay 80 1
}
# close_and_confirm WINDOW: Alt+F4, then "Да" in the question. Without a
# window manager nothing gives the question the focus, so it is given here.
close_and_confirm() {
  xdotool key --window "$1" alt+F4
  wait_until 10 window '^Выход$' || fail "closing asked no question"
  local question
  question=$(window '^Выход$')
  xdotool windowfocus --sync "$question" key --window "$question" Return
}
