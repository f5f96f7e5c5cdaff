#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
build_dir=$(scripts/build.sh | tail -n 1)
export QT_QPA_PLATFORM=offscreen
# Any report from a sanitizer fails the test it comes from.
export TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1 ${TSAN_OPTIONS:-}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 300
