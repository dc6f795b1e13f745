#!/usr/bin/env bash
# The installer under Wine, as an administrator would use it:
#   installer_run.sh SETUP_EXE WINE_RUN WINE_PREFIX
# A silent install (/S) into C:\Program Files\Kavtra with its Start-menu
# shortcut and its entry among the installed programs; the installed program
# started once, which keeps its files in %APPDATA%\Kavtra; a silent uninstall,
# which leaves none of the program's files, the shortcut or the entry behind.
set -euo pipefail
if [ -z "${KAVTRA_XVFB_INNER:-}" ]; then
  export KAVTRA_XVFB_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
setup=$1 wine_run=$2 prefix=$3
export LC_ALL=C.UTF-8 KAVTRA_WINE_DISPLAY="$DISPLAY"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
wine() { "$wine_run" "$prefix" "$@"; }
# Everything started in the prefix has ended (an uninstaller runs a copy of
# itself and returns at once).
settle() { WINEPREFIX="$prefix" wineserver -w; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavtra'

drive="$prefix/drive_c"
wine cmd /c ver >/dev/null # creates the prefix on the first run
program="$drive/Program Files/Kavtra"
user_files="$drive/users/$(id -un)/AppData/Roaming/Kavtra"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Кавтра.lnk"
rm -rf "$program" "$user_files" "$shortcut"

wine "$setup" /S
settle
for file in kavtra.exe uninstall.exe qt.conf translations/qtbase_ru.qm docs/index.html licenses/Qt-LGPL-3.txt; do
  [ -f "$program/$file" ] || fail "not installed: $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
uninstall=$(wine reg query "$key" /v UninstallString | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$uninstall" = '"C:\Program Files\Kavtra\uninstall.exe"' ] || fail "uninstaller not registered: '$uninstall'"

# Started once from where it was installed: the files go to %APPDATA%.
(cd "$program" && KAVTRA_PORT=sim exec "$wine_run" "$prefix" 'C:\Program Files\Kavtra\kavtra.exe') &
pid=$!
wait_until 60 xdotool search --name '^Кавтра$' || fail "the installed program showed no window"
main=$(xdotool search --name '^Кавтра$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 100)) $((Y + 60)) click --repeat 2 --delay 80 1
wait_until 10 test -f "$user_files/Data.dat" || fail "no Data.dat in %APPDATA%\\Kavtra"
xdotool key --window "$main" alt+F4
wait_until 10 xdotool search --name '^Выход$' || fail "closing asked no question"
xdotool key Return
wait "$pid" || fail "the installed program ended with status $?"
for file in Data.dat config.ini; do
  [ ! -e "$program/$file" ] || fail "$file written beside the installed program"
done

wine 'C:\Program Files\Kavtra\uninstall.exe' /S
settle
[ ! -e "$program" ] || fail "left behind: $(cd "$program" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left"
[ -f "$user_files/Data.dat" ] || fail "the user's own files went with the program"
echo "installed, started (files in %APPDATA%\\Kavtra), uninstalled without a trace"
