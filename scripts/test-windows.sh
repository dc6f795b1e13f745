#!/usr/bin/env bash
# Builds the whole project for 64-bit Windows (scripts/build-windows.sh), runs
# every test under Wine in the Russian locale (the core's tests, the window's
# tests offscreen, kavtra.exe itself on an X server), then builds the
# installer and the zip (scripts/package-windows.sh) and installs, starts and
# uninstalls the program under Wine. Exits non-zero when anything fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
"$here/scripts/build-windows.sh"
build="$here/build-windows"
ctest --test-dir "$build" --output-on-failure -j "$(kavtra_jobs)"
"$here/scripts/package-windows.sh"
"$here/tests/windows/installer_run.sh" "$build"/packages/kavtra-*-setup.exe "$here/cmake/wine-run.sh" \
  "$build/wine-prefix-installer"
