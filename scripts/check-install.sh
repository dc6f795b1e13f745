#!/usr/bin/env bash
# Installs the program from a build tree into a temporary prefix, as a user
# would after ./scripts/run.sh, and checks the installed tree: the program and
# its link, the pages beside it, the desktop entry, the icons, the AppStream
# metadata, the manual page and the systemd user unit. Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_INSTALL_CHECK_PACKAGES[@]}"
build="$(cd "$1" && pwd)"

# run.sh builds the program alone; whatever install needs must come with it,
# the drawn icons included.
rm -f "$build/ui/resources/kavtra.png" "$build/ui/resources/kavtra.svg"
cmake --build "$build" --target kavtra -j "$(kavtra_jobs)" >/dev/null
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
  echo "install check: $*" >&2
  failures=$((failures + 1))
}
# Runs a validator; any output at all counts as a complaint.
quiet() {
  local out
  if ! out="$("$@" 2>&1)" || [ -n "$out" ]; then fail "$* says: ${out:-(non-zero exit)}"; fi
}

program="$(readlink -f "$prefix/bin/kavtra" || true)"
[ -L "$prefix/bin/kavtra" ] || fail "bin/kavtra is not a link"
case "$program" in
  "$prefix"/*/kavtra/kavtra) [ -f "$program" ] && [ -x "$program" ] || fail "bin/kavtra leads to no executable" ;;
  *) fail "bin/kavtra leads to $program, not to the program's own folder in the prefix" ;;
esac
for part in kavtra-window kavtra-no-window; do
  [ -x "$(dirname "$program")/$part" ] || fail "$part is missing beside the program"
done
for page in index.html device.html users.html authors.html style.css chain.svg option_frm.png about_frm.png; do
  [ -s "$(dirname "$program")/docs/$page" ] || fail "page $page is missing beside the program"
done

desktop="$prefix/share/applications/kavtra.desktop"
[ -f "$desktop" ] && quiet desktop-file-validate "$desktop" || fail "no valid desktop entry"
grep -qx 'Icon=kavtra' "$desktop" || fail "the desktop entry names another icon"

png="$prefix/share/icons/hicolor/48x48/apps/kavtra.png"
# The PNG signature, then the header's width and height (48 each).
[ "$(od -An -tx1 -N24 "$png" 2>/dev/null | tr -d ' \n')" = \
  "89504e470d0a1a0a0000000d4948445200000030""00000030" ] || fail "$png is not a 48x48 PNG"
svg="$prefix/share/icons/hicolor/scalable/apps/kavtra.svg"
rsvg-convert "$svg" -o "$prefix/icon-check.png" 2>/dev/null || fail "$svg does not render"

metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no AppStream metadata"
appstreamcli validate --no-net --pedantic "${metainfo[@]}" >/dev/null || fail "AppStream metadata does not validate"
grep -q '<launchable type="desktop-id">kavtra.desktop</launchable>' "${metainfo[@]}" ||
  fail "the AppStream metadata does not launch kavtra.desktop"

manual="$prefix/share/man/man1/kavtra.1"
[ -f "$manual" ] && quiet groff -k -man -Tutf8 -ww -z "$manual" || fail "no clean manual page"
for option in --help --version --set --toggle --all --rename --pulse --get --no-window \
  KAVTRA_PORT KAVTRA_PORT_TRACE XDG_DATA_HOME XDG_CONFIG_HOME config.ini Data.dat MQTT; do
  grep -q -- "${option//-/\\\\-}" "$manual" || grep -q -- "$option" "$manual" || fail "the manual page does not mention $option"
done
# Every option the program's help lists is in the manual page.
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "${option//-/\\\\-}" "$manual" || fail "the manual page does not mention $option of kavtra --help"
done

unit="$prefix/share/systemd/user/kavtra.service"
grep -qx "ExecStart=$prefix/bin/kavtra --no-window" "$unit" || fail "the user unit does not run the installed program"
# The manual page is looked up where it is installed, not here.
if command -v systemd-analyze >/dev/null; then quiet systemd-analyze verify --man=no "$unit"; fi

if [ "$failures" -ne 0 ]; then
  echo "install check: $failures failure(s)" >&2
  exit 1
fi
echo "install check: the installed tree in a temporary prefix is complete and valid"
