#!/bin/sh
# Runs a Windows program under Wine for the tests: WINE-PREFIX-DIR PROGRAM ARGS...
# With no program, only creates the prefix (a build does so before its tests'
# discovery, whose timeout a prefix's first creation on a busy machine can pass).
# Headless (unless KAVTRA_WINE_DISPLAY names a screen) and quiet, in a prefix of its own that the first caller creates,
# and in the Russian locale, whose ANSI code page is Windows-1251: the native
# profile functions the tests compare with convert through that code page.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts while a prefix is created.
export WINEDLLOVERRIDES="mscoree=;mshtml="
export LC_ALL=ru_RU.UTF-8
unset DISPLAY WAYLAND_DISPLAY
# Programs that need a screen are given one (an Xvfb) here.
if [ -n "${KAVTRA_WINE_DISPLAY:-}" ]; then export DISPLAY="$KAVTRA_WINE_DISPLAY"; fi
mkdir -p "$prefix"
# Parallel tests would otherwise each start creating the same prefix.
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wine wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$prefix.lock"
[ $# -gt 0 ] || exit 0
exec wine "$@"
