#!/usr/bin/env bash
# Fuzzing with libFuzzer under the address and undefined-behaviour sanitizers.
#   tools/fuzz.sh [SECONDS]   builds the fuzz preset and runs every target for
#                             SECONDS each (default 600), keeping what it finds
#                             under build/fuzz/found/ (new inputs, crashes).
#   tools/fuzz.sh --run TARGET CORPUS SECONDS
#                             one target from a copy of its committed corpus
#                             (what the test command runs briefly).
set -euo pipefail
cd "$(dirname "$0")/.."

run_one() {  # target corpus seconds [found-folder]
  local target=$1 corpus=$2 seconds=$3 found=${4:-}
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  local keep=${found:-$work/new}
  mkdir -p "$keep" "$work/artifacts"
  # A dictionary beside the corpus folders: tests/fuzz/NAME.dict for corpus/NAME.
  local dict
  dict="$(dirname "$(dirname "$corpus")")/$(basename "$corpus").dict"
  local options=()
  [ -f "$dict" ] && options+=(-dict="$dict")
  # New inputs go to the first folder; the committed corpus is only read.
  if ! "$target" "${options[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/" "$keep" "$corpus" > "$work/log" 2>&1; then
    tail -n 40 "$work/log"
    [ -n "$found" ] && cp -r "$work/artifacts" "$found/../crashes-$(basename "$target")" 2>/dev/null
    echo "$(basename "$target"): FAILED, the input is in the log above" >&2
    return 1
  fi
  echo "$(basename "$target"): $(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$work/log" | grep -oE '[0-9]+') runs in ${seconds} s, no failure"
}

if [ "${1:-}" = --run ]; then
  run_one "$2" "$3" "$4"
  exit
fi

seconds=${1:-600}
tools/install-deps.sh
cmake --preset fuzz
cmake --build --preset fuzz
status=0
for name in profile plasma; do
  mkdir -p "build/fuzz/found/$name"
  run_one "build/fuzz/tests/fuzz/${name}_fuzz" "tests/fuzz/corpus/$name" "$seconds" "build/fuzz/found/$name" || status=1
done
exit "$status"
