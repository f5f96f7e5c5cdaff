#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer into build-fuzz/ and runs
# each for the given number of seconds (default 60) from its committed seed
# corpus, then prints how many inputs each one ran. A broken property or a
# sanitizer report stops that target and fails the script; the input that
# caused it is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh run
missing=()
for package in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

targets=(fuzz_decode_reply fuzz_encode_write fuzz_hex_field_text fuzz_mfg_data_string
         fuzz_log_record fuzz_string_forms)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELMOR_FUZZ=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]}"

mkdir -p build-fuzz/findings
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log=build-fuzz/$target.log
  if build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/"$target"- "$corpus" >"$log" 2>&1; then
    result=ok
  else
    result=FINDING
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  printf '%-24s %-8s %12s inputs in %s s\n' "$target" "$result" "${runs:-?}" "$seconds"
done
exit $status
