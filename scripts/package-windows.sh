#!/usr/bin/env bash
# Builds the program for Windows (scripts/build-windows.sh) and packs it, in
# build-windows/packages/:
#   kavtra-<version>-setup.exe          the installer (NSIS)
#   kavtra-<version>-windows-x64.zip    the same files in a folder Kavtra/, for
#                                       users who do not install
# KAVTRA_NSIS_COMPRESSOR=zlib packs the installer in seconds where LZMA
# (the default: the smallest installer) takes minutes on a busy machine; the
# tests use it. Exits non-zero when anything fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/build-windows.sh"
build="$here/build-windows"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
packages="$build/packages"
stage="$packages/Kavtra"
rm -rf "$packages"
mkdir -p "$packages"
cmake --install "$build" --prefix "$stage" --strip

# Qt and the MinGW runtime are linked into both programs; their licences
# travel with them.
mkdir -p "$stage/licenses"
cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime.txt"
sed 's/$/\r/' >"$stage/licenses/README.txt" <<TEXT
kavtra.exe and kavtra-window.exe contain Qt 6.4.2 (Core, Gui, Widgets,
Network; https://www.qt.io), linked statically, under the GNU Lesser General
Public License version 3 (Qt-LGPL-3.txt, which builds on GPL-3.txt). Qt's source is Debian's package
qt6-base 6.4.2. To run the program with another Qt, build it from its source
against that Qt, as the source's docs/dev/windows-build.md says ("Building
it yourself on Windows").
They also contain the MinGW-w64 runtime (mingw-w64.txt) and GCC's C and C++
runtime libraries, under the GCC Runtime Library Exception (gcc-runtime.txt).
TEXT
# The MQTT link brings libmosquitto and OpenSSL into both programs.
if grep -q '^KAVTRA_MQTT:BOOL=ON' "$build/CMakeCache.txt"; then
  cp /usr/share/doc/libmosquitto1/copyright "$stage/licenses/mosquitto.txt"
  cp /usr/share/common-licenses/Apache-2.0 "$stage/licenses/OpenSSL-Apache-2.0.txt"
  sed 's/$/\r/' >>"$stage/licenses/README.txt" <<TEXT
For MQTT they contain libmosquitto 2.0.11 (https://mosquitto.org), linked
statically, under the Eclipse Public License 2.0 or, at your choice, the
Eclipse Distribution License 1.0 (mosquitto.txt holds both), and OpenSSL
3.0 (https://www.openssl.org), linked statically, under the Apache License
2.0 (OpenSSL-Apache-2.0.txt). Their sources are Debian's packages mosquitto
and openssl.
TEXT
fi

# The uninstaller removes exactly what was installed.
list="$packages/uninstall-files.nsh"
(
  cd "$stage"
  find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) >"$list"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DCOMPRESSOR="${KAVTRA_NSIS_COMPRESSOR:-lzma}" -DSTAGE="$stage" -DUNINSTALL_LIST="$list" \
  -DICON="$build/ui/resources/kavtra.ico" -DOUTFILE="$packages/kavtra-$version-setup.exe" \
  "$here/packaging/windows/kavtra.nsi"
(cd "$packages" && zip -qr -X "kavtra-$version-windows-x64.zip" Kavtra)
ls -l "$packages"/kavtra-"$version"-*
