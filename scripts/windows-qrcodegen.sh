#!/usr/bin/env bash
# Makes the QR code library (qrcodegen 1.8.0, C++) for 64-bit Windows
# (MinGW-w64, static) available and prints its folder (include/qrcodegen/,
# lib/) on the last line of standard output, as Debian's libqrcodegencpp-dev
# lays it out. It is one source file: built from Debian's source package
# (the upstream tarball, checked by its SHA-256) in a few seconds, once, into
# ${XDG_CACHE_HOME:-$HOME/.cache}/kavtra/qrcodegen-mingw-1.8.0.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"

version=1.8.0
orig=qr-code-generator_$version.orig.tar.gz
orig_sha256=2ec0a4d33d6f521c942eeaf473d42d5fe139abcfa57d2beffe10c5cf7d34ae60
flags=(-O2 -std=c++17)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kavtra"
prefix="$cache/qrcodegen-mingw-$version"
stamp_text="source $orig_sha256 ${flags[*]}"

log() { echo "windows-qrcodegen: $*" >&2; }

installed() {
  [ -f "$prefix/lib/libqrcodegencpp.a" ] && [ -f "$prefix/include/qrcodegen/qrcodegen.hpp" ] &&
    [ "$(cat "$prefix/kavtra-stamp" 2>/dev/null)" = "$stamp_text" ]
}

build() {
  KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install dpkg-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 >&2
  local work="$prefix.build"
  rm -rf "$work" "$prefix.part"
  mkdir -p "$work" "$prefix.part/lib" "$prefix.part/include/qrcodegen"
  # Debian's packaging beside the tarball is not always served; the upstream
  # tarball, as it is, serves.
  kavtra_apt_source qr-code-generator "$work" || true
  [ -f "$work/$orig" ] || {
    log "Debian's source of qr-code-generator $version could not be downloaded"
    return 1
  }
  [ "$(sha256sum "$work/$orig" | cut -d' ' -f1)" = "$orig_sha256" ] || {
    log "$orig has another checksum than expected"
    return 1
  }
  tar -xzf "$work/$orig" -C "$work"
  local src="$work/QR-Code-generator-$version/cpp"
  x86_64-w64-mingw32-g++-posix "${flags[@]}" -c "$src/qrcodegen.cpp" -o "$work/qrcodegen.o"
  x86_64-w64-mingw32-ar rcs "$prefix.part/lib/libqrcodegencpp.a" "$work/qrcodegen.o"
  cp "$src/qrcodegen.hpp" "$prefix.part/include/qrcodegen/"
  echo "$stamp_text" >"$prefix.part/kavtra-stamp"
  rm -rf "$prefix"
  mv "$prefix.part" "$prefix"
  rm -rf "$work"
}

mkdir -p "$cache"
# One script at a time fills the cache.
exec 9>"$cache/qrcodegen-mingw.lock"
flock 9
if ! installed; then
  log "building qrcodegen $version for Windows from Debian's source"
  build
  installed || { log "qrcodegen for Windows is not complete in $prefix"; exit 1; }
fi
echo "$prefix"
