#!/usr/bin/env bash
# check_versions.sh NATIVE_BUILD WINDOWS_BUILD WEB_BUILD: every place that
# names Velmora's version says the one of project() in CMakeLists.txt: both
# Linux programs' --version, the Debian package and its changelog, the Windows
# modules' version resources (read back by windres), the page's generator tag
# and its settings panel.
set -uo pipefail
native=$(cd "$1" && pwd); windows=$(cd "$2" && pwd); web=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*"; status=1; }
status=0

version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no version in project()"; exit 1; }
IFS=. read -r major minor patch <<< "$version"
numbers="${major}, ${minor:-0}, ${patch:-0}, 0"
echo "project(): $version"

for program in linux/velmora tools/velmora-render; do
  name=$(basename "$program")
  said=$("$native/$program" --version); code=$?
  [ "$code" -eq 0 ] || fail "$name --version exits $code"
  [ "$said" = "$name $version" ] || fail "$name --version says \"$said\""
done

deb=$(ls "$native"/velmora_*_amd64.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "no package in $native (cpack -G DEB)"
else
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is $(dpkg-deb -f "$deb" Version)"
  [ "$(basename "$deb")" = "velmora_${version}_amd64.deb" ] || fail "the package is named $(basename "$deb")"
  changelog=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/velmora/changelog.gz | gzip -dc | head -n 1)
  [[ "$changelog" == "velmora ($version) "* ]] || fail "the changelog's newest entry is \"$changelog\""
fi

for module in saver/clouds.scr installer/install.exe; do
  resource=$(x86_64-w64-mingw32-windres -i "$windows/$module" -O rc 2>&1)
  for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" \
              "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\""; do
    grep -qF -- "$line" <<< "$resource" || fail "$module has no $line"
  done
done

page=$web/site/index.html
grep -qF "<meta name=\"generator\" content=\"Velmora $version\">" "$page" || fail "the page's generator tag"
grep -qF "<p id=\"version\">Velmora $version</p>" "$page" || fail "the page's settings panel"

[ "$status" -eq 0 ] && echo "ok: every place says $version"
exit "$status"
