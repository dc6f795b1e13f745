# Sourced by the run and test scripts: installs the Debian packages named in
# "$@" that are not installed yet. apt-get update runs at most once per call,
# and only when something is missing, so a second run costs nothing.
# KAVTRA_APT_FLAGS adds options to the install (--no-install-recommends).
kavtra_install() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y ${KAVTRA_APT_FLAGS:-} "${missing[@]}"
}

# Builds go through a compiler cache, so that a second run, or another clone
# on the same machine, compiles only what changed. CMake takes the launcher
# when it first configures a build tree; paths inside the clone are cached
# relative to it.
kavtra_compiler_cache() {
  kavtra_install ccache
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  CCACHE_BASEDIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  export CCACHE_BASEDIR
}

# What building the program needs.
KAVTRA_BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libmosquitto-dev
  libqrcodegencpp-dev)
# What building and running the tests and benchmarks needs on top of that;
# the MQTT tests start a broker of their own (with a certificate made by
# openssl) and use its command-line tools; clang-format checks the layout;
# the schedules' tests name zones (Europe/Berlin) through TZ; the Windows
# program's web access is asked from Linux with curl; the web page is tested
# in a headless Chromium.
KAVTRA_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev mosquitto mosquitto-clients openssl chromium
  fonts-dejavu-core clang-format tzdata curl)
# What scripts/check-install.sh needs: the validators of the desktop entry,
# the AppStream metadata, the manual page and the SVG icon.
KAVTRA_INSTALL_CHECK_PACKAGES=(desktop-file-utils appstream groff-base librsvg2-bin)
# What scripts/fuzz.sh needs on top of those: clang and its libFuzzer.
KAVTRA_FUZZ_PACKAGES=(clang libclang-rt-dev)
# What building the program for Windows (with the host Qt's tools and
# translations), running it and its tests under Wine on an X server, and
# packaging it need. The MQTT tests under Wine use Linux's broker and openssl
# as the Linux tests do; the package takes libmosquitto's licence text from
# libmosquitto1's documentation.
KAVTRA_WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix googletest wine wine64 locales
  qt6-translations-l10n xvfb xauth xdotool nsis zip xz-utils fonts-dejavu-core mosquitto openssl libmosquitto1)
# What bench/measure_windows.sh needs on top of those: its clicker sends the
# clicks through XTEST and watches the files with inotify.
KAVTRA_WINDOWS_BENCH_PACKAGES=(python3 libx11-6 libxtst6)
# What tools/main_shot.sh needs: a virtual screen, a way to click, a screenshot.
KAVTRA_SHOT_PACKAGES=(xvfb xauth xdotool imagemagick)
# What the test on a real kernel driver needs: QEMU, and a static busybox and
# cpio for the initramfs of its virtual machine.
KAVTRA_QEMU_PACKAGES=(qemu-system-x86 busybox-static cpio)

# Unpacks the kernel and the parallel port modules of Debian's stock kernel
# package (the one linux-image-amd64 depends on) into "$1": boot/vmlinuz-*
# and lib/modules/. Does nothing when they are all there already.
KAVTRA_QEMU_MODULES=(parport parport_pc ppdev lp)
kavtra_fetch_kernel() {
  local dir="$1"
  local complete=yes module
  ls "$dir"/boot/vmlinuz-* >/dev/null 2>&1 || complete=no
  for module in "${KAVTRA_QEMU_MODULES[@]}"; do
    [ -n "$(find "$dir" -name "$module.ko*" 2>/dev/null)" ] || complete=no
  done
  [ "$complete" = yes ] && return 0

  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  local image
  image="$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')"
  local tmp
  tmp="$(mktemp -d)"
  # A package list that is missing or older than the mirror: update, once.
  if [ -z "$image" ] || ! (cd "$tmp" && apt-get download "$image"); then
    $sudo apt-get update
    image="$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')"
    if [ -z "$image" ]; then
      echo "The kernel package cannot be found: linux-image-amd64 names no linux-image package." >&2
      rm -rf "$tmp"
      return 1
    fi
    (cd "$tmp" && apt-get download "$image") || {
      echo "The kernel package $image cannot be downloaded (apt-get download failed)." >&2
      rm -rf "$tmp"
      return 1
    }
  fi
  local patterns=('*/boot/vmlinuz-*')
  for module in "${KAVTRA_QEMU_MODULES[@]}"; do patterns+=("*/$module.ko*"); done
  rm -rf "$dir.part"
  mkdir -p "$dir.part"
  dpkg-deb --fsys-tarfile "$tmp"/*.deb | tar -x -C "$dir.part" --wildcards "${patterns[@]}"
  rm -rf "$tmp" "$dir"
  mv "$dir.part" "$dir"
}

kavtra_jobs() { nproc 2>/dev/null || echo 2; }

# The Debian archive that the machine's own APT sources name (the first one,
# from deb822 URIs: lines or one-line deb entries), or nothing.
kavtra_apt_mirror() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    sed -e 's/#.*//' -e 's/\[[^]]*\]//' |
    awk '$1 == "URIs:" { for (i = 2; i <= NF; i++) print $i } $1 == "deb" || $1 == "deb-src" { print $2 }' |
    grep -m1 -E '^https?://.*/debian/?$' || true
}

