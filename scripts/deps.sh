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

# What building the program needs.
KAVTRA_BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-translations-l10n libgl-dev)
# What building and running the tests and benchmarks needs on top of that.
KAVTRA_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev)
# What scripts/fuzz.sh needs on top of those: clang and its libFuzzer.
KAVTRA_FUZZ_PACKAGES=(clang libclang-rt-dev)
# What building the core for Windows and running its tests under Wine needs.
KAVTRA_WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix googletest wine wine64 locales)

kavtra_jobs() { nproc 2>/dev/null || echo 2; }
