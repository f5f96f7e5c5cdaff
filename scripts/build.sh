#!/usr/bin/env bash
# Configures and builds into build/ (or build-sanitize/ with PELMOR_SANITIZE=ON).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=(-DPELMOR_WERROR=ON)
if [[ "${PELMOR_SANITIZE:-OFF}" == ON ]]; then
  build_dir=build-sanitize
  options+=(-DPELMOR_SANITIZE=ON)
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
echo "$build_dir"
