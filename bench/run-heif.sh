#!/usr/bin/env bash
# Times quillmere-cli over a folder of HEIC photos beside a run over the same photos as JPEG: the
# HEIC files are made from the JPEG ones with heif-enc (quality 80, EXIF kept) when the bench
# starts, so both runs convert the same pictures at the same size.
#   bench/run-heif.sh [PHOTO_FOLDER]    default ../shared/bench/photos; REPEAT=3 runs each
set -euo pipefail
cd "$(dirname "$0")/.."
photos=${1:-../shared/bench/photos}
repeat=${REPEAT:-3}
if ! compgen -G "$photos/*.jpg" >/dev/null; then
  echo "No photos in $photos; nothing to measure."
  exit 0
fi
photos=$(realpath "$photos")
if ! command -v heif-enc >/dev/null; then
  echo "Installing: libheif-examples"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq libheif-examples >/dev/null
fi

build=build-release
mkdir -p "$build"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF &&
  cmake --build "$build" -j "$(nproc)" --target quillmere-cli; } >"$build/bench-build.log" 2>&1; then
  cat "$build/bench-build.log"
  exit 1
fi
cli=$PWD/$build/cli/quillmere-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/jpeg" "$work/heic"
mapfile -t files < <(find "$photos" -maxdepth 1 -name '*.jpg' | sort)
count=${#files[@]}
echo "Encoding $count photos as HEIC ..."
for file in "${files[@]}"; do
  name=$(basename "$file" .jpg)
  cp "$file" "$work/jpeg/"
  heif-enc -q 80 "$file" -o "$work/heic/$name.heic" >/dev/null
done

# The fastest of $repeat runs, in seconds.
measure() {
  local best="" start end seconds
  for ((run = 0; run < repeat; run++)); do
    rm -rf "$work/out"
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
    fi
  done
  echo "$best"
}

report() {  # label folder seconds
  local bytes
  bytes=$(find "$2" -type f -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }')
  awk -v label="$1" -v s="$3" -v n="$count" -v mb="$bytes" 'BEGIN {
    printf "  %-30s %8.2f %10.2f %10.1f\n", label, s, (s > 0 ? n / s : 0), mb / 1048576 }'
}

for jobs in 1 "$(nproc)"; do
  echo
  echo "Size 50%, quality Good, $count photos, --jobs $jobs"
  printf "  %-30s %8s %10s %10s\n" "source folder" "seconds" "photos/s" "input MB"
  report "JPEG" "$work/jpeg" "$(measure "$cli" --quiet --jobs "$jobs" "$work/jpeg" "$work/out")"
  report "HEIC (--formats all)" "$work/heic" \
    "$(measure "$cli" --quiet --jobs "$jobs" --formats all "$work/heic" "$work/out")"
done
