#!/usr/bin/env bash
# Installs what is missing, makes Qt, libmosquitto and qrcodegen for Windows
# available (scripts/windows-qt.sh, scripts/windows-mosquitto.sh,
# scripts/windows-qrcodegen.sh), then builds the whole project for 64-bit Windows
# with MinGW-w64 and warnings as errors into build-windows/. The two programs
# the Windows build runs on this machine, write_icons (the icons are drawn at
# build time) and the Linux program the Windows one is compared with, are
# built in build-test/ when scripts/test.sh has configured it, or else in
# build-windows-host/. Exits non-zero when anything fails.
# Usage: scripts/build-windows.sh [BUILD_DIR [CMAKE_ARGS...]]: another build
# folder, and CMake options added after (and so taking precedence over) the
# usual ones, as bench/windows_benchmarks.sh uses it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_BUILD_PACKAGES[@]}"
kavtra_compiler_cache
kavtra_windows_setup

qt="$("$here/scripts/windows-qt.sh" | tail -n1)"
mosquitto="$("$here/scripts/windows-mosquitto.sh" | tail -n1)"
qrcodegen="$("$here/scripts/windows-qrcodegen.sh" | tail -n1)"

# The Linux test tree scripts/test.sh has built serves when it is there, so
# that a full run builds the Linux program once.
host="$here/build-test"
if [ ! -f "$host/CMakeCache.txt" ]; then
  host="$here/build-windows-host"
  cmake -S "$here" -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVTRA_WERROR=ON -DKAVTRA_TESTS=OFF -DKAVTRA_BENCH=OFF \
    -DKAVTRA_MQTT=OFF
fi
cmake --build "$host" -j "$(kavtra_jobs)" --target write_icons kavtra

build="${1:-$here/build-windows}"
shift $(($# > 0 ? 1 : 0))
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVTRA_WERROR=ON -DKAVTRA_UI=ON -DKAVTRA_BENCH=OFF \
  -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DKAVTRA_MOSQUITTO_PREFIX="$mosquitto" -DKAVTRA_QRCODEGEN_PREFIX="$qrcodegen" -DKAVTRA_HOST_BUILD="$host" "$@"
# The tests are listed by running them under Wine as they are linked; the prefix
# they run in is created first, so that no listing waits for it.
if grep -q '^KAVTRA_TESTS:BOOL=ON' "$build/CMakeCache.txt"; then "$here/cmake/wine-run.sh" "$build/wine-prefix"; fi
cmake --build "$build" -j "$(kavtra_jobs)"
