#!/usr/bin/env bash
# Installs, from Debian's archive, everything the builds and tests need.
# Idempotent: packages already present are left alone and nothing is fetched.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine64 xvfb xdotool x11-utils imagemagick
  clang libclang-rt-14-dev python3 bc
  libsdl2-dev libgif-dev libx11-dev libxtst-dev libxinerama-dev
  xserver-xephyr
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
  dpkg-dev fakeroot lintian file xscreensaver xscreensaver-data strace
  emscripten nodejs chromium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
