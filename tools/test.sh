#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: native
# (AddressSanitizer, UndefinedBehaviorSanitizer), the saver's threaded tests
# under ThreadSanitizer, a short run of each fuzz target (clang, libFuzzer),
# the Debian package with the real XScreenSaver, the web page in headless
# Chromium, Windows under Wine, the versions, reproducibility and the release.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

status=0
cmake --preset native-test -DVELMORA_WERROR=ON
cmake --build --preset native-test
ctest --preset native-test || status=1

cmake --preset native-tsan -DVELMORA_WERROR=ON
cmake --build --preset native-tsan
ctest --preset native-tsan || status=1

cmake --preset fuzz -DVELMORA_WERROR=ON
cmake --build --preset fuzz
ctest --preset fuzz || status=1

# The release build, its Debian package, and the real XScreenSaver running
# the packaged program.
cmake --preset native -DVELMORA_WERROR=ON
cmake --build --preset native
tests/package/check_package.sh build/native || status=1

# The web page, built with emscripten and shown in Debian's Chromium; its
# pictures are compared with those of the release build's velmora-render.
cmake --preset web -DVELMORA_WERROR=ON
cmake --build --preset web
tests/web/check_site.sh build/web/site build/native || status=1

cmake --preset windows -DVELMORA_WERROR=ON -DVELMORA_NATIVE_BUILD_DIR="$PWD/build/native-test"
cmake --build --preset windows
ctest --preset windows || status=1

# One version everywhere; the same bytes from a second build in another
# folder; and the release as tools/release.sh makes it.
tests/release/check_versions.sh build/native build/windows build/web || status=1
tools/check-reproducible.sh || status=1
tests/release/check_release.sh || status=1

if [ "$status" -eq 0 ]; then echo "All tests passed."; else echo "Some tests failed." >&2; fi
exit "$status"
