#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs
# every test: the Linux build (with the test on a real kernel driver under
# QEMU), the installed tree, short runs of the fuzz targets, then the whole
# program built for Windows, tested under Wine, packed, installed and
# uninstalled. Exits non-zero when anything fails.
set -euo pipefail
if [ "${1:-}" = --help ] || [ "${1:-}" = -h ]; then
  cat <<'TEXT'
Usage: scripts/test.sh

Installs what is missing (apt-get), then builds and tests everything:
  1. every source's layout checked with clang-format;
  2. the Linux build with warnings as errors, and every test (the kernel
     driver's under QEMU, the page's in headless Chromium, MQTT's against
     a local mosquitto);
  3. the installed tree, and short runs of the fuzz targets;
  4. the Windows build (MinGW-w64, static Qt), every test under Wine, the
     start and double click measured, the installer packed, installed,
     started and uninstalled under Wine.
Exits non-zero when anything fails.

It takes about 30 minutes on a new two-core machine (most of it installing
packages and the first builds) and about 15 minutes again with warm caches.
TEXT
  exit 0
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_BUILD_PACKAGES[@]}" "${KAVTRA_TEST_PACKAGES[@]}"
kavtra_compiler_cache
# QEMU's recommendations (its GUI, firmware, disk tools) serve no test here.
KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install "${KAVTRA_QEMU_PACKAGES[@]}"
# Every tracked source laid out as .clang-format says, before anything is built.
(cd "$here" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
build="$here/build-test"
kavtra_fetch_kernel "$build/qemu-kernel"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVTRA_WERROR=ON \
  -DKAVTRA_QEMU_KERNEL="$build/qemu-kernel"
cmake --build "$build" -j "$(kavtra_jobs)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(kavtra_jobs)"

# The program installed into a temporary prefix after building it alone, as
# after run.sh, and the installed tree checked.
"$here/scripts/check-install.sh" "$build"

# The fuzz targets (the INI reader and writer, the command socket's
# requests, the web server's requests), built so that they stay buildable,
# and run briefly.
"$here/scripts/fuzz.sh" 15

# Everything again for Windows, under Wine; it reuses build-test/ for the
# programs the Windows build runs on this machine.
"$here/scripts/test-windows.sh"
