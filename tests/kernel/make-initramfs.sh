#!/usr/bin/env bash
# Builds an uncompressed initramfs (cpio, newc) for the test machine: static
# busybox, guest-init.sh as /init, the given guest script as /guest.sh, the
# named kernel modules of the installed kernel in /lib/modules, and the given
# executables in /bin with every shared library that ldd finds for them.
#
# Usage: make-initramfs.sh --output FILE --guest-script SCRIPT
#          [--kernel-version VERSION --module NAME]... [--file SOURCE:DEST]...
#          [EXECUTABLE]...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

output= guest= version= modules=() files=() executables=()
while (($#)); do
  case $1 in
    --output) output=$2; shift 2 ;;
    --guest-script) guest=$2; shift 2 ;;
    --kernel-version) version=$2; shift 2 ;;
    --module) modules+=("$2"); shift 2 ;;
    --file) files+=("$2"); shift 2 ;;
    -*) echo "make-initramfs: unknown option $1" >&2; exit 2 ;;
    *) executables+=("$1"); shift ;;
  esac
done
[[ -n "$output" && -n "$guest" ]] || { echo "make-initramfs: --output and --guest-script are needed" >&2; exit 2; }

busybox=/bin/busybox
if [[ ! -x "$busybox" ]] || ldd "$busybox" >/dev/null 2>&1; then
  echo "make-initramfs: $busybox is not static (install busybox-static)" >&2
  exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,proc,sys,dev,tmp,lib/modules,etc}
cp "$busybox" "$root/bin/busybox"
install -m 755 "$here/guest-init.sh" "$root/init"
install -m 755 "$guest" "$root/guest.sh"

for name in "${modules[@]}"; do
  [[ -n "$version" ]] || { echo "make-initramfs: --module needs --kernel-version" >&2; exit 2; }
  module=$(find "/lib/modules/$version" -name "$name.ko" -o -name "$name.ko.*" | head -n 1)
  [[ -n "$module" ]] || { echo "make-initramfs: no module $name for $version" >&2; exit 1; }
  cp "$module" "$root/lib/modules/"
done

# Each library goes to the path ldd gives, symbolic links followed.
add_libraries() {
  ldd "$1" | awk '/=> \// { print $3 } /^[[:space:]]*\// { print $1 }' | while read -r library; do
    mkdir -p "$root$(dirname "$library")"
    [[ -e "$root$library" ]] || cp -L "$library" "$root$library"
  done
}
for executable in "${executables[@]}"; do
  # Without debugging information: a smaller image unpacks faster in the machine.
  install -m 755 -s "$executable" "$root/bin/$(basename "$executable")"
  add_libraries "$executable"
done
for pair in "${files[@]}"; do
  mkdir -p "$root$(dirname "${pair#*:}")"
  cp -L "${pair%%:*}" "$root${pair#*:}"
done

(cd "$root" && find . -mindepth 1 | "$busybox" cpio -o -H newc -R 0:0 2>/dev/null) >"$output.part"
mv "$output.part" "$output"
