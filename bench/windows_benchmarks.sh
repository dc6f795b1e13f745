#!/usr/bin/env bash
# Builds the Google Benchmark programs for Windows and runs them under Wine:
# Google Benchmark from Debian's source package, cross-built with MinGW-w64
# once into build-windows-bench/benchmark (Debian builds it for Linux only),
# then the benchmarks by scripts/build-windows.sh into
# build-windows-bench/kavtra, run on Qt's offscreen platform. Not part of the
# tests.
# Usage: bench/windows_benchmarks.sh [BENCHMARK_OPTIONS...]
#   e.g. --benchmark_filter=Toggle --benchmark_repetitions=5
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_compiler_cache
kavtra_windows_setup
out="$here/build-windows-bench"
benchmark="$out/benchmark"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

if [ ! -f "$benchmark/lib/cmake/benchmark/benchmarkConfig.cmake" ]; then
  src="$out/src"
  rm -rf "$src"
  mkdir -p "$src"
  kavtra_apt_source benchmark "$src"
  tar -xzf "$src"/benchmark_*.orig.tar.gz -C "$src"
  cmake -S "$(ls -d "$src"/benchmark-*/)" -B "$src/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBENCHMARK_ENABLE_TESTING=OFF \
    -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_INSTALL_DOCS=OFF \
    -DCMAKE_INSTALL_PREFIX="$benchmark"
  cmake --build "$src/build" -j "$(kavtra_jobs)"
  cmake --install "$src/build"
fi

build="$out/kavtra"
"$here/scripts/build-windows.sh" "$build" -DKAVTRA_TESTS=OFF -DKAVTRA_BENCH=ON \
  -Dbenchmark_DIR="$benchmark/lib/cmake/benchmark"
failed=0
for program in bench_transfer bench_window bench_profile; do
  echo "== $program (Wine $(wine --version 2>/dev/null))"
  QT_QPA_PLATFORM=offscreen "$here/cmake/wine-run.sh" "$out/wine-prefix" "$build/bench/$program.exe" "$@" || {
    echo "$program ended with status $?" >&2
    failed=1
  }
done
exit $failed
