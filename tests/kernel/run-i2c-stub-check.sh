#!/usr/bin/env bash
# The real-kernel check: Debian's kernel under qemu with i2c-dev and i2c-stub,
# and the check program built from our library. Passes when the serial
# console shows the check's PASS line; prints the boot-to-result time.
# Usage: run-i2c-stub-check.sh CHECK_PROGRAM WORK_DIR [PELMOR]
# With PELMOR, the check also runs its `read` and `write` commands.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 work=$2 pelmor=${3:-}
mkdir -p "$work"

for tool in qemu-system-x86_64 xz; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done
# The newest installed kernel that has the stub.
version=
for candidate in $(ls /boot/vmlinuz-* 2>/dev/null | sed 's|/boot/vmlinuz-||' | sort -V); do
  [[ -n $(find "/lib/modules/$candidate" -name 'i2c-stub.ko*' 2>/dev/null) ]] && version=$candidate
done
[[ -n "$version" ]] || { echo "no kernel with i2c-stub: run scripts/install-deps.sh" >&2; exit 1; }

"$here/extract-vmlinux.sh" "/boot/vmlinuz-$version" "$work/vmlinux-$version"
"$here/make-initramfs.sh" --output "$work/initramfs.cpio" --guest-script "$here/i2c-stub-guest.sh" \
  --kernel-version "$version" --module i2c-dev --module i2c-stub --module sbs-battery \
  "$program" ${pelmor:+"$pelmor"}

log=$work/console.log
rm -f "$log"
start=$(date +%s.%N)
"$here/boot-qemu.sh" "$work/vmlinux-$version" "$work/initramfs.cpio" "$log" 120 || true
end=$(date +%s.%N)
tr -d '\r' <"$log" >"$log.txt"
cat "$log.txt"
result=$(grep -E '^PELMOR KERNEL CHECK: ' "$log.txt" | tail -n 1 || true)
awk -v v="$version" -v s="$start" -v e="$end" \
  'BEGIN { printf "kernel %s: %.1f s from qemu start to power-off\n", v, e - s }'
[[ "$result" == "PELMOR KERNEL CHECK: PASS"* ]]
