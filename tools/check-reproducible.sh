#!/usr/bin/env bash
# tools/check-reproducible.sh [PRESET...]: builds the published files a second
# time, from a copy of this tree in another folder, and compares them byte for
# byte with the builds of this checkout (built first when missing). Presets:
# native (the programs and the Debian package), windows (the saver, the
# installer and the medium's zip), web (the page's files); default all three.
# Both builds take SOURCE_DATE_EPOCH (default: the last commit's time).
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native windows web)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

declare -A targets=(
  [native]="velmora velmora-render velmora_compressed_docs"
  [windows]="medium"
  [web]="all")
declare -A outputs=(
  [native]="linux/velmora tools/velmora-render velmora_*_amd64.deb"
  [windows]="saver/clouds.scr installer/install.exe medium.zip"
  [web]="site/*")

# The copy: the files git keeps or would keep, as they are now, in a folder of another name
# and depth.
copy=$(mktemp -d /tmp/velmora-reproduce.XXXXXX)/second/tree
trap 'rm -rf "$(dirname "$(dirname "$copy")")"' EXIT
mkdir -p "$copy"
git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  xargs -0 cp --parents -t "$copy"

build() {  # build TREE PRESET: the preset's files, or the build's own words and exit
  local tree=$1 preset=$2 werror log
  werror=$(sed -n 's/^VELMORA_WERROR:BOOL=//p' "$here/build/$preset/CMakeCache.txt" 2>/dev/null || true)
  log="$tree/build/$preset-reproduce.log"
  mkdir -p "$tree/build"
  if ! (cd "$tree" && cmake --preset "$preset" -DVELMORA_WERROR="${werror:-OFF}" &&
        for t in ${targets[$preset]}; do cmake --build --preset "$preset" --target "$t" || exit 1; done &&
        if [ "$preset" = native ]; then cd build/native && rm -f velmora_*.deb && cpack -G DEB; fi) >"$log" 2>&1; then
    tail -n 30 "$log"
    echo "FAIL: $preset: the build in $tree failed"
    exit 1
  fi
}

status=0
for preset in "${presets[@]}"; do
  start=$(date +%s)
  build "$here" "$preset"
  build "$copy" "$preset"
  compared=0
  for pattern in ${outputs[$preset]}; do
    for first in "$here/build/$preset"/$pattern; do
      name=${first#"$here/build/$preset/"}
      second="$copy/build/$preset/$name"
      [ -f "$first" ] || continue
      compared=$((compared + 1))
      if ! cmp -s "$first" "$second"; then
        echo "FAIL: $preset: $name differs between $here and $copy"
        status=1
      fi
    done
  done
  [ "$compared" -gt 0 ] || { echo "FAIL: $preset: nothing was built to compare"; status=1; }
  echo "$preset: $compared files compared in $(( $(date +%s) - start )) s"
done
[ "$status" -eq 0 ] && echo "ok: the second build in another folder gave the same bytes"
exit "$status"
