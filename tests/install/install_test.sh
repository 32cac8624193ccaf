#!/usr/bin/env bash
# Installs a build into a scratch root with `cmake --install` and checks what the desktop and the
# shell look for there, then runs both installed programs.
#   install_test.sh BUILD_DIR MAKE_SAMPLES APP_ID "ICON_SIZES"
set -euo pipefail
build=$1 make_samples=$2 app_id=$3 icon_sizes=$4

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qm_install_XXXXXX")
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
usr=$root/usr
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

echo "== the installed tree is what a desktop package holds, nothing more"
expected=(bin/quillmere bin/quillmere-cli
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
  share/icons/hicolor/scalable/apps/quillmere.svg
  share/man/man1/quillmere.1.gz share/man/man1/quillmere-cli.1.gz
  share/bash-completion/completions/quillmere-cli
  share/doc/quillmere/copyright share/doc/quillmere/changelog.gz)
for size in $icon_sizes; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/quillmere.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$usr" && find . -type f -printf '%P\n' | sort) ||
  fail "the installed files differ from the expected ones (< expected, > installed)"
for program in quillmere quillmere-cli; do
  [[ -x $usr/bin/$program ]] || fail "$program is not executable"
  if readelf -d "$usr/bin/$program" | grep -qE 'RPATH|RUNPATH'; then
    fail "$program still looks for libraries in the build folder"
  fi
done

echo "== icons have the sizes their folders promise"
for size in $icon_sizes; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/quillmere.png
  # The PNG header holds width and height as 32-bit big-endian numbers at bytes 16 to 23.
  read -r -a header < <(od -An -tu1 -j16 -N8 "$png")
  width=$(((header[2] << 8) | header[3])) height=$(((header[6] << 8) | header[7]))
  [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height"
done

echo "== desktop entry and software-centre description validate"
desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli validate"
grep -qx "Icon=quillmere" "$usr/share/applications/$app_id.desktop" || fail "desktop entry icon"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$usr/share/applications/$app_id.desktop")
[[ -x $usr/bin/$exec_program ]] || fail "the desktop entry starts '$exec_program', not installed"

echo "== manual pages render without warnings"
for page in quillmere quillmere-cli; do
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" \
    2>"$scratch/man-warnings")
  [[ -s $scratch/man-warnings ]] && fail "$page(1): $(cat "$scratch/man-warnings")"
  grep -q "^NAME" <<<"$rendered" || fail "$page(1) renders empty"
done

echo "== every option of quillmere-cli --help is in its manual page and its completion"
options=$("$usr/bin/quillmere-cli" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p')
[[ -n $options ]] || fail "no options in quillmere-cli --help"
man_source=$(zcat "$usr/share/man/man1/quillmere-cli.1.gz" | sed 's/\\-/-/g')
completion=$(cat "$usr/share/bash-completion/completions/quillmere-cli")
for option in $options; do
  grep -qE "^\.B[I]? $option( |$)" <<<"$man_source" || fail "$option is not in quillmere-cli(1)"
  grep -qE -- "(^|[ \"])$option( |\"|$)" <<<"$completion" || fail "$option is not completed"
done

echo "== the completion offers options and their values"
completions() {
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_LINE=$2 COMP_POINT=${#2}
    read -r -a COMP_WORDS <<<"$2"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _quillmere_cli quillmere-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    echo "${COMPREPLY[*]}"' _ "$usr/share/bash-completion/completions/quillmere-cli" "$1"
}
while IFS='|' read -r line wanted; do
  got=$(completions "$line")
  [[ $got == "$wanted" ]] || fail "completing '$line' offers '$got', not '$wanted'"
done <<'CASES'
quillmere-cli --qu|--quality --quiet
quillmere-cli --quality |best very-good good medium low
quillmere-cli --quality=m|medium
quillmere-cli --size 1|100% 10% 1600x1200 1280x1024 1024x768
CASES

echo "== the installed quillmere-cli converts a folder"
[[ $("$usr/bin/quillmere-cli" --version) == "quillmere-cli "* ]] || fail "quillmere-cli --version"
"$make_samples" "$scratch/photos" >/dev/null
"$usr/bin/quillmere-cli" --quiet --subfolders --size 10% "$scratch/photos" "$scratch/out" ||
  fail "quillmere-cli ended with status $?"
photos=0
while IFS= read -r -d '' photo; do
  photos=$((photos + 1))
  relative=${photo#"$scratch/photos/"}
  converted=$scratch/out/${relative%.*}.jpg
  [[ $(od -An -tx1 -N3 "$converted" 2>/dev/null | tr -d ' ') == ffd8ff ]] ||
    fail "$relative was not converted to a JPEG file"
done < <(find "$scratch/photos" -type f -regextype posix-extended \
  -iregex '.*\.(jpg|tif|tiff|bmp)' -print0)
((photos > 0)) || fail "make-samples wrote no photos"

echo "== the installed window starts and keeps its folder lists in the user's config folder"
[[ $("$usr/bin/quillmere" --version) == "quillmere "* ]] || fail "quillmere --version"
XDG_CONFIG_HOME=$scratch/config QT_QPA_PLATFORM=offscreen \
  "$usr/bin/quillmere" "$scratch/photos" "$scratch/out" >"$scratch/window.log" 2>&1 &
window=$!
for _ in $(seq 300); do
  [[ -d $scratch/config/quillmere ]] && break
  kill -0 "$window" 2>/dev/null || break
  sleep 0.1
done
sleep 1
if kill -0 "$window" 2>/dev/null; then
  kill "$window"
  wait "$window" 2>/dev/null || true
else
  fail "the window ended at once: $(cat "$scratch/window.log")"
fi
[[ -d $scratch/config/quillmere ]] || fail "no folder $scratch/config/quillmere"
left=$(find "$usr/bin" -mindepth 1 ! -name quillmere ! -name quillmere-cli)
[[ -z $left ]] || fail "the window wrote beside its installed executable: $left"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
