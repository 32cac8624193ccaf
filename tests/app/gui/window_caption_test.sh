#!/usr/bin/env bash
# The caption a desktop shows for the main window must read exactly "Quillmere 1.0 (freeware)":
# the toolkit appends the application's display name to window titles when one is set. The
# window runs on a virtual X display and the caption is read back from the X server.
# Usage: window_caption_test.sh PATH-TO-quillmere
set -euo pipefail
gui=$1
expected='"Quillmere 1.0 (freeware)"'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$gui" "$work/quillmere"  # the window writes its folder lists next to the executable

QT_QPA_PLATFORM=xcb xvfb-run -a bash -c '
  "$1" & pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  for _ in $(seq 100); do
    captions=$(xwininfo -root -tree 2>/dev/null | grep -o "\"Quillmere 1\.0[^\"]*\"" || true)
    if [[ -n "$captions" ]]; then
      echo "$captions" | sort -u
      exit 0
    fi
    sleep 0.1
  done
  echo "no window appeared" >&2
  exit 1
' _ "$work/quillmere" >"$work/captions"

echo "captions on the display: $(tr '\n' ' ' <"$work/captions")"
if [[ "$(cat "$work/captions")" != "$expected" ]]; then
  echo "expected only $expected" >&2
  exit 1
fi
