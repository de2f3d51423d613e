#!/usr/bin/env bash
# pda in a real window: Xvfb is the display, xdotool the keyboard and
# mouse. A new device runs the wizard (typed), reboots into the power-on
# logon, counts one wrong password and unlocks with the right one, partly
# tapped on the soft keyboard.
# `pda inspect` checks each step; SIGTERM ends pda. The headless scenario
# tests cover the logic; this covers the window's keyboard and mouse.
# Exit 77 (skipped) where Xvfb or xdotool is missing.
set -euo pipefail
pda="$1"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "Xvfb or xdotool is not installed; skipped"
  exit 77
fi

work="$(mktemp -d)"
xPid=""
pdaPid=""
cleanup() {
  [ -n "$pdaPid" ] && kill "$pdaPid" 2>/dev/null || true
  [ -n "$xPid" ] && kill "$xPid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  echo "--- pda said:"
  cat "$work/pda.log" 2>/dev/null || true
  echo "--- the device holds:"
  "$pda" --device "$work/device" inspect 2>&1 | grep -v '^HK' || true
  exit 1
}

# The system password and the false-logon counter as `pda inspect` shows
# them; a device that never counted shows no counter, which is 0.
state() {
  "$pda" --device "$work/device" inspect 2>/dev/null |
    awk '/^password set/ {set=$3} /^retry/ {retry=$2}
         END {if (retry !~ /^[0-9]+$/) retry = 0; print "set=" set " retry=" retry}'
}

# Waits up to 30 s for the device to reach `want` (a `state` line).
await() {
  local want="$1" seen=""
  for _ in $(seq 300); do
    seen="$(state)"
    [ "$seen" = "$want" ] && return 0
    kill -0 "$pdaPid" 2>/dev/null || fail "pda ended while waiting for '$want'"
    sleep 0.1
  done
  fail "waited for '$want', the device shows '$seen'"
}

# Waits until the screen has stopped changing: pda writes a picture of
# every new screen, and none came for 0.7 s (at most 30 s).
settle() {
  local before after
  for _ in $(seq 40); do
    before="$(ls "$work/screens" | wc -l)"
    sleep 0.7
    after="$(ls "$work/screens" | wc -l)"
    [ "$before" = "$after" ] && [ "$after" != 0 ] && return 0
  done
  fail "the screen kept changing"
}

# A tap at a point of the 240 x 320 screen; the window shows it twice as large.
tap() {
  xdotool mousemove --window "$window" $(($1 * 2)) $(($2 * 2)) click 1
  sleep 0.05
}

Xvfb -displayfd 3 -screen 0 800x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xPid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy

mkdir "$work/screens"
# SDL's X11 and D-Bus libraries keep allocations until exit by design.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  "$pda" --device "$work/device" --screenshots "$work/screens" >"$work/pda.log" 2>&1 &
pdaPid=$!
window="$(timeout 30 xdotool search --sync --name '^Veyrholm PDA$' | head -1)" ||
  fail "no window titled 'Veyrholm PDA' came up"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 480 ] && [ "$HEIGHT" = 640 ] || fail "the window is ${WIDTH}x${HEIGHT}, not 480x640"
xdotool windowfocus --sync "$window"
settle
await "set=no retry=0"

# The wizard: the master password on page 1, the user password on page 2,
# each typed twice.
for password in 'Master#1' 'user1234'; do
  xdotool type --delay 20 "$password"
  xdotool key Tab
  xdotool type --delay 20 "$password"
  xdotool key Return
done
await "set=yes retry=0"

# "Congratulation!": OK reboots the device into the power-on logon.
settle
xdotool key Return
settle

# A wrong password counts and is reported in a box; a delay follows.
xdotool type --delay 20 'wrong99'
xdotool key Return
await "set=yes retry=1"
settle
xdotool key Return
settle

# The right one, typed and tapped on the soft keyboard (its number row and
# its Enter key), ends the false logon's trace.
xdotool type --delay 20 'user'
for x in 23 39 55 71; do tap "$x" 222; done # 1 2 3 4
tap 222 255 # Enter
await "set=yes retry=0"

kill -TERM "$pdaPid"
status=0
wait "$pdaPid" || status=$?
pdaPid=""
[ "$status" = 0 ] || fail "pda ended with $status after SIGTERM"
if grep -q "stays locked" "$work/pda.log"; then fail "the device was still locked at the end"; fi
echo "windowed session passed"
