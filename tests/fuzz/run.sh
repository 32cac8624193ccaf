#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each briefly on its seed corpus.
#   tests/fuzz/run.sh [seconds per target]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-10}"

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_BUILD_FUZZ=ON -DQM_BUILD_TESTS=OFF -DQM_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

shopt -s nullglob
for source in tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  seeds="$build/seeds/$name"
  mkdir -p "$seeds"
  # A seed folder tests/fuzz/<name>.seeds lists corpus globs, one a line, relative to ../shared.
  if [[ -f "tests/fuzz/$name.seeds" ]]; then
    while read -r pattern; do
      [[ -z "$pattern" ]] && continue
      for file in ../shared/$pattern; do cp -f "$file" "$seeds/" 2>/dev/null || true; done
    done <"tests/fuzz/$name.seeds"
  fi
  echo "fuzzing $name for ${seconds}s"
  # New inputs go to the first folder; the minimised seeds kept in the tree are only read.
  kept=()
  if [[ -d "tests/fuzz/corpus/$name" ]]; then kept=("tests/fuzz/corpus/$name"); fi
  "$build/tests/fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=0 "$seeds" "${kept[@]}" 2>"$build/$name.log" || {
    tail -50 "$build/$name.log"
    echo "fuzzer $name failed"
    exit 1
  }
done
