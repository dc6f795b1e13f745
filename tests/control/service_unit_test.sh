#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the systemd user unit
# there: it runs the installed program without a window, and systemd (when
# the machine has it) accepts the file.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
unit="$prefix/share/systemd/user/kavtra.service"
exec_line="$(grep '^ExecStart=' "$unit")"
[ "$exec_line" = "ExecStart=$prefix/bin/kavtra --no-window" ] || { echo "wrong $exec_line" >&2; exit 1; }
[ -x "$prefix/bin/kavtra" ] && [ -x "$prefix/lib/kavtra/kavtra-window" ] || { echo "programs missing" >&2; exit 1; }
if command -v systemd-analyze >/dev/null; then
  # The manual page is checked where it is installed, not here.
  systemd-analyze verify --man=no "$unit"
fi
