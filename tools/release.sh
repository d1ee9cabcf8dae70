#!/usr/bin/env bash
# tools/release.sh [FOLDER]: builds the release and writes into FOLDER (default
# dist/) what a release page offers: the Debian package, the Windows saver with
# its installer, the page for any static server, the sources, and SHA256SUMS.
# The files carry SOURCE_DATE_EPOCH (default: the last commit's time), so two
# releases of one commit are the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-dist}")
tools/install-deps.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows --target medium
cmake --preset web >/dev/null
cmake --build --preset web

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)
work=$(mktemp -d /tmp/velmora-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/velmora[-_]"$version"* "$out/SHA256SUMS"

# Archives list their files sorted, owned by root, at the source's time.
tarball() {  # tarball ARCHIVE FOLDER-INSIDE-WORK
  tar -C "$work" --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
      --mode='u+rw,go=rX' -cf - "$2" | gzip -9n > "$1"
}

# The Debian package.
(cd build/native && rm -f velmora_*.deb && cpack -G DEB >/dev/null)
cp "build/native/velmora_${version}_amd64.deb" "$out/"

# The Windows archive: the installation medium as the installer expects it
# (install.exe beside Velmsav.W32, readme.txt and license.txt), the saver to
# install by hand, and how to do either.
windows=velmora-$version-windows
mkdir "$work/$windows"
cp build/windows/medium/install.exe build/windows/medium/Velmsav.W32 build/windows/medium/readme.txt \
   build/windows/medium/license.txt "$work/$windows/"
cp build/windows/medium/Velmsav.W32 "$work/$windows/Velmora.scr"
cp resources/how-to-install.txt "$work/$windows/"
(cd "$work" && LC_ALL=C find "$windows" -type f | LC_ALL=C sort |
 xargs "$root/tools/zip_files.py" "$out/$windows.zip" "$SOURCE_DATE_EPOCH")

# The page: its folder as it is served.
web=velmora-$version-web
cp -r build/web/site "$work/$web"
cp LICENSE "$work/$web/LICENSE.txt"
tarball "$out/$web.tar.gz" "$web"

# The sources of this commit.
git archive --format=tar --prefix="velmora-$version/" HEAD | gzip -9n > "$out/velmora-$version-source.tar.gz"

(cd "$out" && sha256sum "velmora_${version}_amd64.deb" "$windows.zip" "$web.tar.gz" \
   "velmora-$version-source.tar.gz" > SHA256SUMS)
echo "Release $version in $out:"
(cd "$out" && ls -l velmora[-_]"$version"* SHA256SUMS)
