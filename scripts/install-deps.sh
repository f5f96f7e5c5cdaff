#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# skipping the ones already present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev
  fonts-liberation
  xvfb xauth
  dpkg-dev file desktop-file-utils man-db
  libxcb1-dev
  python3
)
# The real-kernel test machine: qemu, Debian's kernel (its i2c-dev and i2c-stub
# modules; the cloud kernel has no I2C), a static busybox for the initramfs,
# and xz to unpack the kernel. Installed without their recommendations.
bare_packages=(
  qemu-system-x86 linux-image-amd64 busybox-static xz-utils
)

missing_of() {
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      echo "$package"
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_bare < <(missing_of "${bare_packages[@]}")

if ((${#missing[@]} + ${#missing_bare[@]})); then
  echo "Installing: ${missing[*]} ${missing_bare[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  if ((${#missing[@]})); then apt-get install -y -q "${missing[@]}"; fi
  if ((${#missing_bare[@]})); then
    apt-get install -y -q --no-install-recommends "${missing_bare[@]}"
  fi
fi
