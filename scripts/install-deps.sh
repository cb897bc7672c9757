#!/usr/bin/env bash
# Installs the Debian packages that building, testing, the demo and the
# Debian package need (help2man writes the man pages from the programs' --help;
# cpack reads the binaries' dependencies with file and dpkg-shlibdeps).
# Idempotent: when every package is present it installs nothing.
#   --fuzz   also installs clang and its runtime for the libFuzzer targets
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libminizip-dev
  libjpeg-dev libpng-dev libtiff-dev libgif-dev libexif-dev libwebp-dev libheif-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libsdl2-dev qt6-base-dev
  nlohmann-json3-dev libcli11-dev
  unzip python3
  ffmpeg valgrind dvdauthor
  help2man file
)
# Debian 12's libheif1 carries its codecs (libde265 and dav1d to decode HEIC
# and AVIF, x265 and aom to encode them in the tests). Later releases ship
# them as plug-in packages, asked for where the package lists know them.
if apt-cache show libheif-plugin-libde265 >/dev/null 2>&1; then
  packages+=(libheif-plugin-libde265 libheif-plugin-dav1d libheif-plugin-x265
             libheif-plugin-aomenc)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: done"
