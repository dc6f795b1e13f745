#!/usr/bin/env bash
# Takes the picture of the main window and the simulated board that the README
# and the user guide show (docs/screenshot-main.png): the program on the
# simulated port under Xvfb (no window manager, so no frames), in a directory
# of its own with outputs 3 and 6 off.
# Usage: tools/main_shot.sh [path/to/kavtra] [picture.png]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$(realpath "${1:-$here/build/app/kavtra}")"
picture="$(realpath -m "${2:-$here/docs/screenshot-main.png}")"
if [ -z "${KAVTRA_SHOT_INNER:-}" ]; then
  source "$here/scripts/deps.sh"
  kavtra_install "${KAVTRA_SHOT_PACKAGES[@]}"
  export KAVTRA_SHOT_INNER=1
  exec xvfb-run -a -s "-screen 0 960x710x24" "$0" "$program" "$picture"
fi
# A directory of a fixed name: the status bar shows it.
work="${TMPDIR:-/tmp}/kavtra"
rm -rf "$work"
mkdir -p "$work"
# The window's program lies beside the one users start.
cp "$program" "$(dirname "$program")/kavtra-window" "$work/"
printf '[FormPosition]\r\nx=105\r\ny=105\r\n' >"$work/config.ini"
printf '[Devais_3]\r\nValue=1\r\n[Devais_6]\r\nValue=1\r\n' >"$work/Data.dat"
KAVTRA_PORT=sim "$work/$(basename "$program")" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
until xdotool search --onlyvisible --name 'имитатор платы$' >/dev/null 2>&1; do sleep 0.05; done
# Row 6 selected, as after a click on it; then the board's pulse rates settle.
xdotool mousemove 100 143 click 1
sleep 2.5
import -window root "$picture"
