#!/usr/bin/env bash
# check_package.sh BUILD_DIR: makes the Debian package in a native build tree
# (cpack -G DEB) and checks it: the file's name, what it installs, its
# Depends, the programs run from the unpacked tree, lintian -I --pedantic
# reports no error, no warning and no hardening tag, the programs' hardening;
# then the real XScreenSaver runs velmora from that tree.
set -uo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok: $*"; }

rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack could not make the package"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/velmora_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$build"/*.deb 2>/dev/null)"
pass "$(basename "$deb")"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/velmora ./usr/bin/velmora-render ./usr/share/xscreensaver/config/velmora.xml \
            ./usr/share/man/man6/velmora.6.gz ./usr/share/man/man6/velmora-render.6.gz \
            ./usr/share/doc/velmora/copyright ./usr/share/doc/velmora/changelog.gz; do
  grep -qx -- "$path" <<< "$contents" || fail "the package lacks $path"
done
unexpected=$(grep -v -e '/$' -e '^./usr/bin/velmora' -e '^./usr/share/' <<< "$contents")
[ -z "$unexpected" ] || fail "the package holds more: $unexpected"
pass "it installs the programs, velmora.xml, both manual pages, the copyright file and the changelog"

copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/velmora/copyright)
[ "$(head -n 1 <<< "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the copyright file is not in Debian's machine-readable format"
[ "$(grep -c '^License: MIT$' <<< "$copyright")" -eq 2 ] || fail "the copyright file does not give the MIT licence"
grep -q '^Files: \*$' <<< "$copyright" && grep -q 'Permission is hereby granted, free of charge' <<< "$copyright" ||
  fail "the copyright file does not cover every file with the licence's text"
pass "the copyright file: the MIT licence for every file, in Debian's copyright format"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2-2.0-0 libavcodec libavformat libavutil libgif7 libpng16-16 libx11-6 libxinerama1; do
  grep -q "$library" <<< "$depends" || fail "Depends lacks $library: $depends"
done
pass "Depends, from the shared libraries: $depends"

tree=$(mktemp -d /tmp/velmora-package.XXXXXX)
trap 'rm -rf "$tree"' EXIT
chmod 755 "$tree"
dpkg-deb -x "$deb" "$tree" || fail "cannot unpack"
"$tree/usr/bin/velmora" --help | grep -q '^usage: velmora' || fail "velmora --help from the unpacked tree"
"$tree/usr/bin/velmora-render" --help 2>&1 | grep -q '^usage: velmora-render' || fail "velmora-render --help"
for page in "$tree"/usr/share/man/man6/*.gz; do
  gzip -dc "$page" | grep -q '^\.TH' || fail "$(basename "$page") is no manual page"
done
pass "velmora --help and velmora-render --help run from the unpacked tree; the manual pages read"

report=$(lintian -I --pedantic "$deb" 2>&1 | grep -v 'running with root privileges')
[ -n "$report" ] && echo "$report"
grep -q '^[EW]:' <<< "$report" && fail "lintian reports errors or warnings"
grep -q -e 'hardening' -e 'binary-has-unneeded-section' <<< "$report" && fail "lintian finds the programs unhardened"
pass "lintian -I --pedantic reports no error, no warning and no hardening tag"

"$tree/usr/bin/velmora" --version | grep -qx "velmora $version" || fail "velmora --version from the unpacked tree"
for program in velmora velmora-render; do
  # Read whole first: grep -q leaving early would break readelf's pipe.
  elf=$(readelf -hlSdW --dyn-syms "$tree/usr/bin/$program")
  grep -q '\.comment' <<< "$elf" && fail "$program keeps its .comment section"
  grep -q 'FLAGS.*BIND_NOW' <<< "$elf" || fail "$program is not bound at load (-z now)"
  grep -q GNU_RELRO <<< "$elf" || fail "$program has no read-only relocations"
  grep -q 'DYN (Position-Independent' <<< "$elf" || fail "$program is no PIE"
  grep -q '__[a-z]*printf_chk@' <<< "$elf" || fail "$program has no fortified calls"
done
pass "both programs: PIE, relro, bind now, fortified, no .comment"

"$here/xscreensaver_test.sh" "$tree" || exit 1
