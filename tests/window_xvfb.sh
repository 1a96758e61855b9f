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

source "$(dirname "$0")/e2e/lib.sh"
require_tools Xvfb xdotool xwininfo import convert compare
make_workspace
depth=""

pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

# Number of pixels that differ between the same crop of two pictures.
differing() {
  convert "$1" -crop "$3" +repage "$work/a.png"
  convert "$2" -crop "$3" +repage "$work/b.png"
  pixels_differing "$work/a.png" "$work/b.png"
}

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
  case_name="depth $depth"
  start_xvfb "$depth"
  import -window root "$work/root.png" || fail "no screenshot of the root window"

  (cd "$work" && exec env SDL_AUDIODRIVER=dummy "$player") 2>"$work/player.err" &
  player_pid=$!
  await window_found || fail "no window appeared"
  kill -0 "$player_pid" 2>/dev/null || fail "the program ended before showing its window"
  window=$(head -n1 "$work/window")

  left=$centred_left
  top=$centred_top
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
  await_exit
  [ "$status" = 0 ] || fail "the program ended with status $status"
  stop_xvfb
  echo "depth $depth: centred, shaped, dragged, Escape ended it with status 0"
}

run_at_depth 24
run_at_depth 16
