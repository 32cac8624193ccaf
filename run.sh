#!/usr/bin/env bash
# Builds an optimised release and runs the batch conversion.
#   ./run.sh                  converts a generated sample folder
#   ./run.sh [options] SRC DST  passes everything to quillmere-cli
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh build

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

cli="$build/cli/quillmere-cli"
if [[ ! -x "$cli" ]]; then
  echo "Built the imaging library; the command-line converter is not there yet."
  echo "It will run: $cli --subfolders samples/photos samples/converted"
  exit 0
fi

if (($# == 0)); then
  samples=samples
  rm -rf "$samples/photos" "$samples/converted"
  "$build/tools/make-samples" "$samples/photos"
  "$cli" --subfolders "$samples/photos" "$samples/converted"
  echo "The converted photos are in $samples/converted"
  exit 0
fi
exec "$cli" "$@"