# Downloads Debian's source package "$1" into the folder "$2" (without
# unpacking it); the deb-src line is added, for the Debian archive the
# machine's APT sources already use, when APT has none.
kavtra_apt_source() {
  local package=$1 dir=$2
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  (cd "$dir" && apt-get source --download-only "$package" >&2) && return 0
  local mirror
  mirror="$(kavtra_apt_mirror)"
  if [ -z "$mirror" ]; then
    echo "The source package $package cannot be downloaded: APT has no deb-src entry for it, and no APT source" \
      "of this machine names a Debian archive to add one for. Add a deb-src entry for your Debian mirror" \
      "to /etc/apt/sources.list.d/ and run again." >&2
    return 1
  fi
  echo "adding the Debian source packages of $mirror to APT" >&2
  printf 'Types: deb-src\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" | $sudo tee /etc/apt/sources.list.d/kavtra-deb-src.sources >/dev/null
  $sudo apt-get update >&2
  (cd "$dir" && apt-get source --download-only "$package" >&2)
}

# What cross-building for Windows and running the results under Wine need:
# the packages, and the Russian locale that Wine's tests run in.
kavtra_windows_setup() {
  # Wine's recommendations (GStreamer, Mesa, sound) serve desktops, not tests.
  KAVTRA_APT_FLAGS=--no-install-recommends kavtra_install "${KAVTRA_WINDOWS_PACKAGES[@]}"

  # The tests run Wine in the Russian locale; Wine takes the Unix side of its
  # character handling from the C library, which needs the locale generated.
  if ! locale -a | grep -qix 'ru_RU.utf8'; then
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    if grep -q '^# *ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
      $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    elif ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
      echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    fi
    $sudo locale-gen
  fi
}

# Prints the path of the prebuilt archive ../shared/toolchains/"$1"/"$2"
# beside the clone, or beside the main checkout when this is a git worktree
# (a worktree lies elsewhere; its main checkout has the same neighbours).
kavtra_toolchain_archive() {
  local folder=$1 name=$2 here roots common root
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  roots=("$here/..")
  if common="$(git -C "$here" rev-parse --path-format=absolute --git-common-dir 2>/dev/null)"; then
    roots+=("$(dirname "$common")/..")
  fi
  for root in "${roots[@]}"; do
    if [ -f "$root/shared/toolchains/$folder/$name" ]; then
      echo "$root/shared/toolchains/$folder/$name"
      return 0
    fi
  done
  return 1
}

# Unpacks the archive "$1", when its SHA-256 is "$2", into the folder "$3"
# (replacing it whole, never leaving half of it) and stamps it as made from
# that archive; further arguments go to tar.
kavtra_unpack_toolchain() {
  local archive=$1 sum=$2 prefix=$3
  shift 3
  if [ "$(sha256sum "$archive" | cut -d' ' -f1)" != "$sum" ]; then
    echo "$archive has another checksum than expected; not using it" >&2
    return 1
  fi
  echo "unpacking $archive" >&2
  rm -rf "$prefix.part"
  mkdir -p "$prefix.part"
  tar -xJf "$archive" -C "$prefix.part" "$@"
  echo "archive $sum" >"$prefix.part/kavtra-stamp"
  rm -rf "$prefix"
  mv "$prefix.part" "$prefix"
}
