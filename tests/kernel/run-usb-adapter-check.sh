#!/usr/bin/env bash
# The USB adapter check: Debian's kernel under qemu with a virtual USB bus
# (dummy_hcd), emulated CP2112, FT260 and MCP2221A adapters on it behind the
# kernel's own drivers, and the SMBus stub beside them; the pelmor command line run
# against each. Passes when the console shows a PASS line for each adapter;
# prints the boot-to-result time.
# Usage: run-usb-adapter-check.sh PELMOR GADGET PORT_HINT WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pelmor=$1 gadget=$2 hint=$3 work=$4
mkdir -p "$work"

for tool in qemu-system-x86_64 xz; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done
modules=(configfs usb-common usbcore udc-core dummy_hcd libcomposite usb_f_fs hid usbhid
         hid-cp2112 hid-mcp2221 hid-ft260 i2c-dev i2c-stub)
# The newest installed kernel that has them all.
version=
for candidate in $(ls /boot/vmlinuz-* 2>/dev/null | sed 's|/boot/vmlinuz-||' | sort -V); do
  complete=yes
  for module in "${modules[@]}"; do
    [[ -n $(find "/lib/modules/$candidate" -name "$module.ko*" 2>/dev/null | head -n 1) ]] ||
      complete=no
  done
  [[ $complete == yes ]] && version=$candidate
done
[[ -n "$version" ]] || { echo "no kernel with dummy_hcd and the USB HID bridges: run scripts/install-deps.sh" >&2; exit 1; }

"$here/extract-vmlinux.sh" "/boot/vmlinuz-$version" "$work/vmlinux-$version"
module_options=()
for module in "${modules[@]}"; do module_options+=(--module "$module"); done
files=()
for script in usb-gadget.sh usb-cp2112.sh usb-ft260.sh usb-mcp2221.sh; do files+=(--file "$here/$script:/$script"); done
"$here/make-initramfs.sh" --output "$work/initramfs.cpio" --guest-script "$here/usb-guest.sh" \
  --kernel-version "$version" "${module_options[@]}" "${files[@]}" "$pelmor" "$gadget" "$hint"

log=$work/console.log
rm -f "$log"
# Every step in the machine has its own limit and leaves its evidence when it
# runs out; this one only stops a machine that cannot get on at all. A run
# takes about 60 s on an idle 2-core machine and has taken 260 s on one
# loaded ten times over.
limit=480
start=$(date +%s.%N)
"$here/boot-qemu.sh" "$work/vmlinux-$version" "$work/initramfs.cpio" "$log" $limit || true
end=$(date +%s.%N)
tr -d '\r' <"$log" >"$log.txt"
cat "$log.txt"
awk -v v="$version" -v s="$start" -v e="$end" \
  'BEGIN { printf "kernel %s: %.1f s from qemu start to power-off\n", v, e - s }'
grep -q '^PELMOR GUEST: guest script ended' "$log.txt" ||
  echo "the guest did not finish: qemu was stopped at its time limit ($limit s)"
grep -q '^USB CHECK: PASS ([0-9]* of [0-9]*) CP2112$' "$log.txt" &&
  grep -q '^USB CHECK: PASS ([0-9]* of [0-9]*) FT260$' "$log.txt" &&
  grep -q '^USB CHECK: PASS ([0-9]* of [0-9]*) MCP2221$' "$log.txt" &&
  grep -q '^USB CHECK: PASS ([0-9]* of [0-9]*) STRETCH AND FAULTS$' "$log.txt"
