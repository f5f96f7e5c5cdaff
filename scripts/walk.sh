#!/usr/bin/env bash
# Runs the scan's random walk (ScanRandomTest) for STEPS steps from SEED
# (default: one taken from the time, printed so the walk can be repeated)
# and prints how long it took. A broken invariant fails the script and shows
# the step, the last steps taken and what broke.
#   scripts/walk.sh STEPS [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ || ($# -ge 2 && ! $2 =~ ^[0-9]+$) ]]; then
  echo "usage: scripts/walk.sh STEPS [SEED]" >&2
  exit 2
fi
steps=$1
seed=${2:-$(($(date +%s) % 1000000000))}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMOR_WERROR=ON >/dev/null
cmake --build build --parallel "$(nproc)" --target link_tests >/dev/null

echo "walk: $steps steps, seed $seed"
start=$(date +%s.%N)
status=0
PELMOR_SCAN_STEPS=$steps PELMOR_SCAN_SEED=$seed build/tests/link/link_tests \
  --gtest_filter='ScanRandomTest.*' --gtest_brief=1 || status=$?
end=$(date +%s.%N)
printf 'walk: seed %s, %s steps, %s s, %s\n' "$seed" "$steps" \
  "$(awk "BEGIN { printf \"%.1f\", $end - $start }")" \
  "$([[ $status -eq 0 ]] && echo "no invariant broken" || echo "FAILED")"
exit "$status"
