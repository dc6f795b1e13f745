#!/usr/bin/env bash
# Installs what is missing, builds the plain C++ core (port/, outputs/,
# persist/) for 64-bit Windows with MinGW-w64 and runs its tests under Wine.
# Exits non-zero when anything fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
# Wine's recommendations (fonts, sound, GStreamer, Mesa) serve desktops, not
# console test programs.
KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install "${KAVTRA_WINDOWS_PACKAGES[@]}"

# The tests run Wine in the Russian locale; Wine takes the Unix side of its
# character handling from the C library, which needs the locale generated.
if ! locale -a | grep -qix 'ru_RU.utf8'; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  if grep -q '^# *ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
    $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen
fi

build="$here/build-windows"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVTRA_WERROR=ON -DKAVTRA_UI=OFF -DKAVTRA_BENCH=OFF
cmake --build "$build" -j "$(kavtra_jobs)"
ctest --test-dir "$build" --output-on-failure -j "$(kavtra_jobs)"
