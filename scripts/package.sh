#!/usr/bin/env bash
# Builds the Debian package pelmor_<version>_<architecture>.deb in the
# project folder, from a build in build-package/ with Debian's hardening flags.
# Install it with: sudo apt-get install ./pelmor_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
build_dir=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DPELMOR_WERROR=ON -DPELMOR_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target pelmor installed_files
rm -rf "$build_dir/packages" pelmor_*.deb
(cd "$build_dir" && cpack -G DEB -B "$PWD/packages" >/dev/null)
cp "$build_dir"/packages/pelmor_*.deb .
ls pelmor_*.deb
