#!/usr/bin/env bash
# Boots Debian's stock kernel under QEMU (TCG) with an initramfs of busybox,
# the parallel port modules and the static test driver, then checks QEMU's
# trace of the emulated port and the guest's console on the host.
#
#   run_qemu_test.sh GUEST_DRIVER TRACE_CHECK KERNEL_DIR WORK_DIR
#
# KERNEL_DIR holds the kernel package's boot/ and lib/modules/ (see
# kavtra_fetch_kernel in scripts/deps.sh).
set -euo pipefail
guest="$1" checker="$2" kernel_dir="$3" work="$4"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/deps.sh"

fail() { echo "qemu test: $*" >&2; exit 1; }

vmlinuz="$(ls "$kernel_dir"/boot/vmlinuz-* 2>/dev/null | head -n 1)"
[ -n "$vmlinuz" ] || fail "no kernel in $kernel_dir/boot"
busybox=/bin/busybox
[ -x "$busybox" ] || fail "$busybox is missing (package busybox-static)"
readelf -l "$busybox" | grep -q 'program interpreter' && fail "$busybox is not static (package busybox-static)"
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing (package qemu-system-x86)"

rm -rf "$work"
mkdir -p "$work/root/bin" "$work/root/lib" "$work/root/proc" "$work/root/sys" "$work/root/dev"
cp "$busybox" "$work/root/bin/busybox"
cp "$guest" "$work/root/bin/kavtra-guest"
cp "$here/guest_init.sh" "$work/root/init"
chmod +x "$work/root/init"
for module in "${KAVTRA_QEMU_MODULES[@]}"; do
  found="$(find "$kernel_dir/lib/modules" -name "$module.ko*" | head -n 1)"
  [ -n "$found" ] || fail "module $module is not in $kernel_dir"
  case "$found" in
    *.ko) cp "$found" "$work/root/lib/$module.ko" ;;
    *.ko.xz) xz -dc "$found" > "$work/root/lib/$module.ko" ;;
    *.ko.zst) zstd -qdc "$found" > "$work/root/lib/$module.ko" ;;
    *) fail "cannot unpack $found" ;;
  esac
done
(cd "$work/root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"

# No KVM here: TCG. The port is QEMU's ISA parallel port at 0x378, IRQ 7,
# its output going nowhere; its register writes go to the trace.
timeout 300 qemu-system-x86_64 -nodefaults -machine pc -accel tcg -m 256 -display none -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initrd.gz" -append "console=ttyS0 panic=-1 quiet" \
  -serial "file:$work/console.log" \
  -chardev null,id=lpt -device isa-parallel,chardev=lpt \
  -trace "parallel_ioport_write,file=$work/trace.log" \
  || fail "QEMU failed (exit $?)"

grep '^KAVTRA' "$work/console.log" | grep -v '^KAVTRA failure' || true
exec "$checker" "$work/trace.log" "$work/console.log"
