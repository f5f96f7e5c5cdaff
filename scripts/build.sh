#!/usr/bin/env bash
# Configures and builds into build/ (build-sanitize/ with PELMOR_SANITIZE=ON,
# build-tsan/ with PELMOR_SANITIZE=thread).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=(-DPELMOR_WERROR=ON)
case "${PELMOR_SANITIZE:-OFF}" in
  ON)
    build_dir=build-sanitize
    options+=(-DPELMOR_SANITIZE=ON)
    ;;
  thread)
    build_dir=build-tsan
    options+=(-DPELMOR_SANITIZE=thread)
    ;;
esac

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
echo "$build_dir"
