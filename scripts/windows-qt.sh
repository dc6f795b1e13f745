#!/usr/bin/env bash
# Makes Qt 6.4.2 for 64-bit Windows (MinGW-w64, static) available and prints
# its folder on the last line of standard output. In order:
#   1. the copy installed earlier in the cache folder, when its stamp is there;
#   2. else the prebuilt archive beside the clone, ../shared/toolchains/qt6-mingw/
#      (or beside the main checkout when this is a git worktree), unpacked into
#      the cache folder once its checksum is right;
#   3. else Qt built from Debian's source package qt6-base (about 35 minutes on
#      two cores), installed into the cache folder.
# The cache folder is ${XDG_CACHE_HOME:-$HOME/.cache}/kavtra/qt6-mingw-6.4.2,
# outside the clone, so a new clone or a cleaned build reuses it.
# KAVTRA_QT_FROM_SOURCE=1 skips the archive; KAVTRA_QT_CONFIGURE_ONLY=1 stops a
# build from source after Qt's configure step (to check the recipe quickly).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"

qt_version=6.4.2
# Built by this recipe as it stands, the raster patch included (its source
# stamp a6347845993d1013); the name and the checksum change together.
archive_name=qt-$qt_version-mingw-w64-static-raster.tar.xz
archive_sha256=3e59f5267c79995d9f43be79cf2350ad218950ab28aa5ff1f8bb55e91904da70
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kavtra"
prefix="$cache/qt6-mingw-$qt_version"
stamp="$prefix/kavtra-stamp"

log() { echo "windows-qt: $*" >&2; }

# The options Qt is built with from source; the stamp of such a build records
# their checksum, so a changed recipe builds again.
qt_features=(
  -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  # Debian's +dfsg source has no src/3rdparty/wintab, and in 6.4.2 OpenGL off
  # on Windows needs dynamicgl off as well.
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_icu=OFF -DINPUT_openssl=no
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_jpeg=OFF
)
# Changes to Qt's own source, applied before it is configured. The program's
# windows draw with the raster engine; Qt 6.4.2 still asks Direct3D 9 for the
# GPU at the first window of every process, to place OpenGL windows on the
# screen of a suitable GPU. That costs the start little on Windows and most of
# it under Wine, where Direct3D runs on an OpenGL context of its own.
qt_patches=("$here/scripts/windows-qt-raster-windows.patch")
recipe_sum="$( (printf '%s\n' "$qt_version" "${qt_features[@]}" && cat "${qt_patches[@]}") | sha256sum | cut -c1-16)"

installed() {
  [ -f "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] || return 1
  case "$(cat "$stamp")" in
    "archive $archive_sha256" | "source $recipe_sum") return 0 ;;
  esac
  return 1
}

# Debian's source of the same Qt version as the host tools.
fetch_source() {
  local dir=$1
  kavtra_apt_source qt6-base "$dir"
  local orig
  orig="$(ls "$dir"/qt6-base_"$qt_version"*.orig.tar.xz 2>/dev/null)" || {
    log "Debian's qt6-base is not version $qt_version, the version of the host Qt tools this build needs"
    return 1
  }
  tar -xJf "$orig" -C "$dir"
  local patch
  for patch in "${qt_patches[@]}"; do
    patch -d "$dir/qtbase-everywhere-src-$qt_version" -p1 --forward <"$patch" >&2
  done
}

build_from_source() {
  KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install \
    ninja-build cmake g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools xz-utils patch >&2
  local work="$cache/qt6-mingw-$qt_version.build"
  rm -rf "$work"
  mkdir -p "$work"
  fetch_source "$work"
  # The project's toolchain without its -static linker flags: Qt's own
  # configure tests and tools are built as ordinary MinGW programs.
  grep -v -- '-static' "$here/cmake/mingw-w64-x86_64.cmake" >"$work/mingw.cmake"
  local started=$SECONDS
  cmake -S "$work/qtbase-everywhere-src-$qt_version" -B "$work/b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_features[@]}" -DCMAKE_INSTALL_PREFIX="$prefix.part" >&2
  log "Qt configured in $((SECONDS - started)) s"
  if [ -n "${KAVTRA_QT_CONFIGURE_ONLY:-}" ]; then
    return 0
  fi
  rm -rf "$prefix.part"
  cmake --build "$work/b" --parallel "$(kavtra_jobs)" >&2
  cmake --install "$work/b" >&2
  log "Qt built and installed in $((SECONDS - started)) s"
  echo "source $recipe_sum" >"$prefix.part/kavtra-stamp"
  rm -rf "$prefix"
  mv "$prefix.part" "$prefix"
  rm -rf "$work"
}

mkdir -p "$cache"
# One script at a time fills the cache.
exec 9>"$cache/qt6-mingw.lock"
flock 9
if ! installed; then
  archive=""
  if [ -z "${KAVTRA_QT_FROM_SOURCE:-}" ]; then archive="$(kavtra_toolchain_archive qt6-mingw "$archive_name" || true)"; fi
  if [ -z "$archive" ] || ! kavtra_unpack_toolchain "$archive" "$archive_sha256" "$prefix" --strip-components=1; then
    log "no prebuilt Qt for Windows; building it from Debian's source (about 35 minutes on two cores)"
    build_from_source
    if [ -n "${KAVTRA_QT_CONFIGURE_ONLY:-}" ]; then exit 0; fi
  fi
  installed || { log "Qt for Windows is not complete in $prefix"; exit 1; }
fi
echo "$prefix"
