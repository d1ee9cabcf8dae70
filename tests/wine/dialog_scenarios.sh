#!/usr/bin/env bash
# dialog_scenarios.sh SCENARIO BUILD_DIR SAVER DRIVER
# The configuration dialog (clouds.scr /c) through the real dialog manager
# under Wine, played by the driver program; checks what the controls show and
# what the settings file holds afterwards. Prints what it checks.
set -uo pipefail
scenario=$1 build=$2 saver=$3 driver=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
run=("$root/tools/wine/run.sh" "$build")
export DISPLAY=":$(cat "$build/wine-state/display-24")"
work=$(mktemp -d)
dialog_pid=
dpi_set=
set_dpi() {  # the display's DPI for the next processes (LogPixels)
  "${run[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot set LogPixels"
  dpi_set=1
}
cleanup() {
  [ -n "$dialog_pid" ] && kill "$dialog_pid" 2>/dev/null
  [ -n "$dpi_set" ] && "${run[@]}" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok: $*"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export VELMORA_CONFIG_DIR="$(windows_path "$work/config")"
ini="$work/config/control.ini"
mkdir -p "$work/config"

# settings lines: the section starts with them (empty: a fresh system)
open_dialog() {
  [ -n "$1" ] && printf '[ScreenSaver.Velmora]\n%b' "$1" > "$ini"
  VELMORA_WINE_TIMEOUT=60 "${run[@]}" "$saver" /c & dialog_pid=$!
}
drive() { "${run[@]}" "$driver" "$@" | tr -d '\r' > "$work/out"; cat "$work/out" >> "$work/all"; }
# expect ID field=value ... (from the last drive)
expect() {
  local id=$1; shift
  local line
  line=$(grep -aE "^$id class=" "$work/out" | tail -n 1)
  [ -n "$line" ] || fail "no control $id"
  for pair in "$@"; do
    case " $line " in *" $pair "*|*" $pair") ;; *) fail "control $id: wanted $pair, got: $line" ;; esac
  done
}
ended() {  # the dialog's process has ended, with this exit code
  for _ in $(seq 100); do
    if ! kill -0 "$dialog_pid" 2>/dev/null; then wait "$dialog_pid"; local code=$?; dialog_pid=
      [ "$code" -eq "$1" ] || fail "exit code $code, not $1"; return 0; fi
    sleep 0.1
  done
  fail "the dialog did not end"
}
key() { tr -d "\r" < "$ini" | grep -E "^$1=" | head -n 1 | cut -d= -f2-; }

