#!/usr/bin/env bash
# The real window under a private X server, at depths 24 and 16: it opens
# centred at 337 x 443 and shaped (its cut corners and its last column show
# the root window behind it), a press and drag moves it, and Escape ends the
# program with status 0.
#
# Usage: window_xvfb.sh PLAYER HITMAP_PNG
set -u
player=$(realpath "$1")
hitmap=$(realpath "$2")

for tool in Xvfb xdotool xwininfo import convert compare; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
player_pid=""
depth=""

stop_all() {
  if [ -n "$player_pid" ]; then kill "$player_pid" 2>/dev/null; wait "$player_pid" 2>/dev/null; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  player_pid=""
  xvfb_pid=""
}
trap 'stop_all; rm -rf "$work"' EXIT

fail() {
  echo "FAIL at depth $depth: $*"
  echo "DISPLAY=${DISPLAY:-}; X server $(kill -0 "$xvfb_pid" 2>/dev/null && echo running || echo gone)"
  [ -s "$work/xvfb.log" ] && { echo "--- X server's log:"; cat "$work/xvfb.log"; }
  [ -s "$work/player.err" ] && { echo "--- player's standard error:"; cat "$work/player.err"; }
  exit 1
}

# Retries a command for up to 20 seconds: the server and the program start
# at their own pace.
await() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  return 1
}

pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

# Number of pixels that differ between the same crop of two pictures.
differing() {
  convert "$1" -crop "$3" +repage "$work/a.png"
  convert "$2" -crop "$3" +repage "$work/b.png"
  compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
}

window_or_exit() {
  xdotool search --onlyvisible --pid "$player_pid" >"$work/window" 2>/dev/null || ! kill -0 "$player_pid" 2>/dev/null
}

geometry() { xwininfo -id "$window" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2} /Width/{w=$2} /Height/{h=$2} /Depth/{d=$2} END{print x+0, y+0, w+0, h+0, d+0}'; }

at_position() { read -r x y _ < <(geometry); [ "$x" = "$1" ] && [ "$y" = "$2" ]; }

first_frame_shown() {
  import -window root "$work/shot.png" 2>/dev/null || return 1
  [ "$(pixel "$work/shot.png" $((left + 200)) $((top + 30)))" != "$(pixel "$work/root.png" $((left + 200)) $((top + 30)))" ]
}

# The press point of the drag must be plain skin, or the press would also
# act on a control.
[ "$(pixel "$hitmap" 200 30)" = "srgb(0,0,0)" ] || { echo "FAIL: (200, 30) is a control in the hit map; pick another press point"; exit 1; }

run_at_depth() {
  depth=$1
  : >"$work/display"
  # -noreset: the screenshot before the player starts is the first client; by
  # default the server would reset as it leaves, racing with the player's
  # connection.
  Xvfb -displayfd 3 -screen 0 1024x768x"$depth" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  await test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n1 "$work/display")"
  import -window root "$work/root.png" || fail "no screenshot of the root window"

  (cd "$work" && exec env SDL_AUDIODRIVER=dummy "$player") 2>"$work/player.err" &
  player_pid=$!
  await window_or_exit || fail "no window appeared"
  kill -0 "$player_pid" 2>/dev/null || fail "the program ended before showing its window"
  window=$(head -n1 "$work/window")

  left=$(((1024 - 337) / 2))
  top=$(((768 - 443) / 2))
  read -r x y w h d < <(geometry)
  [ "$w $h" = "337 443" ] || fail "window is $w x $h"
  [ "$x $y" = "$left $top" ] || fail "window is at $x,$y, not centred at $left,$top"
  [ "$d" = "$depth" ] || fail "window depth is $d"

  await first_frame_shown || fail "no frame was presented"
  for corner in "0 0" "4 0" "0 4" "0 442" "4 442"; do
    read -r cx cy <<<"$corner"
    [ "$(differing "$work/root.png" "$work/shot.png" "1x1+$((left + cx))+$((top + cy))")" = "0" ] ||
      fail "the corner pixel ($cx, $cy) is drawn: the window is not shaped"
  done
  [ "$(differing "$work/root.png" "$work/shot.png" "1x443+$((left + 336))+$top")" = "0" ] ||
    fail "the last column is drawn: the window is not shaped"

  xdotool mousemove $((left + 200)) $((top + 30)) mousedown 1 \
    mousemove $((left + 250)) $((top + 55)) mousemove $((left + 300)) $((top + 80)) mouseup 1
  await at_position $((left + 100)) $((top + 50)) || fail "the drag did not move the window ($(geometry))"

  # Xvfb gives the keyboard to the window under the pointer.
  xdotool mousemove $((left + 300)) $((top + 130)) key Escape
  await eval '! kill -0 "$player_pid" 2>/dev/null' || fail "Escape did not end the program"
  wait "$player_pid"
  status=$?
  player_pid=""
  [ "$status" = 0 ] || fail "the program ended with status $status"
  stop_all
  echo "depth $depth: centred, shaped, dragged, Escape ended it with status 0"
}

run_at_depth 24
run_at_depth 16
