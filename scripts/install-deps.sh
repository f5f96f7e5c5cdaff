#!/usr/bin/env bash
# Installs the Debian 12 packages that a task needs, skipping the ones present:
#   scripts/install-deps.sh run          building and running the program
#   scripts/install-deps.sh package      the above, and making the Debian package
#   scripts/install-deps.sh screenshots  the above run, and a virtual display
#   scripts/install-deps.sh test         the above run, and the whole test suite
#   scripts/install-deps.sh [all]        all of them (what CI installs)
set -euo pipefail

task=${1:-all}
run=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libxcb1-dev qt6-charts-dev qt6-svg-dev libmosquitto-dev
  libgtest-dev libgmock-dev
  fonts-liberation
)
package=(dpkg-dev file)
screenshots=(xvfb xauth)
# The install and package tests: dpkg-shlibdeps, CPack's executable check, the
# menu entry's check and the manual page's rendering; the publishing tests'
# broker, its clients and the certificates they make; Python's csv module,
# which reads a log file back as a spreadsheet would.
tests=(dpkg-dev file desktop-file-utils man-db mosquitto mosquitto-clients openssl python3)
# The real-kernel test machine: qemu, Debian's kernel (its i2c-dev and i2c-stub
# modules; the cloud kernel has no I2C; about 400 MB installed), a static
# busybox for the initramfs, and xz to unpack the kernel. Installed without
# their recommendations.
test_machine=(qemu-system-x86 linux-image-amd64 busybox-static xz-utils)

packages=("${run[@]}")
bare_packages=()
case $task in
  run) ;;
  package) packages+=("${package[@]}") ;;
  screenshots) packages+=("${screenshots[@]}") ;;
  test)
    packages+=("${tests[@]}")
    bare_packages+=("${test_machine[@]}")
    ;;
  all)
    packages+=("${package[@]}" "${screenshots[@]}" "${tests[@]}")
    bare_packages+=("${test_machine[@]}")
    ;;
  *)
    echo "usage: scripts/install-deps.sh [run|package|screenshots|test|all]" >&2
    exit 2
    ;;
esac

missing_of() {
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      echo "$package"
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_bare < <(missing_of "${bare_packages[@]}")
((${#missing[@]} + ${#missing_bare[@]})) || exit 0

if ((EUID != 0)); then
  echo "Missing Debian packages: ${missing[*]} ${missing_bare[*]}" >&2
  echo "Install them as root: sudo scripts/install-deps.sh $task" >&2
  exit 1
fi
echo "Installing: ${missing[*]} ${missing_bare[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
if ((${#missing[@]})); then apt-get install -y -q "${missing[@]}"; fi
if ((${#missing_bare[@]})); then
  apt-get install -y -q --no-install-recommends "${missing_bare[@]}"
fi
