#!/usr/bin/env bash
# saver_scenarios.sh SCENARIO BUILD_DIR SAVER [HELPER] [PROBE]
# One scenario of the real saver module under Wine on the build tree's Xvfb
# display (the 8-bit one with VELMORA_WINE_DEPTH=8). Prints what it checks.
set -uo pipefail
scenario=$1 build=$2 saver=$3 helper=${4:-} probe=${5:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
run=("$root/tools/wine/run.sh" "$build")
depth=${VELMORA_WINE_DEPTH:-24}
export DISPLAY=":$(cat "$build/wine-state/display-$depth")"
work=$(mktemp -d)
saver_pid=
xephyr_pid=
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null
  if [ -n "$xephyr_pid" ]; then  # Wine's desktop goes back to the 24-bit display
    "$root/tools/wine/fixture.sh" serve "$build"
    kill "$xephyr_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export VELMORA_CONFIG_DIR="$(windows_path "$work/config")"

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok: $*"; }

# The saver's standard error goes to saver.err as well, to tell Wine's own
# failures from the saver's.
start_saver() {
  : > "$work/saver.err"
  VELMORA_WINE_TIMEOUT=90 "${run[@]}" "$saver" "$@" 2> >(tee -a "$work/saver.err" >&2) & saver_pid=$!
}

# The saver ended with 0. On the 8-bit display Wine itself now and then ends a
# process that is closing its windows with an X error about one of them
# (X_UnmapWindow, BadWindow: the X window is already gone), exit code 1. A
# Windows program cannot cause an X protocol error, so that exact case is
# Wine's and is said, not failed; any other code fails.
expect_clean_exit() {  # what ended it
  [ "$exit_code" -eq 0 ] && return 0
  sleep 0.5  # what the process said is all in saver.err
  if [ "$exit_code" -eq 1 ] && [ "${VELMORA_WINE_DEPTH:-24}" = 8 ] &&
     grep -q 'BadWindow (invalid Window parameter)' "$work/saver.err" &&
     grep -q 'Major opcode of failed request:  10 (X_UnmapWindow)' "$work/saver.err"; then
    echo "note: Wine ended the process with its own X error while taking the window off ($1)"
    return 0
  fi
  fail "exit code $exit_code $1"
}

wait_window() {  # title
  for _ in $(seq 150); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to 20 s for the saver to end; its exit code goes to exit_code.
wait_exit() {
  for _ in $(seq 200); do
    if ! kill -0 "$saver_pid" 2>/dev/null; then
      wait "$saver_pid"
      exit_code=$?
      saver_pid=
      return 0
    fi
    sleep 0.1
  done
  return 1
}

running() { [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; }

distinct_colours() { import -display "$DISPLAY" -window root png:- 2>/dev/null | convert - -format %k info: 2>/dev/null; }

park_mouse() { xdotool mousemove 500 400; sleep 0.3; }

# Seconds from a 5-pixel mouse move until the process has ended, in elapsed.
time_dismissal() {
  local started
  started=$(date +%s.%N)
  xdotool mousemove_relative -- 5 0
  wait_exit || fail "a 5-pixel move did not end $1"
  elapsed=$(echo "$(date +%s.%N) - $started" | bc)
}

# How long Wine takes to end a bare Win32 window ($helper) on the same move, in bare.
time_bare_window() {
  park_mouse
  VELMORA_WINE_TIMEOUT=60 "${run[@]}" "$helper" & saver_pid=$!
  wait_window "Bare Window" || fail "no bare window"
  sleep 1.5
  time_dismissal "the bare window"
  bare=$elapsed
  park_mouse
}

# A 5-pixel move ends the running saver with 0, no later than a bare window ends (1 s slack).
expect_dismissal_like_bare() {
  time_dismissal "$1"
  expect_clean_exit "after a 5-pixel move"
  [ "$(echo "$elapsed > $bare + 1.0" | bc)" = 0 ] || fail "$1 took ${elapsed} s to go, a bare window ${bare} s"
  pass "a 5-pixel move ended $1 in ${elapsed} s; a bare window took ${bare} s"
}

# Two screenshots (before.ppm, after.ppm) taken $1 seconds apart; the time between them in between.
two_shots() {
  local started
  started=$(date +%s.%N)
  import -display "$DISPLAY" -window root -depth 8 ppm:"$work/before.ppm" 2>/dev/null
  sleep "$1"
  between=$(echo "$(date +%s.%N) - $started" | bc)
  import -display "$DISPLAY" -window root -depth 8 ppm:"$work/after.ppm" 2>/dev/null
}

close_with_key() {
  xdotool key a
  wait_exit || fail "a key did not end the saver"
  expect_clean_exit "after a key"
}

case "$scenario" in
  fullscreen)
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    geometry=$(xdotool getwindowgeometry "$(xdotool search --name '^Screen Saver$' | head -1)" | grep Geometry)
    echo "$geometry"
    [[ "$geometry" == *"1024x768"* ]] || fail "the window does not cover the 1024x768 screen"
    colours=0
    for _ in $(seq 30); do
      colours=$(distinct_colours)
      [ "${colours:-0}" -ge 40 ] && break
      sleep 0.5
    done
    [ "${colours:-0}" -ge 40 ] || fail "only ${colours:-0} colours on screen"
    pass "a picture with $colours distinct colours"
    xdotool mousemove_relative -- 5 0
    wait_exit || fail "a 5-pixel move did not end the saver"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    pass "a 5-pixel move ended it with 0"
    ;;
  mouse-threshold)
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 1
    xdotool mousemove_relative -- 2 2
    sleep 1.5
    running || fail "a move of 2 and 2 pixels ended the saver"
    pass "2+2 pixels do not end it"
    close_with_key
    pass "a key ends it with 0"
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 1
    xdotool mousemove_relative -- 3 0
    sleep 1
    running || fail "3 pixels ended the saver"
    xdotool mousemove_relative -- 0 2
    wait_exit || fail "3 right then 2 down did not end the saver"
    pass "3 right then 2 down add up and end it"
    ;;
  second-instance)
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    VELMORA_WINE_TIMEOUT=20 "${run[@]}" "$saver" /s
    second=$?
    [ "$second" -eq 0 ] || fail "the second /s ended with $second"
    sleep 0.5
    running || fail "the first saver ended"
    pass "a second /s ends at once with 0 and leaves the first running"
    close_with_key
    ;;
  command-lines)
    for args in "/x" "/p:123" "/p 0" "-p 123456" "/l abc"; do
      VELMORA_WINE_TIMEOUT=20 "${run[@]}" "$saver" $args
      code=$?
      [ "$code" -eq 255 ] || fail "'$args' ended with $code, not -1"
      pass "'$args' ends with -1"
    done
    VELMORA_WINE_TIMEOUT=20 "${run[@]}" "$saver" /a
    code=$?
    [ "$code" -eq 0 ] || fail "/a ended with $code"
    pass "/a without a changer ends with 0"
    ;;
  preview)
    VELMORA_WINE_TIMEOUT=60 "${run[@]}" "$helper" "$(windows_path "$saver")" || fail "preview checks failed"
    pass "preview child in the parent's client size, deaf to input, gone with its parent"
    ;;
  eight-bit)
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window on the 8-bit display"
    sleep 10
    running || fail "the saver ended on the 8-bit display"
    if xdotool search --name "^ScreenSaver.Velmora\$" >/dev/null 2>&1; then fail "a warning box appeared"; fi
    pass "10 s on the palette display without a warning"
    close_with_key
    ;;
  cycling)
    # Psychedelic colours: the picture's colours flow, the saver leaves as fast
    # as a bare window does, and a cycling picture costs little CPU.
    forever=${VELMORA_CYCLE_FOREVER:-0}
    time_on_screen=3; [ "$forever" = 1 ] && time_on_screen=0
    mkdir -p "$work/config"
    # Palette1's ramps (blue, red, green) hold no colour twice, and without the
    # feed a rotation only moves colours: old colours map to new ones one to one.
    printf '[ScreenSaver.Velmora]\nTimeOnScreen=%s\nSpecialEffects=2\nPsycheDelay=10\nContColorChange=0\nFixedPalette=1\nPaletteIndex=1\n' \
      "$time_on_screen" > "$work/config/control.ini"
    time_bare_window
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 1.5
    if [ "$depth" = 24 ]; then
      sleep 1.5  # the first picture is complete
      # A shot taken while Wine copies a repaint to the screen can show two
      # rotations at once: three tries.
      for try in 1 2 3; do
        two_shots 0.5
        check=$(python3 "$root/tests/wine/rotation_check.py" "$work/before.ppm" "$work/after.ppm") && break
        echo "  try $try: $check"
      done
      python3 "$root/tests/wine/rotation_check.py" "$work/before.ppm" "$work/after.ppm" >/dev/null ||
        fail "the screenshots are not one picture with rotated colours: $check"
      pass "half a second apart the same picture shows rotated colours ($check)"
    fi
    process=$(ps -eo pid=,comm= | awk '$2 == "clouds.scr" { print $1 }' | head -n 1)
    [ -n "$process" ] || fail "no saver process"
    ticks() { awk '{ print $14 + $15 }' "/proc/$process/stat"; }
    first=$(ticks); sleep 5; last=$(ticks)
    share=$(( (last - first) * 100 / (5 * $(getconf CLK_TCK)) ))
    pass "the cycling saver used ${share}% of one core over 5 s (${depth}-bit display)"
    if [ "$depth" = 8 ] && [ "$share" -gt 5 ]; then fail "index mode used more than 5% of a core"; fi
    expect_dismissal_like_bare "the cycling saver (TimeOnScreen $time_on_screen)"
    ;;
  moving|transforming)
    # Transitions: the picture scrolls at the paced speed or keeps changing,
    # and the saver leaves as fast as a bare window does.
    effect=1; [ "$scenario" = transforming ] && effect=4
    # The first picture takes the effect at once only on a system that has run
    # for EffectCycle seconds: the tick count counts from the boot, and the
    # last switch starts at 0. A machine just started (CI's first run) gets a
    # cycle that has passed already, still far longer than this test.
    uptime=$(cut -d. -f1 /proc/uptime)
    while [ "$uptime" -lt 60 ]; do sleep 1; uptime=$(cut -d. -f1 /proc/uptime); done
    cycle=600; [ "$uptime" -lt 630 ] && cycle=$((uptime - 30))
    mkdir -p "$work/config"
    printf '[ScreenSaver.Velmora]\nSpecialEffects=%s\nMovingSpeed=4\nTransformSteps=20\nEffectCycle=%s\n' \
      "$effect" "$cycle" > "$work/config/control.ini"
    time_bare_window
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 3
    if [ "$scenario" = moving ]; then
      for try in 1 2 3; do
        two_shots 0.3
        check=$(python3 "$root/tests/wine/scroll_check.py" "$work/before.ppm" "$work/after.ppm" "$between") && break
        echo "  try $try: $check"
      done
      python3 "$root/tests/wine/scroll_check.py" "$work/before.ppm" "$work/after.ppm" "$between" >/dev/null ||
        fail "no paced scroll: $check"
      pass "the picture scrolls up at the paced speed: $check"
    else
      two_shots 0.3
      cmp -s "$work/before.ppm" "$work/after.ppm" && fail "the picture did not change while transforming"
      pass "the picture keeps changing while transforming"
    fi
    expect_dismissal_like_bare "the $scenario saver"
    ;;
  syscommands)
    # Task switching and a second screen-saver start, asked of the running
    # full-screen saver, leave it running; a close request still ends it.
    park_mouse
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 1
    "${run[@]}" "$helper" "Screen Saver" F040 F050 F140 | tr -d '\r' | sed 's/^/  /'
    sleep 1
    running || fail "SC_NEXTWINDOW, SC_PREVWINDOW or SC_SCREENSAVE ended the saver"
    [ "$(xdotool search --name '^Screen Saver$' | wc -l)" -eq 1 ] || fail "a second saver window appeared"
    pass "task-switch and screen-saver commands leave the full-screen saver alone"
    "${run[@]}" "$helper" "Screen Saver" F060 >/dev/null
    wait_exit || fail "SC_CLOSE did not end the saver"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after SC_CLOSE"
    pass "SC_CLOSE still reaches the saver and ends it with 0"
    ;;
  password|crash)
    # A test verifier beside the saver, and protection switched on.
    mkdir -p "$work/bin"
    cp "$saver" "$work/bin/clouds.scr"
    cp "$helper" "$work/bin/PASSWORD.CPL"
    export VELMORA_TEST_VERIFIER_ANSWER="$(windows_path "$work/answer")"
    echo 0 > "$work/answer"
    "${run[@]}" reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null 2>&1
    trap '"${run[@]}" reg delete "HKCU\Control Panel\Desktop" /v ScreenSaveUsePassword /f >/dev/null 2>&1; cleanup' EXIT
    saver_running() { "${run[@]}" "$probe" | tr -d '\r'; }
    park_mouse
    saver="$work/bin/clouds.scr"
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    sleep 1
    [ "$(saver_running)" = running=1 ] || fail "the protected saver did not tell the system it runs"
    if [ "$scenario" = crash ]; then
      # An access violation inside the saver's process (in the verifier it calls).
      echo crash > "$work/answer"
      xdotool key a
      wait_exit || fail "the saver did not end after an access violation"
      [ "$(saver_running)" = running=0 ] || fail "after the crash the system still believes a saver runs"
      # The exit code is the system's once it has reported the exception (Wine's varies).
      pass "an access violation ends the saver and tells the system it no longer runs"
    else
      xdotool key a
      sleep 2
      running || fail "the saver ended although the verifier refused"
      calls=$(wc -l < "$work/answer.calls" 2>/dev/null || echo 0)
      [ "$calls" -ge 1 ] || fail "the verifier was not asked"
      pass "a refused password keeps the saver running (verifier asked $calls time(s))"
      echo 1 > "$work/answer"
      sleep 0.5
      close_with_key
      [ "$(saver_running)" = running=0 ] || fail "after the end the system still believes a saver runs"
      pass "an accepted password ends it with 0"
    fi
    ;;
  two-monitors)
    # Two monitors side by side, 1024x768 and 800x600 (Xephyr with Xinerama
    # inside the 24-bit Xvfb). Wine reads the monitors when its desktop starts,
    # so a new wineserver and desktop start there.
    setsid Xephyr -displayfd 3 -screen 1024x768 -screen 800x600 +xinerama -extension RANDR -nolisten tcp \
      3>"$work/xephyr" </dev/null >/dev/null 2>&1 & xephyr_pid=$!
    for _ in $(seq 100); do [ -s "$work/xephyr" ] && break; sleep 0.1; done
    [ -s "$work/xephyr" ] || fail "Xephyr did not start"
    export DISPLAY=":$(cat "$work/xephyr")" VELMORA_WINE_DISPLAY=":$(cat "$work/xephyr")"
    "$root/tools/wine/fixture.sh" serve "$build" "$DISPLAY"
    cursor() { "${run[@]}" "$helper" "$1" "$2" | tr -d '\r'; }
    [ "$(cursor 1400 300)" = cursor=1400,300 ] || fail "the cursor cannot be put on the second monitor"
    start_saver /s
    wait_window "Screen Saver" || fail "no full-screen window"
    geometry=$(xdotool getwindowgeometry "$(xdotool search --name '^Screen Saver$' | head -1)" | grep -E 'Position|Geometry' | tr -s ' \n' ' ')
    echo "$geometry"
    [[ "$geometry" == *"Position: 0,0"*"Geometry: 1824x768"* ]] || fail "the window does not cover both monitors"
    for _ in $(seq 30); do
      import -display "$DISPLAY" -window root png:"$work/both.png" 2>/dev/null
      first=$(convert "$work/both.png" -crop 1024x768+0+0 -format %k info: 2>/dev/null)
      second=$(convert "$work/both.png" -crop 800x600+1024+0 -format %k info: 2>/dev/null)
      [ "${first:-0}" -ge 40 ] && [ "${second:-0}" -ge 40 ] && break
      sleep 0.5
    done
    [ "${first:-0}" -ge 40 ] && [ "${second:-0}" -ge 40 ] || fail "colours: ${first:-0} on the first monitor, ${second:-0} on the second"
    # One picture: the columns either side of the monitors' border differ no
    # more than neighbouring columns inside either monitor do (two pictures
    # would differ there several times as much).
    columns_rmse() {  # x of the left column of a pair
      convert "$work/both.png" -crop "1x600+$1+0" +repage "$work/a.png" &&
        convert "$work/both.png" -crop "1x600+$(($1 + 1))+0" +repage "$work/b.png" &&
        compare -metric RMSE "$work/a.png" "$work/b.png" null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/'
    }
    seam=$(columns_rmse 1023) inside_first=$(columns_rmse 1020) inside_second=$(columns_rmse 1026)
    [ "$(echo "${seam:-1} <= 3 * ($inside_first + $inside_second) / 2 + 0.02" | bc -l)" = 1 ] ||
      fail "the two monitors show different pictures at their border (RMSE $seam; $inside_first and $inside_second inside them)"
    pass "one picture over both monitors: $first and $second colours; neighbouring columns RMSE $seam at the border, $inside_first and $inside_second inside"
    sleep 1
    running || fail "the saver ended before the move"
    cursor 1403 303 >/dev/null
    wait_exit || fail "a 6-pixel move on the second monitor did not end the saver"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    pass "a 6-pixel move on the second monitor ended it with 0"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "1 passed, 0 failed"
