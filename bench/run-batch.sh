#!/usr/bin/env bash
# Times whole batch runs of quillmere-cli and of the window's run over real camera photos, next
# to the floor (decoding every photo and encoding a result-sized image with libjpeg-turbo's own
# tools, no resampling), libvips and ImageMagick, all measured in this run on the same files.
# --fast is compared with the default output (PSNR), and a 192-megapixel photo made here shows
# the peak memory of one photo with and without --fast.
#   bench/run-batch.sh [PHOTO_FOLDER]    default ../shared/bench/photos; REPEAT=3 runs each
set -euo pipefail
cd "$(dirname "$0")/.."
photos=${1:-../shared/bench/photos}
repeat=${REPEAT:-3}
if ! compgen -G "$photos/*.jpg" >/dev/null; then
  echo "No photos in $photos; nothing to measure."
  exit 0
fi
photos=$(realpath "$photos")

needed=()
command -v djpeg >/dev/null || needed+=(libjpeg-turbo-progs)
command -v vips >/dev/null || needed+=(libvips-tools)
command -v python3 >/dev/null || needed+=(python3)
[[ -x /usr/bin/convert ]] || needed+=(imagemagick)
[[ -x /usr/bin/time ]] || needed+=(time)
if ((${#needed[@]} > 0)); then
  echo "Installing: ${needed[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${needed[@]}" >/dev/null
fi

build=build-release
mkdir -p "$build"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF \
  -DQM_BUILD_BENCH=ON &&
  cmake --build "$build" -j "$(nproc)" --target quillmere-cli qm_window_run; } \
  >"$build/bench-build.log" 2>&1; then
  cat "$build/bench-build.log"
  exit 1
fi
cli=$PWD/$build/cli/quillmere-cli
# The window's run, driven through the batch core as the window drives it.
window_run=$PWD/$build/bench/qm_window_run

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <(find "$photos" -maxdepth 1 -name '*.jpg' | sort)
count=${#files[@]}
cores=$(nproc)

# Prints "seconds peak-kilobytes" of the fastest of $repeat runs of the command.
measure() {
  local best="" peak=0 line seconds kb
  for ((run = 0; run < repeat; run++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    line=$(/usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -n 1)
    read -r seconds kb <<<"$line"
    if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
    fi
    if ((kb > peak)); then peak=$kb; fi
  done
  echo "$best $peak"
}

# Writes the floor's loop for one size: decode each photo, encode its result-sized image. The
# second floor encodes in the RGB colour space, as the batch run writes its photos; the first,
# in YCbCr with halved chroma, is what a converter free to choose its colour space would write.
floor_script() {  # [extra cjpeg options]
  local script=$work/floor$#.sh i=0
  echo 'set -e' >"$script"
  for file in "${files[@]}"; do
    echo "djpeg -outfile /dev/null '$file'" >>"$script"
    echo "cjpeg $* -progressive -quality 75 -outfile /dev/null '$work/sized/$i.ppm'" >>"$script"
    i=$((i + 1))
  done
  echo "$script"
}

# One command line per photo, run in sequence by one shell.
per_photo_script() {
  local script=$work/$1.sh
  shift
  echo 'set -e' >"$script"
  for file in "${files[@]}"; do
    local name
    name=$(basename "$file")
    "$@" "$file" "$work/out/$name" >>"$script"
  done
  echo "$script"
}

vips_line() {  # file out
  local scale=$VIPS_SCALE
  if [[ $scale == box ]]; then
    local w h
    w=$(vipsheader -f width "$1")
    h=$(vipsheader -f height "$1")
    scale=$(awk -v w="$w" -v h="$h" 'BEGIN { if (w / h > 1024 / 768) print 1024 / w; else print 768 / h }')
  fi
  echo "vips resize '$1' '$2[Q=75,interlace]' $scale"
}

magick_line() {  # file out
  echo "/usr/bin/convert '$1' -resize $MAGICK_SIZE -quality 75 -interlace JPEG '$2'"
}

# The output bytes are those the last measured run left in $work/out; the floors write none.
report() {  # label seconds peak-kb floor-seconds rgb-floor-seconds
  local bytes
  bytes=$(find "$work/out" -type f -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }')
  awk -v label="$1" -v s="$2" -v kb="$3" -v floor="$4" -v rgb="$5" -v n="$count" -v bytes="$bytes" 'BEGIN {
    printf "  %-32s %8.2f %10.2f %8.2f %10.2f %9.0f %10s\n", label, s, (s > 0 ? n / s : 0),
      (floor > 0 ? s / floor : 0), (rgb > 0 ? s / rgb : 0), kb / 1024,
      (bytes > 0 ? sprintf("%.1f", bytes / 1048576) : "-") }'
}

run_size() {  # size option, vips scale, ImageMagick geometry, the window's size index
  local size=$1 size_index=$4
  export VIPS_SCALE=$2 MAGICK_SIZE=$3
  echo
  echo "Size $size, quality Good, $count photos, $cores cores"
  printf "  %-32s %8s %10s %8s %10s %9s %10s\n" "tool" "seconds" "photos/s" "x floor" "x RGB floor" \
    "peak MB" "output MB"

  # The result-sized images of the floor are our own results, decoded beforehand.
  rm -rf "$work/out" "$work/sized" && mkdir -p "$work/out" "$work/sized"
  "$cli" --quiet --jobs "$cores" --size "$size" "$photos" "$work/out"
  local i=0
  for file in "${files[@]}"; do
    djpeg -outfile "$work/sized/$i.ppm" "$work/out/$(basename "$file")"
    i=$((i + 1))
  done

  local floor floor_s rgb rgb_s
  floor=$(measure bash "$(floor_script)")
  floor_s=${floor%% *}
  rgb=$(measure bash "$(floor_script -rgb)")
  rgb_s=${rgb%% *}
  local floors=("$floor_s" "$rgb_s")
  report "floor (djpeg + cjpeg)" $floor "${floors[@]}"
  report "floor, RGB output" $rgb "${floors[@]}"
  report "quillmere --jobs 1" $(measure "$cli" --quiet --jobs 1 --size "$size" "$photos" "$work/out") "${floors[@]}"
  rm -rf "$work/exact" && cp -r "$work/out" "$work/exact"
  report "quillmere --jobs $cores" $(measure "$cli" --quiet --jobs "$cores" --size "$size" "$photos" "$work/out") "${floors[@]}"
  report "window" $(measure "$window_run" "$photos" "$work/out" "$size_index") "${floors[@]}"
  report "quillmere --colour ycbcr" $(measure "$cli" --quiet --colour ycbcr --jobs "$cores" --size "$size" "$photos" "$work/out") "${floors[@]}"
  report "quillmere --fast --jobs 1" $(measure "$cli" --quiet --fast --jobs 1 --size "$size" "$photos" "$work/out") "${floors[@]}"
  lowest_psnr "$work/exact" "$work/out"
  report "quillmere --fast --jobs $cores" $(measure "$cli" --quiet --fast --jobs "$cores" --size "$size" "$photos" "$work/out") "${floors[@]}"
  report "quillmere --fast --colour ycbcr" $(measure "$cli" --quiet --fast --colour ycbcr --jobs "$cores" --size "$size" "$photos" "$work/out") "${floors[@]}"
  local vips_script
  vips_script=$(per_photo_script vips vips_line)
  report "vips resize (1 thread)" $(measure env VIPS_CONCURRENCY=1 bash "$vips_script") "${floors[@]}"
  report "vips resize (default)" $(measure bash "$vips_script") "${floors[@]}"
  report "ImageMagick convert" $(measure bash "$(per_photo_script magick magick_line)") "${floors[@]}"
}

# The lowest PSNR of the photos of one folder against those of another, in dB.
lowest_psnr() {  # exact-folder other-folder
  local lowest="" name psnr
  for file in "${files[@]}"; do
    name=$(basename "$file")
    psnr=$(compare -metric PSNR "$1/$name" "$2/$name" null: 2>&1 >/dev/null || true)
    psnr=${psnr%% *}
    if [[ -z $lowest ]] || awk -v a="$psnr" -v b="$lowest" 'BEGIN { exit !(a < b) }'; then
      lowest=$psnr
    fi
  done
  printf "  %-32s %s dB lowest PSNR against the default output\n" "  (--fast output)" "$lowest"
}

# One photo of 16000 x 12000 pixels, tiled from the largest bench photo, at 50 %: the peak memory
# of the default road and of --fast. The photo is made here and removed with the work folder.
big_photo() {
  local largest
  largest=$(ls -S "${files[@]}" | head -n 1)
  mkdir -p "$work/big"
  djpeg -outfile "$work/tile.ppm" "$largest"
  python3 - "$work/tile.ppm" 16000 12000 <<'TILE' | cjpeg -quality 90 -outfile "$work/big/big.jpg"
import sys
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
at += 1
tile_width, tile_height = int(fields[1]), int(fields[2])
row_bytes = tile_width * 3
out = sys.stdout.buffer
out.write(b"P6\n%d %d\n255\n" % (width, height))
repeats = -(-width // tile_width)
for y in range(height):
    start = at + (y % tile_height) * row_bytes
    out.write((data[start:start + row_bytes] * repeats)[:width * 3])
TILE
  rm -f "$work/tile.ppm"
  echo
  echo "One photo of 16000 x 12000 pixels (192 megapixels) at 50 %, one job"
  printf "  %-32s %8s %9s %10s\n" "tool" "seconds" "peak MB" "x default"
  local default_kb="" label line seconds kb
  for option in "" "--fast" "--fast --colour ycbcr"; do
    # shellcheck disable=SC2086
    line=$(repeat=1 measure "$cli" --quiet --jobs 1 --size 50% $option "$work/big" "$work/out")
    read -r seconds kb <<<"$line"
    default_kb=${default_kb:-$kb}
    label="quillmere${option:+ $option}"
    awk -v label="$label" -v s="$seconds" -v kb="$kb" -v base="$default_kb" 'BEGIN {
      printf "  %-32s %8.2f %9.0f %10.2f\n", label, s, kb / 1024, kb / base }'
  done
}

run_size "50%" 0.5 "50%" 1
run_size "1024x768" box "1024x768" 7
big_photo
