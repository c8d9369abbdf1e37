#!/usr/bin/env bash
# Builds Kaveo and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
# The fuzz targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer), each run
# briefly on its seeds; a finding fails the run and leaves its input in build-fuzz/.
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for target in program bank wav aiff; do
  mkdir -p "$corpus/$target"
  # libFuzzer ends without running exit handlers: keep its scratch files in the run folder.
  if ! TMPDIR="$corpus" build-fuzz/fuzz_$target -max_total_time=10 -artifact_prefix=build-fuzz/ \
      "$corpus/$target" build-fuzz/seeds/$target >"$corpus/$target.log" 2>&1; then
    tail -n 40 "$corpus/$target.log"
    echo "fuzz_$target failed"
    exit 1
  fi
  echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$corpus/$target.log")"
done
