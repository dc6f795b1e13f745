#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
# Without KAVTRA_PORT it runs on the simulated port.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/deps.sh"
kavtra_install "${KAVTRA_BUILD_PACKAGES[@]}"
kavtra_compiler_cache
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DKAVTRA_TESTS=OFF -DKAVTRA_BENCH=OFF
cmake --build "$here/build" --target kavtra -j "$(kavtra_jobs)"
export KAVTRA_PORT="${KAVTRA_PORT:-sim}"
echo "run.sh: the program is $here/build/app/kavtra; to run kavtra from anywhere:" >&2
echo "  ln -sf $here/build/app/kavtra ~/.local/bin/kavtra   (~/.local/bin on your PATH)" >&2
exec "$here/build/app/kavtra" "$@"