case "$scenario" in
  fresh)
    open_dialog ""
    drive dump
    expect 2560 class=Edit enabled=1 text=3
    expect 2561 class=Edit enabled=0 text=1
    expect 3585 checked=1 "text=or &Random"
    expect 3593 checked=0 enabled=1
    expect 2562 enabled=0 text=1
    expect 3584 checked=1; expect 3589 checked=1; expect 3590 checked=0
    expect 3587 checked=1 enabled=1
    expect 3595 checked=1 "text=&None"
    expect 2567 text=10; expect 2564 text=4; expect 2563 text=20; expect 2569 text=30
    expect 3200 class=ComboBox text=None; expect 3201 class=ComboBox text=None
    expect 3591 visible=0; expect 3328 visible=0; expect 3714 visible=0
    expect 3717 "text=Special Effects"
    expect 3712 class=Static visible=1
    [ "$(grep -ac " class=" "$work/out")" -ge 49 ] || fail "fewer controls than the template's 49"
    # Places in dialog units, within two units of the template: the scale is
    # measured from outside the process (pixels rounded per control), which
    # leaves controls near the right edge up to two units short.
    for want in 2561:85,74,17,12 3585:106,74,51,10 3595:11,119,47,10 2560:153,137,17,12 2688:139,153,68,11 \
                2564:208,184,17,12 3200:95,237,95,52 3584:245,164,91,10 2562:336,205,17,12 1:248,260,54,16 \
                2:56,260,50,16 3712:243,69,106,75 2944:6,15,18,20 3717:2,106,233,119; do
      id=${want%%:*}
      got=$(grep -aE "^$id class=" "$work/out" | head -n 1 | sed -E 's/.* place=([-0-9,]+).*/\1/')
      [ "$id" = 3200 ] && want="3200:95,237,95" && got=${got%,*}  # a closed combo box is as high as its field
      paste -d' ' <(tr ',' '\n' <<< "${want#*:}") <(tr ',' '\n' <<< "$got") |
        awk -v id="$id" '{ d = $1 - $2; if (d > 2 || d < -2) { print "control " id " is at " $2 ", not " $1; exit 1 } }' ||
        fail "control $id: place $got, template ${want#*:}"
    done
    pass "fresh settings open as described: 3 s, granularity 1 greyed with or Random, palettes, None, 10, 4, 20, 30"
    drive click:2
    ended 0
    [ "$(key RandomPalette)" = 1 ] || fail "opening did not create the section"
    pass "Cancel ends with 0 (opening created the section, as the first load does)"
    ;;
  opening-states)
    open_dialog 'TimeOnScreen=0\n'
    drive state:3586 state:2560 state:3724
    expect 3586 checked=1; expect 2560 enabled=0 text=0; expect 3724 enabled=0
    drive click:2; ended 0
    pass "TimeOnScreen 0: or Infinite checked, 2560 greyed showing 0"
    open_dialog 'TimeOnScreen=5\nSpecialEffects=1\n'
    drive state:2560 state:3724 state:3586 state:3596
    expect 2560 enabled=0; expect 3724 enabled=0; expect 3586 enabled=0; expect 3596 checked=1
    drive click:2; ended 0
    pass "moving without psychedelic: 2560, its label and or Infinite greyed"
    open_dialog 'TimeOnScreen=5\nSpecialEffects=4\n'
    drive state:2560 state:3724 state:3586 state:3597 state:3595
    expect 2560 enabled=0; expect 3724 enabled=0; expect 3586 enabled=0; expect 3597 checked=1; expect 3595 checked=0
    drive click:2; ended 0
    pass "transforming without psychedelic: 2560, its label and or Infinite greyed"
    open_dialog ""
    drive click:3597 state:3595 state:2560 state:3724 state:3586
    expect 3595 checked=0; expect 2560 enabled=0; expect 3724 enabled=0; expect 3586 enabled=0
    drive click:2; ended 0
    pass "a click on Transforming in a fresh dialog unchecks None and greys 2560, its label and or Infinite"
    ;;
  commands)
    open_dialog ""
    drive click:3590 state:3584 state:3589 state:3587 state:2562
    expect 3584 checked=0; expect 3589 checked=0; expect 3587 checked=0 enabled=0; expect 2562 enabled=1
    drive click:3584 state:3590 state:2562 state:3587
    expect 3590 checked=0; expect 2562 enabled=0; expect 3587 checked=0 enabled=1
    drive click:3589 state:2562 state:3590
    expect 2562 enabled=0; expect 3590 checked=0
    pass "the palette boxes: fixed excludes random and predefined, random enables continuous changing"
    drive click:3585 state:2561 state:3593
    expect 2561 enabled=1; expect 3593 enabled=0
    drive click:3586 state:2560 state:3724
    expect 2560 enabled=0; expect 3724 enabled=0
    drive click:3586 state:2560
    expect 2560 enabled=1
    pass "or Random and or Infinite grey what they stand for"
    drive click:3596 state:3595 state:2560 state:3586
    expect 3595 checked=0; expect 2560 enabled=0; expect 3586 enabled=0
    drive click:3598 wait:300 state:3586 state:2560
    expect 3586 enabled=1; expect 2560 enabled=1
    drive click:3598 state:2560 state:3586
    expect 2560 enabled=0; expect 3586 enabled=0
    drive click:3597 state:3595
    expect 3595 checked=0
    drive click:3595 wait:300 state:3596 state:3598 state:3597 state:3586 state:2560
    expect 3596 checked=0; expect 3598 checked=0; expect 3597 checked=0; expect 3586 enabled=1; expect 2560 enabled=1
    pass "the effect boxes, None with its posted click of or Infinite"
    drive click:2; ended 0
    ;;
  ok-rules)
    open_dialog ""
    drive click:3584 click:3589 text:2563:0 text:2562:9 text:2569:abc text:2560:12345678901234 \
      scroll:2688:3 state:2567
    expect 2567 text=59
    drive click:1
    ended 1
    [ "$(key RandomPalette)" = 1 ] || fail "no palette box saved RandomPalette $(key RandomPalette)"
    [ "$(key TransformSteps)" = 1 ] || fail "steps 0 saved $(key TransformSteps)"
    [ "$(key PaletteIndex)" = 9 ] || fail "palette 9 saved $(key PaletteIndex)"
    [ "$(key EffectCycle)" = 0 ] || fail "text that is no number saved $(key EffectCycle)"
    [ "$(key TimeOnScreen)" = 0 ] || fail "a number past 32 bits saved $(key TimeOnScreen)"
    [ "$(key PsycheDelay)" = 59 ] || fail "the delay bar saved $(key PsycheDelay)"
    pass "OK: no palette box saves RandomPalette 1, steps 0 save 1, palette 9 saves 9, non-numbers save 0"
    open_dialog ""
    drive text:2563:5 click:1; ended 1
    [ "$(key TransformSteps)" = 5 ] || fail "steps 5 saved $(key TransformSteps)"
    pass "steps 5 save 5"
    ;;
  scroll)
    open_dialog 'PsycheDelay=990\nMovingSpeed=1\n'
    drive scroll:2688:3 state:2567 scroll:2688:3 state:2567
    expect 2567 text=999
    drive scroll:2689:0 state:2564 scroll:2689:2 state:2564
    expect 2564 text=1
    drive scroll:2689:3 state:2564 scroll:2689:1 state:2564
    expect 2564 text=25
    drive scroll:2688:2 state:2567 scroll:2688:5:17 state:2567 scroll:2688:0 state:2567
    expect 2567 text=16
    drive scroll:2689:6 state:2564
    expect 2564 text=25
    pass "page and line requests stop at both ends (999, 1); thumb requests; SB_LEFT changes nothing"
    drive click:2; ended 0
    [ "$(key PsycheDelay)" = 990 ] || fail "Cancel wrote the settings"
    pass "Cancel writes nothing"
    ;;
  unsaved)
    mkdir "$ini"  # a folder where the file should be: nobody can write it, root neither
    open_dialog ""
    drive text:2560:9 click:1 box state:2560
    grep -q '^box: The settings could not be saved.' "$work/out" || fail "no warning: $(cat "$work/out")"
    expect 2560 text=9
    kill -0 "$dialog_pid" 2>/dev/null || fail "the dialog closed and the edits were lost"
    pass "a settings file that cannot be written: a warning, and the dialog stays open with the edits"
    rmdir "$ini"
    drive click:1; ended 1
    [ "$(key TimeOnScreen)" = 9 ] || fail "the second OK saved $(key TimeOnScreen)"
    pass "once the file can be written, OK saves them"
    ;;
  frame-fill)
    # The animation fills its frame inside the sunken edge at 96 DPI and at
    # 144 DPI (150 %), where the frame grows with the dialog units.
    for dpi in 96 144; do
      set_dpi "$dpi"
      open_dialog ""
      drive wait:700 inside:3712
      IFS=, read -r l t r b <<< "$(sed -n 's/^inside=//p' "$work/out")"
      [ -n "${b:-}" ] || fail "no frame: $(cat "$work/out")"
      w=$((r - l)) h=$((b - t)) strip=8
      import -display "$DISPLAY" -window root png:"$work/shot.png" 2>/dev/null
      whole=$(convert "$work/shot.png" -crop "${w}x${h}+$l+$t" -format %k info:)
      right=$(convert "$work/shot.png" -crop "${strip}x${h}+$((r - strip))+$t" -format %k info:)
      bottom=$(convert "$work/shot.png" -crop "${w}x${strip}+$l+$((b - strip))" -format %k info:)
      echo "$dpi DPI: frame ${w}x${h}; colours $whole in all, $right in its right $strip columns, $bottom in its bottom $strip rows"
      [ "$whole" -ge 40 ] && [ "$right" -ge 20 ] && [ "$bottom" -ge 20 ] || fail "at $dpi DPI the picture does not fill its frame"
      eval "width_$dpi=$w"
      drive click:2; ended 0
    done
    [ $((width_144 * 10)) -ge $((width_96 * 14)) ] || fail "the frame did not grow with the DPI (${width_96} and ${width_144} pixels)"
    pass "the animation fills its frame at 96 and 144 DPI (${width_96} and ${width_144} pixels wide)"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "1 passed, 0 failed"
