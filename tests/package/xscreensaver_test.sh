#!/usr/bin/env bash
# xscreensaver_test.sh TREE: the real XScreenSaver daemon runs velmora from an
# unpacked package (TREE/usr/bin on its PATH), as a normal user would: the
# daemon refuses to run programs as root, so it runs as a user made for the
# test, on an Xvfb of that user, with a ~/.xscreensaver that selects only
# velmora, as the README says. Five activations show velmora's picture and
# each deactivation ends velmora with exit 0 and nothing said; then the
# command lines the settings dialog writes from velmora.xml with every widget
# at one end, then at the other, run the same way. Needs root (or sudo).
set -uo pipefail
tree=$(cd "$1" && pwd)
user=velmora-saver-test
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok: $*"; }
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo -n)
"${as_root[@]}" true 2>/dev/null || fail "needs root or password-less sudo, to run the daemon as a normal user"
id "$user" >/dev/null 2>&1 || "${as_root[@]}" useradd --system --no-create-home --shell /usr/sbin/nologin "$user" ||
  fail "cannot make the user $user"

work=$(mktemp -d /tmp/velmora-xscreensaver.XXXXXX)
chmod 755 "$work"
"${as_root[@]}" chown "$user" "$work"
as_user() { "${as_root[@]}" runuser -u "$user" -- env HOME="$work" PATH="$tree/usr/bin:/usr/bin:/bin" "$@"; }
xvfb_pid= daemon_pid=
cleanup() {
  [ -n "$daemon_pid" ] && "${as_root[@]}" kill "$daemon_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && "${as_root[@]}" kill "$xvfb_pid" 2>/dev/null
  sleep 0.5
  "${as_root[@]}" rm -rf "$work"
}
trap cleanup EXIT

# The user's Xvfb, and the daemon on it, logging what it and its programs say.
as_user sh -c 'Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$HOME/display" </dev/null >/dev/null 2>&1 &
               echo $! > "$HOME/xvfb.pid"'
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
xvfb_pid=$(cat "$work/xvfb.pid")
export DISPLAY=":$(cat "$work/display")"

settings() {  # the programs: line of ~/.xscreensaver holds one command line
  as_user sh -c "cat > \"\$HOME/.xscreensaver\"" <<SETTINGS
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
mode:		one
selected:	0
programs:							      \\
  $1                                         \\n\\

SETTINGS
}
settings "velmora -root --dialog-settings"
as_user sh -c "DISPLAY=$DISPLAY xscreensaver --no-splash --verbose --log \"\$HOME/daemon.log\" </dev/null >/dev/null 2>&1 &
               echo \$! > \"\$HOME/daemon.pid\""
sleep 1
daemon_pid=$(cat "$work/daemon.pid")
command() { as_user env DISPLAY="$DISPLAY" xscreensaver-command "$@" >/dev/null 2>&1; }
for _ in $(seq 50); do command -time && break; sleep 0.2; done
command -time || fail "the daemon does not answer: $(cat "$work/daemon.log")"

# One activation: velmora starts with this command line, shows its picture,
# and the deactivation ends it with 0, while its tracer notes how it ended.
cycle() {  # what, expected arguments
  local what=$1 args=$2 pid= colours=0 logged
  logged=$(wc -c < "$work/daemon.log")
  command -activate || fail "$what: -activate was not taken"
  for _ in $(seq 100); do
    pid=$(pgrep -u "$user" -x velmora | head -n 1)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || fail "$what: the daemon started no velmora: $(tail -n 5 "$work/daemon.log")"
  [ "$(tr '\0' ' ' < "/proc/$pid/cmdline")" = "velmora $args " ] ||
    fail "$what: velmora runs as \"$(tr '\0' ' ' < "/proc/$pid/cmdline")\""
  "${as_root[@]}" strace -q -e trace=none -e signal=none -p "$pid" -o "$work/trace" 2>/dev/null & local tracer=$!
  for _ in $(seq 40); do
    colours=$(import -display "$DISPLAY" -window root png:- 2>/dev/null | convert - -format %k info: 2>/dev/null)
    [ "${colours:-0}" -ge 40 ] && break
    sleep 0.25
  done
  [ "${colours:-0}" -ge 40 ] || fail "$what: the screen shows ${colours:-0} colours"
  command -deactivate || fail "$what: -deactivate was not taken"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$what: velmora still runs after -deactivate"
  wait "$tracer"
  grep -q '+++ exited with 0 +++' "$work/trace" || fail "$what: velmora ended: $(cat "$work/trace")"
  # Whatever velmora says goes to the daemon's log, among the daemon's own lines.
  local said
  said=$(tail -c +$((logged + 1)) "$work/daemon.log" | grep -av '^xscreensaver' | grep -av '^$')
  [ -z "$said" ] || fail "$what: velmora said: $said"
  pass "$what: velmora's picture ($colours colours), and -deactivate ended it with 0, saying nothing"
}

for round in 1 2 3 4 5; do cycle "activation $round" "-root --dialog-settings"; done

# The command lines the settings dialog writes from velmora.xml: every widget
# at its low end, then at its high end (a box unchecked, then checked; a menu
# at its first, then its last choice), numbers left out at their defaults as
# the dialog does.
for end in low high; do
  line=$(python3 - "$tree/usr/share/xscreensaver/config/velmora.xml" "$end" <<'PYTHON'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
high = sys.argv[2] == "high"
words = [command.get("arg") for command in root.iter("command")]
for widget in root.iter():
    if widget.tag == "number":
        value = widget.get("high" if high else "low")
        if value != widget.get("default"):
            words.append(widget.get("arg").replace("%", value))
    elif widget.tag == "boolean":
        arg = widget.get("arg-set" if high else "arg-unset")
        if arg:
            words.append(arg)
    elif widget.tag == "select":
        options = widget.findall("option")
        arg = options[-1 if high else 0].get("arg-set")
        if arg:
            words.append(arg)
print("velmora " + " ".join(words))
PYTHON
)
  [ -n "$line" ] || fail "no command line from velmora.xml"
  settings "$line"
  cycle "every widget at its $end end ($line)" "${line#velmora }"
done
echo "1 passed, 0 failed"
