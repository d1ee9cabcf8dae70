#!/usr/bin/env bash
# The web page as the build wrote it: its size as a visitor downloads it, and
# the page in Debian's Chromium, headless (tests/web/page.test.mjs).
# usage: check_site.sh SITE_FOLDER NATIVE_BUILD   (the native build has velmora-render)
set -euo pipefail
site=$(realpath "$1")
native=$(realpath "$2")
here=$(dirname "$(realpath "$0")")

for f in index.html page.js page.css velmora.js velmora.wasm share.png icon.png; do
  [ -s "$site/$f" ] || { echo "check_site: $site/$f is missing" >&2; exit 1; }
done
# The script and the wasm together stay under 1 MB as a server sends them compressed.
compressed=$(cat "$site/velmora.js" "$site/page.js" | gzip -9 | wc -c)
compressed=$((compressed + $(gzip -9 < "$site/velmora.wasm" | wc -c)))
echo "check_site: velmora.wasm and the scripts compressed: $compressed bytes"
if [ "$compressed" -ge 1048576 ]; then
  echo "check_site: more than 1 MB compressed" >&2
  exit 1
fi

# Each case has its own time limit; this one holds the whole run to a bound too.
VELMORA_SITE="$site" VELMORA_RENDER="$native/tools/velmora-render" timeout 1800 node --test "$here/page.test.mjs" "$here/access.test.mjs"
