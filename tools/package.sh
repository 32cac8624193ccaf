#!/usr/bin/env bash
# Builds the Debian package build-package/quillmere_<version>_<architecture>.deb and checks it
# with lintian. Install it with: sudo apt install ./build-package/quillmere_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh package

build=build-package
rm -f "$build"/quillmere_*.deb
# Debian's hardening flags (stack protector, fortified functions, relocations read-only and bound
# at start), given as options: CMake reads the environment's flags only when it first configures.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DQM_BUILD_TESTS=OFF -DQM_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)

package=$(echo "$build"/quillmere_*.deb)
lintian --fail-on error --info "$package"
echo "Built $package"
