#!/usr/bin/env bash
# Windows, under Wine in the Russian locale. Exits non-zero when anything fails.
#   scripts/test-windows.sh core   the plain C++ core (port/, outputs/,
#                                  persist/, the command protocol) built for
#                                  Windows and its tests run under Wine
#   scripts/test-windows.sh        the whole project (scripts/build-windows.sh):
#                                  every test under Wine (the core's, the
#                                  window's offscreen, both programs on an X
#                                  server), then the installer and the zip
#                                  (scripts/package-windows.sh), installed,
#                                  started and uninstalled under Wine
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"

if [ "${1:-}" = core ]; then
  kavtra_install cmake make
  kavtra_windows_setup
  build="$here/build-windows-core"
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVTRA_WERROR=ON -DKAVTRA_UI=OFF -DKAVTRA_BENCH=OFF
  cmake --build "$build" -j "$(kavtra_jobs)"
  ctest --test-dir "$build" --output-on-failure -j "$(kavtra_jobs)"
  exit 0
fi

"$here/scripts/build-windows.sh"
build="$here/build-windows"
ctest --test-dir "$build" --output-on-failure -j "$(kavtra_jobs)"
# The installer under test is packed with zlib: the same contents, in seconds.
KAVTRA_NSIS_COMPRESSOR=zlib "$here/scripts/package-windows.sh"
"$here/tests/windows/installer_run.sh" "$build"/packages/kavtra-*-setup.exe "$here/cmake/wine-run.sh" \
  "$build/wine-prefix-installer"
