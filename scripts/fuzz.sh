#!/usr/bin/env bash
# Installs clang, builds the fuzz target of the profile reader and writer with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/,
# and runs it for the given number of seconds (default 60). Findings land in
# build-fuzz/findings/ and end the run with a non-zero status.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_BUILD_PACKAGES[@]}" "${KAVTRA_TEST_PACKAGES[@]}" "${KAVTRA_FUZZ_PACKAGES[@]}"
build="$here/build-fuzz"
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DKAVTRA_UI=OFF -DKAVTRA_BENCH=OFF -DKAVTRA_FUZZ=ON
cmake --build "$build" --target profile_fuzz -j "$(kavtra_jobs)"
mkdir -p "$build/corpus" "$build/findings"
exec "$build/tests/persist/profile_fuzz" -max_total_time="${1:-60}" -timeout=10 -max_len=8192 \
  -dict="$here/tests/persist/profile_fuzz.dict" -artifact_prefix="$build/findings/" "$build/corpus"
