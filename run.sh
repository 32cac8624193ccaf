#!/usr/bin/env bash
# Builds an optimised release and runs the batch conversion.
#   ./run.sh                  converts a generated sample folder
#   ./run.sh [options] SRC DST  passes everything to quillmere-cli
#   ./run.sh --gui [SRC [DST]]  opens the main window (on a virtual X display when there is none)
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh build

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

if [[ "${1:-}" == --gui ]]; then
  shift
  gui="$build/app/gui/quillmere"
  if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$gui" "$@"
  fi
  echo "No display: the window opens on a virtual X display (xvfb-run); end it with Ctrl+C."
  exec xvfb-run --auto-servernum "$gui" "$@"
fi

cli="$build/cli/quillmere-cli"

if (($# == 0)); then
  samples=samples
  rm -rf "$samples/photos" "$samples/converted"
  "$build/tools/make-samples" "$samples/photos"
  "$cli" --subfolders --formats all "$samples/photos" "$samples/converted"
  echo "The converted photos are in $samples/converted"
  exit 0
fi
exec "$cli" "$@"
