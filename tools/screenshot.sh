#!/usr/bin/env bash
# Opens the main window on a virtual X display, with a source and a target folder on its command
# line, and writes a PNG picture of it.
# Usage: tools/screenshot.sh [OUTPUT.png]      (default: docs/main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh screenshot

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target quillmere

output=${1:-docs/main-window.png}
mkdir -p "$(dirname "$output")" samples/photos
source_folder="$PWD/samples/photos"
target_folder="$PWD/samples/converted"

export QUILLMERE="$build/app/gui/quillmere" SOURCE_FOLDER="$source_folder"
export TARGET_FOLDER="$target_folder" OUTPUT="$output"
xvfb-run --auto-servernum --server-args="-screen 0 800x600x24 -dpi 96" bash -c '
  set -euo pipefail
  title="Quillmere 1.0 (freeware)"
  QT_QPA_PLATFORM=xcb "$QUILLMERE" "$SOURCE_FOLDER" "$TARGET_FOLDER" &
  window_pid=$!
  trap "kill $window_pid 2>/dev/null || true" EXIT
  for _ in $(seq 100); do
    if xwininfo -name "$title" >/dev/null 2>&1; then break; fi
    sleep 0.1
  done
  sleep 1  # let the window paint itself once
  xwd -silent -name "$title" | xwdtopnm 2>/dev/null | pnmtopng >"$OUTPUT"
'
echo "Wrote $output"
