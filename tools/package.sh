#!/usr/bin/env bash
# Builds the Debian package build-package/quillmere_<version>_<architecture>.deb and checks it
# with lintian. Install it with: sudo apt install ./build-package/quillmere_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh package

build=build-package
rm -f "$build"/quillmere_*.deb
# Debian's hardening flags (stack protector, fortified functions, read-only relocations).
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS" CFLAGS="$CFLAGS $CPPFLAGS"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQM_BUILD_TESTS=OFF -DQM_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)

package=$(echo "$build"/quillmere_*.deb)
lintian --fail-on error --info "$package"
echo "Built $package"
