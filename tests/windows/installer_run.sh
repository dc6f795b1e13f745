#!/usr/bin/env bash
# The installer under Wine, as an administrator would use it:
#   installer_run.sh SETUP_EXE WINE_RUN WINE_PREFIX
# A silent install (/S) into C:\Program Files\Kavtra with its Start-menu
# shortcut and its entry among the installed programs; the installed program
# started once, which keeps its files in %APPDATA%\Kavtra; a silent uninstall,
# which leaves none of the program's files, the shortcut or the entry behind.
# No start at logon, unless /LOGON=nowindow puts it in the Run key.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
setup=$1 wine_run=$2 prefix=$3
wine_prefix=$prefix
wine() { "$wine_run" "$prefix" "$@"; }
# Everything started in the prefix has ended (an uninstaller runs a copy of
# itself and returns at once).
settle() { WINEPREFIX="$prefix" wineserver -w; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavtra'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
logon_entry() { wine reg query "$run_key" /v Kavtra 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

drive="$prefix/drive_c"
wine cmd /c ver >/dev/null # creates the prefix on the first run
program="$drive/Program Files/Kavtra"
user_files="$drive/users/$(id -un)/AppData/Roaming/Kavtra"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Кавтра.lnk"
rm -rf "$program" "$user_files" "$shortcut"

wine "$setup" /S
settle
for file in kavtra.exe kavtra-window.exe uninstall.exe qt.conf translations/qtbase_ru.qm docs/index.html licenses/Qt-LGPL-3.txt; do
  [ -f "$program/$file" ] || fail "not installed: $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# The link names its target in UTF-16 among its other data.
iconv -f UTF-16LE -t UTF-8 -c <"$shortcut" 2>/dev/null | grep -qa 'kavtra-window\.exe' ||
  grep -qa 'kavtra-window\.exe' "$shortcut" || fail "the shortcut does not start kavtra-window.exe"
uninstall=$(wine reg query "$key" /v UninstallString | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$uninstall" = '"C:\Program Files\Kavtra\uninstall.exe"' ] || fail "uninstaller not registered: '$uninstall'"
[ -z "$(logon_entry)" ] || fail "a start at logon nobody asked for: $(logon_entry)"

# Started once from where it was installed: the files go to %APPDATA%.
(cd "$program" && KAVTRA_PORT=sim exec "$wine_run" "$prefix" 'C:\Program Files\Kavtra\kavtra-window.exe') &
pid=$!
end_at_exit "$pid"
wait_until 60 window '^Кавтра$' || fail "the installed program showed no window"
main=$(window '^Кавтра$')
double_click_first_row "$main"
wait_until 10 test -f "$user_files/Data.dat" || fail "no Data.dat in %APPDATA%\\Kavtra"
close_and_confirm "$main"
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

wine "$setup" /S /LOGON=nowindow
settle
[ "$(logon_entry)" = '"C:\Program Files\Kavtra\kavtra-window.exe" --no-window' ] || fail "logon: $(logon_entry)"
wine 'C:\Program Files\Kavtra\uninstall.exe' /S
settle
[ -z "$(logon_entry)" ] || fail "the logon entry is left: $(logon_entry)"
echo "installed, started (files in %APPDATA%\\Kavtra), uninstalled without a trace; the start at logon without a window, installed and removed"
