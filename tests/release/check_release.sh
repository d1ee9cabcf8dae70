#!/usr/bin/env bash
# check_release.sh: runs tools/release.sh into a temporary folder and checks
# what it wrote: the files and nothing more, SHA256SUMS against them, the
# Windows zip's entries, the tarballs' contents, and the package unpacked
# into a temporary root running --version.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok: $*"; }

work=$(mktemp -d /tmp/velmora-release-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$root/tools/release.sh" "$work/dist" > "$work/release.log" 2>&1 || { tail -n 30 "$work/release.log"; fail "tools/release.sh failed"; }
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
cd "$work/dist"

expected="SHA256SUMS
velmora-$version-source.tar.gz
velmora-$version-web.tar.gz
velmora-$version-windows.zip
velmora_${version}_amd64.deb"
[ "$(ls | LC_ALL=C sort)" = "$(LC_ALL=C sort <<< "$expected")" ] || fail "dist holds: $(ls | tr '\n' ' ')"
pass "dist holds the package, the three archives and SHA256SUMS"

sha256sum --check --strict SHA256SUMS >/dev/null || fail "SHA256SUMS does not match the files"
[ "$(wc -l < SHA256SUMS)" -eq 4 ] || fail "SHA256SUMS lists $(wc -l < SHA256SUMS) files, not 4"
pass "SHA256SUMS matches all four files"

entries=$(python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None; print("\n".join(z.namelist()))' \
  "velmora-$version-windows.zip") || fail "the Windows zip does not read"
for name in install.exe Velmsav.W32 readme.txt license.txt Velmora.scr how-to-install.txt; do
  grep -qx "velmora-$version-windows/$name" <<< "$entries" || fail "the Windows zip lacks $name: $entries"
done
[ "$(wc -l <<< "$entries")" -eq 6 ] || fail "the Windows zip holds more: $entries"
mkdir windows && (cd windows && python3 -m zipfile -e "../velmora-$version-windows.zip" .)
w=windows/velmora-$version-windows
cmp -s "$w/Velmora.scr" "$w/Velmsav.W32" || fail "Velmora.scr is not the medium's module"
cmp -s "$w/license.txt" "$root/LICENSE" || fail "license.txt is not the licence"
cmp -s "$w/readme.txt" "$root/resources/readme.txt" || fail "readme.txt is not the medium's"
[ "$(head -c 2 "$w/install.exe")" = MZ ] || fail "install.exe is no Windows program"
pass "the Windows zip: the medium as the installer takes it, the saver, the licence and how to install"

web=$(tar -tzf "velmora-$version-web.tar.gz") || fail "the web tarball does not read"
for name in index.html page.js page.css velmora.js velmora.wasm LICENSE.txt; do
  grep -qx "velmora-$version-web/$name" <<< "$web" || fail "the web tarball lacks $name"
done
owners=$(tar -tvzf "velmora-$version-web.tar.gz" | awk '{print $2}' | sort -u)
[ "$owners" = "0/0" ] || fail "the web tarball's files are owned by $owners"
pass "the web tarball: the page's folder, owned by root"

source=$(tar -tzf "velmora-$version-source.tar.gz") || fail "the source tarball does not read"
for name in CMakeLists.txt LICENSE README.md tools/release.sh synth/; do
  grep -qx "velmora-$version/$name" <<< "$source" || fail "the source tarball lacks $name"
done
grep -q "^velmora-$version/build/" <<< "$source" && fail "the source tarball holds a build"
pass "the source tarball: the committed tree, no build"

mkdir package && dpkg-deb -x "velmora_${version}_amd64.deb" package || fail "the package does not unpack"
[ "$(package/usr/bin/velmora --version)" = "velmora $version" ] || fail "velmora --version from the package"
[ "$(package/usr/bin/velmora-render --version)" = "velmora-render $version" ] || fail "velmora-render --version"
pass "the package unpacks into a temporary root and both programs say $version"
