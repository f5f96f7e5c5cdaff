#!/usr/bin/env bash
# Writes the uncompressed kernel (an ELF that qemu boots straight away) held in
# a packaged, xz-compressed bzImage. Booting the compressed image under
# emulation spends seconds on its decompression; this spends them once.
# Usage: extract-vmlinux.sh VMLINUZ OUTPUT
set -euo pipefail
vmlinuz=$1 output=$2
if [[ -s "$output" && "$output" -nt "$vmlinuz" ]]; then exit 0; fi
offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$vmlinuz" | head -n 1 | cut -d: -f1 || true)
if [[ -z "$offset" ]]; then
  echo "extract-vmlinux: no xz stream in $vmlinuz" >&2
  exit 1
fi
{ tail -c +"$((offset + 1))" "$vmlinuz" || true; } | xz -dc --single-stream >"$output.part"
mv "$output.part" "$output"
