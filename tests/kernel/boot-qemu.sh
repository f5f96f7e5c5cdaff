#!/usr/bin/env bash
# Boots a kernel and an initramfs under qemu (x86-64, TCG: no hardware
# virtualisation is assumed), the serial console written to a log file. The
# time limit is on the qemu process itself, so that it cannot outlive a
# killed caller. qemu's exit status says nothing about the guest (it is 0
# after a guest panic too): judge the run by the log.
# Usage: boot-qemu.sh KERNEL INITRAMFS LOG [SECONDS]
set -euo pipefail
kernel=$1 initramfs=$2 log=$3 limit=${4:-120}
exec timeout --kill-after=5 "$limit" qemu-system-x86_64 \
  -accel tcg -cpu max -m 512 -smp 1 \
  -nodefaults -display none -no-reboot \
  -serial "file:$log" \
  -kernel "$kernel" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3" </dev/null
