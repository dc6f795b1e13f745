#!/usr/bin/env bash
# Makes libmosquitto 2.0.11 and OpenSSL 3.0 for 64-bit Windows (MinGW-w64,
# static) available and prints their common folder (include/, lib/) on the
# last line of standard output. In order:
#   1. the copy installed earlier in the cache folder, when its stamp is there;
#   2. else the prebuilt archive beside the clone,
#      ../shared/toolchains/mosquitto-mingw/ (or beside the main checkout when
#      this is a git worktree), unpacked into the cache folder once its
#      checksum is right;
#   3. else both built from Debian's source packages (about 5 minutes on two
#      cores), installed into the cache folder.
# The cache folder is ${XDG_CACHE_HOME:-$HOME/.cache}/kavtra/mosquitto-mingw-2.0.11,
# beside Qt's, outside the clone. KAVTRA_MOSQUITTO_FROM_SOURCE=1 skips the archive.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"

mosquitto_version=2.0.11
archive_name=mosquitto-$mosquitto_version-openssl-3.0.22-mingw-w64-static.tar.xz
archive_sha256=baa43527a80094df417c49a2df5dcb674c0074fdc56597c6aedba915f78e220a
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kavtra"
prefix="$cache/mosquitto-mingw-$mosquitto_version"
stamp="$prefix/kavtra-stamp"

log() { echo "windows-mosquitto: $*" >&2; }

# What the libraries are built with from source; the stamp of such a build
# records their checksum, so a changed recipe builds again.
openssl_options=(mingw64 no-shared no-tests --cross-compile-prefix=x86_64-w64-mingw32- CC=gcc-posix --libdir=lib)
mosquitto_options=(
  -DCMAKE_BUILD_TYPE=Release -DWITH_STATIC_LIBRARIES=ON -DWITH_TLS=ON -DOPENSSL_USE_STATIC_LIBS=ON
  -DWITH_THREADING=ON -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF
  -DDOCUMENTATION=OFF -DWITH_LIB_CPP=OFF -DWITH_CJSON=OFF -DWITH_SRV=OFF
)
recipe_sum="$(printf '%s\n' "$mosquitto_version" "${openssl_options[@]}" "${mosquitto_options[@]}" |
  sha256sum | cut -c1-16)"

installed() {
  [ -f "$stamp" ] && [ -f "$prefix/lib/libmosquitto.a" ] && [ -f "$prefix/lib/libssl.a" ] &&
    [ -f "$prefix/include/mosquitto.h" ] || return 1
  case "$(cat "$stamp")" in
    "archive $archive_sha256" | "source $recipe_sum") return 0 ;;
  esac
  return 1
}

build_openssl() {
  local work=$1 dest=$2
  kavtra_apt_source openssl "$work"
  # The security update's .dsc is not always served beside its tarball: the
  # upstream tarball, as it is, serves.
  local orig
  orig="$(ls "$work"/openssl_3.0.*.orig.tar.gz | sort -V | tail -n1)"
  tar -xzf "$orig" -C "$work"
  local src
  src="$(find "$work" -maxdepth 1 -type d -name 'openssl-3.0.*' | sort -V | tail -n1)"
  (cd "$src" && ./Configure "${openssl_options[@]}" --prefix="$dest" >&2 &&
    make -j "$(kavtra_jobs)" >&2 && make install_sw >&2)
}

build_mosquitto() {
  local work=$1 dest=$2
  kavtra_apt_source mosquitto "$work"
  (cd "$work" && dpkg-source -x --skip-patches mosquitto_"$mosquitto_version"*.dsc mosquitto-src >&2)
  local src="$work/mosquitto-src"
  # Its threading block points Windows at a pthreads-win32 build under
  # C:\pthreads; MinGW's own winpthreads serve instead.
  sed -i '/WITH_THREADING/,/pthreads/ s/if *( *WIN32 *)/if (WIN32 AND NOT MINGW)/' "$src/CMakeLists.txt"
  grep -q 'if (WIN32 AND NOT MINGW)' "$src/CMakeLists.txt" || {
    log "mosquitto's CMakeLists.txt has no threading block to change"
    return 1
  }
  cat >"$work/tc.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $dest)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
  cmake -S "$src" -B "$work/mb" -DCMAKE_TOOLCHAIN_FILE="$work/tc.cmake" -DOPENSSL_ROOT_DIR="$dest" \
    "${mosquitto_options[@]}" >&2
  # The shared library beside it would not link against the static OpenSSL,
  # and is not needed.
  cmake --build "$work/mb" --target libmosquitto_static -j "$(kavtra_jobs)" >&2
  cp "$(find "$work/mb" -name libmosquitto_static.a | head -n1)" "$dest/lib/libmosquitto.a"
  cp "$src/include/mosquitto.h" "$src/include/mqtt_protocol.h" "$dest/include/"
}

build_from_source() {
  KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install \
    cmake make perl dpkg-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 >&2
  local work="$cache/mosquitto-mingw-$mosquitto_version.build"
  rm -rf "$work" "$prefix.part"
  mkdir -p "$work/openssl" "$work/mosquitto" "$prefix.part"
  local started=$SECONDS
  build_openssl "$work/openssl" "$prefix.part"
  build_mosquitto "$work/mosquitto" "$prefix.part"
  log "OpenSSL and libmosquitto built in $((SECONDS - started)) s"
  echo "source $recipe_sum" >"$prefix.part/kavtra-stamp"
  rm -rf "$prefix"
  mv "$prefix.part" "$prefix"
  rm -rf "$work"
}

mkdir -p "$cache"
# One script at a time fills the cache.
exec 9>"$cache/mosquitto-mingw.lock"
flock 9
if ! installed; then
  archive=""
  if [ -z "${KAVTRA_MOSQUITTO_FROM_SOURCE:-}" ]; then archive="$(kavtra_toolchain_archive mosquitto-mingw "$archive_name" || true)"; fi
  if [ -z "$archive" ] || ! kavtra_unpack_toolchain "$archive" "$archive_sha256" "$prefix"; then
    log "no prebuilt libmosquitto for Windows; building it from Debian's source (about 5 minutes on two cores)"
    build_from_source
  fi
  installed || { log "libmosquitto for Windows is not complete in $prefix"; exit 1; }
fi
echo "$prefix"
