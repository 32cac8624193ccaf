#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs, when they are missing.
# Usage: tools/install-deps.sh build|test|screenshot|package
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libjpeg62-turbo-dev zlib1g-dev libcurl4-openssl-dev
  libpng-dev libwebp-dev libheif-dev fonts-dejavu-core xvfb xauth librsvg2-bin)
if [[ "${1:-build}" == test ]]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev libtiff-dev libjpeg-turbo-progs webp
    libheif-examples
    libtiff-tools clang libclang-rt-14-dev clang-format x11-utils libimage-exiftool-perl python3
    desktop-file-utils appstream man-db bash-completion binutils)
fi
if [[ "${1:-build}" == package ]]; then
  packages+=(dpkg-dev lintian)
fi
if [[ "${1:-build}" == screenshot ]]; then
  packages+=(x11-apps x11-utils netpbm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
