#!/usr/bin/env bash
# installer_scenarios.sh SCENARIO BUILD_DIR MEDIUM DRIVER
# One scenario of the installer under Wine on the build tree's Xvfb display,
# run from a copy of the installation medium, its dialog and message boxes
# answered by the driver program. Prints what it checks.
set -uo pipefail
scenario=$1 build=$2 medium=$3 driver=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
run=("$root/tools/wine/run.sh" "$build")
export DISPLAY=":$(cat "$build/wine-state/display-24")"
windows="$build/wineprefix/drive_c/windows"
work=$(mktemp -d)
installer_pid=
cleanup() {
  [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
  rm -rf "$work" "$windows/Velmora.scr" "$windows/Velmsav.scr" "$windows/Velmora.new"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/driver.out" ] && sed "s/^/  saw: /" "$work/driver.out"; exit 1; }
pass() { echo "ok: $*"; }

rm -rf "$windows/Velmora.scr" "$windows/Velmsav.scr"
cp -r "$medium" "$work/medium"
cd "$work/medium"
start_installer() { VELMORA_WINE_TIMEOUT=60 "${run[@]}" install.exe & installer_pid=$!; }
wait_installer() {  # its exit code must be 0
  for _ in $(seq 300); do
    if ! kill -0 "$installer_pid" 2>/dev/null; then
      wait "$installer_pid"; local code=$?; installer_pid=
      [ "$code" -eq 0 ] || fail "the installer ended with $code"
      return 0
    fi
    sleep 0.1
  done
  fail "the installer did not end"
}
drive() { "${run[@]}" "$driver" "$@" | tr -d '\r' | tee "$work/driver.out"; }
saw() { grep -qF "$1" "$work/driver.out" || fail "no \"$1\""; }

case "$scenario" in
  install)
    start_installer
    sleep 3
    import -display "$DISPLAY" -window root -depth 8 "$work/shot.ppm" 2>/dev/null
    blue() { convert "$work/shot.ppm" -format "%[fx:int(255*p{$1}.b)] %[fx:int(255*max(p{$1}.r,p{$1}.g))]" info:; }
    read -r top top_other <<< "$(blue 3,0)"
    read -r low low_other <<< "$(blue 3,740)"
    drive continue yes
    wait_installer
    saw "dialog: version 3.0 for Windows 95 (32 bit),"
    saw 'box: Velmora screen saver was successfully installed.'
    cmp -s Velmsav.W32 "$windows/Velmora.scr" || fail "Velmora.scr is not the module byte for byte"
    [ ! -e "$windows/Velmora.new" ] || fail "a temporary file was left behind"
    pass "Continue copied the module byte for byte to C:\\windows\\Velmora.scr and said so"
    [ "$top" -ge 250 ] && [ "$top_other" -eq 0 ] && [ "$low" -le 64 ] && [ "$low_other" -eq 0 ] ||
      fail "the backdrop is not blue at the top and nearly black below: blue $top and $low"
    pass "behind the dialog the backdrop runs from blue $top at the top to blue $low near the bottom"
    ;;
  keep)
    printf 'an older saver' > "$windows/Velmora.scr"
    start_installer
    drive continue no
    wait_installer
    saw 'box: Velmora installation has detected a previous version of the screen saver installed. Overwrite?'
    saw 'box: Installation interrupted'
    [ "$(cat "$windows/Velmora.scr")" = "an older saver" ] || fail "the present saver was changed"
    pass "No keeps the present saver untouched and says \"Installation interrupted\""
    ;;
  overwrite)
    printf 'an older saver' > "$windows/Velmora.scr"
    start_installer
    drive continue yes
    wait_installer
    saw 'box: Velmora installation has detected a previous version of the screen saver installed. Overwrite?'
    saw 'box: Velmora screen saver was successfully installed.'
    cmp -s Velmsav.W32 "$windows/Velmora.scr" || fail "Yes did not replace Velmora.scr with the module"
    [ ! -e "$windows/Velmsav.scr" ] || fail "the new saver went to Velmsav.scr beside the old one"
    pass "Yes replaces the installed Velmora.scr with the module, byte for byte"
    ;;
  damaged)
    whole=$(stat -c %s Velmsav.W32)
    for size in 4096 0 $((whole - 1)); do
      printf 'an older saver' > "$windows/Velmora.scr"
      cp "$medium/Velmsav.W32" Velmsav.W32 && truncate -s "$size" Velmsav.W32
      start_installer
      drive continue yes
      wait_installer
      saw 'box: The installation medium is damaged: "Velmsav.W32" is not a whole screen saver module.'
      grep -q 'successfully installed' "$work/driver.out" && fail "a damaged module of $size bytes was called installed"
      [ "$(cat "$windows/Velmora.scr")" = "an older saver" ] || fail "a module of $size bytes replaced the saver"
      [ ! -e "$windows/Velmsav.scr" ] && [ ! -e "$windows/Velmora.new" ] || fail "a module of $size bytes left a file"
      pass "a module cut to $size of $whole bytes is refused as a damaged medium; the installed saver stays"
    done
    ;;
  unwritable)
    printf 'an older saver' > "$windows/Velmora.scr"
    mkdir "$windows/Velmora.new"  # what the copy would be written to cannot be made
    start_installer
    drive continue yes
    wait_installer
    rmdir "$windows/Velmora.new"
    saw 'box: Could not open output file C:\windows\Velmora.new'
    [ "$(cat "$windows/Velmora.scr")" = "an older saver" ] || fail "the installed saver was changed"
    pass "when the copy cannot be written the box names that file, and the installed saver stays"
    ;;
  no-source)
    printf 'an older saver' > "$windows/Velmora.scr"
    rm Velmsav.W32
    start_installer
    drive continue yes
    wait_installer
    saw 'box: Could not open input file Velmsav.W32'
    [ "$(cat "$windows/Velmora.scr")" = "an older saver" ] || fail "the installed saver was damaged"
    pass "without Velmsav.W32 the installed saver stays intact and the box says why"
    ;;
  fallback)
    mkdir "$windows/Velmora.scr"  # a folder of that name: the saver cannot be put there
    start_installer
    drive continue yes
    wait_installer
    rmdir "$windows/Velmora.scr"
    saw 'box: Velmora screen saver was successfully installed.'
    cmp -s Velmsav.W32 "$windows/Velmsav.scr" || fail "no Velmsav.scr equal to the module"
    pass "when Velmora.scr cannot be written the saver goes to Velmsav.scr"
    ;;
  cancel)
    start_installer
    drive cancel yes
    wait_installer
    grep -q '^box:' "$work/driver.out" && fail "a box appeared after Cancel"
    [ ! -e "$windows/Velmora.scr" ] && [ ! -e "$windows/Velmsav.scr" ] || fail "Cancel copied something"
    pass "Cancel copies and starts nothing, and the installer ends with 0"
    ;;
  second-instance)
    start_installer
    first=$installer_pid
    sleep 3
    VELMORA_WINE_TIMEOUT=60 "${run[@]}" install.exe & second=$!
    drive none yes
    saw 'box: Another instance of this program is already running'
    for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$second" 2>/dev/null && fail "the second installer did not end"
    wait "$second" || fail "the second installer did not end with 0"
    installer_pid=$first
    drive cancel yes >/dev/null
    wait_installer
    pass "a second installer says \"Another instance of this program is already running\" and ends"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "1 passed, 0 failed"
