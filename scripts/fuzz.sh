#!/usr/bin/env bash
# Installs clang, builds the fuzz targets with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, and runs each for the given number
# of seconds (default 60): the profile reader and writer, the command
# socket's requests, and the web server's requests. `fuzz.sh SECONDS TARGET`
# runs one of them. Findings land in build-fuzz/findings/ and end the run with
# a non-zero status.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_BUILD_PACKAGES[@]}" "${KAVTRA_TEST_PACKAGES[@]}" "${KAVTRA_FUZZ_PACKAGES[@]}"
kavtra_compiler_cache
build="$here/build-fuzz"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(profile_fuzz request_fuzz http_fuzz)
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DKAVTRA_UI=OFF -DKAVTRA_BENCH=OFF -DKAVTRA_FUZZ=ON
cmake --build "$build" --target "${targets[@]}" -j "$(kavtra_jobs)"
declare -A sources=([profile_fuzz]=persist/profile_fuzz [request_fuzz]=control/request_fuzz [http_fuzz]=web/http_fuzz)
for target in "${targets[@]}"; do
  source_base="${sources[$target]}"
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  "$build/tests/$source_base" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
    -dict="$here/tests/$source_base.dict" -artifact_prefix="$build/findings/$target/" "$build/corpus/$target"
done
