#!/usr/bin/env bash
# profile_differential.sh NATIVE_DUMP WINDOWS_DUMP CORPUS WINE_RUN...
# Every file of the corpus is read by the native settings store (our profile
# reader) and by the Windows one (the real profile API under Wine); the records
# must be the same, except where NAME.difference names, with its reason, the
# exact lines in which Wine departs from Windows' documented behaviour. Then
# both write the first-run section into empty folders.
set -uo pipefail
native_dump=$1 windows_dump=$2 corpus=$3
shift 3
wine_run=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
cases=0

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

dump_both() {  # mode folder-prefix
  VELMORA_CONFIG_DIR="$2/native" "$native_dump" "$1" > "$2/native.out" 2>&1
  VELMORA_CONFIG_DIR="$(windows_path "$2/wine")" "${wine_run[@]}" "$windows_dump" "$1" 2>&1 | tr -d '\r' > "$2/wine.out"
}

for ini in "$corpus"/*.ini; do
  name=$(basename "$ini" .ini)
  dir="$work/$name"
  mkdir -p "$dir/native" "$dir/wine"
  cp "$ini" "$dir/native/control.ini"
  cp "$ini" "$dir/wine/control.ini"
  dump_both read "$dir"
  cases=$((cases + 1))
  known="$corpus/$name.difference"
  if diff -u "$dir/wine.out" "$dir/native.out" > "$dir/diff"; then
    echo "same: $name"
  elif [ -f "$known" ] && diff -q <(grep -v '^#' "$known") <(grep -E '^[-+]' "$dir/diff" | grep -vE '^(---|\+\+\+) ') >/dev/null; then
    echo "known difference: $name ($(grep -m1 '^#' "$known" | sed 's/^# *//'))"
  else
    echo "DIFFERENT: $name (wine first, native second)"
    cat "$dir/diff"
    failures=$((failures + 1))
  fi
done

# First run. Wine 8 trims a value when it writes it; Windows, and our native
# writer, keep the trailing spaces of the palette lines. Compare without them.
dir="$work/first-run"
mkdir -p "$dir/native" "$dir/wine"
dump_both load "$dir"
cases=$((cases + 1))
if ! grep -q '^Palette1=BLUE RED GREEN     $' "$dir/native/control.ini"; then
  echo "DIFFERENT: native first-run palette lines lost their trailing spaces"
  failures=$((failures + 1))
fi
if diff -u <(tr -d '\r' < "$dir/wine/control.ini" | sed 's/ *$//') <(sed 's/ *$//' "$dir/native/control.ini"); then
  echo "same: first-run file"
else
  echo "DIFFERENT: first-run file (wine first, native second)"
  failures=$((failures + 1))
fi
if ! diff -q "$dir/wine.out" "$dir/native.out" >/dev/null; then
  echo "DIFFERENT: records after the first run"
  failures=$((failures + 1))
fi

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
