#!/usr/bin/env bash
# Installs, from Debian's archive, everything the builds and tests need.
# Idempotent: packages already present are left alone and nothing is fetched.
# Then the page tests' one npm package, pinned by its lock file.
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

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page's tests take the accessibility engine axe-core from npm, at the
# version and checksum tests/web/package-lock.json pins.
# (Debian's nodejs comes without npm; a Node.js of another origin may bring its own.)
if ! command -v npm >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
fi
web_tests=$(cd "$(dirname "$0")/../tests/web" && pwd)
pinned=$(node -e 'console.log(require(process.argv[1]).packages["node_modules/axe-core"].version)' "$web_tests/package-lock.json")
installed=$(node -e 'try { console.log(require(process.argv[1]).version) } catch (e) {}' \
  "$web_tests/node_modules/axe-core/package.json")
if [ "$installed" != "$pinned" ]; then
  npm ci --prefix "$web_tests" --no-audit --no-fund --loglevel=error
fi
