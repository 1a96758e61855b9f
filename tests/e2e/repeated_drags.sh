#!/usr/bin/env bash
# Many drags in a row under a window manager, as a hand makes them: each one
# hands the move to the manager, and the state one move leaves must not
# spoil the next. Alternating directions, equal and unequal steps, a run of
# many small steps, single long steps; after each, the press point is under
# the pointer. Then a click on next acts exactly once.
# Usage: repeated_drags.sh openbox|icewm|fluxbox
export E2E_SCREEN_WIDTH=1600 E2E_SCREEN_HEIGHT=1200 # room to roam, away from the edges
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wm_lib.sh"
manager=${1:-openbox}
e2e_begin
start_manager "$manager"

make_tracks "$work/tracks" 20 1,2,3
start_player "$work/tracks"

# The pointer's place in the window: the press point, once a drag is over.
pointer_in_window() {
  local px py x y
  eval "$(xdotool getmouselocation --shell | sed -n 's/^X=/px=/p; s/^Y=/py=/p')"
  read -r x y _ < <(geometry)
  echo "$((px - x)),$((py - y))"
}
pointer_at() { [ "$(pointer_in_window)" = "$1" ]; }

# Presses at window point (PX, PY), moves by each STEP ("dx,dy") PAUSE
# seconds apart, releases; the press point must end under the pointer.
drag_path() {
  local px=$1 py=$2 pause=$3
  shift 3
  read -r left top _ < <(geometry)
  local x=$((left + px)) y=$((top + py)) step
  xdotool mousemove "$x" "$y" sleep 0.1 mousedown 1
  for step in "$@"; do
    sleep "$pause"
    x=$((x + ${step%,*})) y=$((y + ${step#*,}))
    xdotool mousemove "$x" "$y"
  done
  sleep "$pause"
  xdotool mouseup 1
  await_for 10 pointer_at "$px,$py" ||
    fail "the press point $px,$py is at $(pointer_in_window) of the window after steps $*"
  read -r left top _ < <(geometry)
}

case_name="equal steps"
drag_path 200 30 0.3 40,30 40,30 40,30
pass "three of +40,+30: press point under the pointer, window at $left,$top"
case_name="many small steps"
small=()
for _ in $(seq 20); do small+=(3,2); done
drag_path 200 30 0.05 "${small[@]}"
pass "twenty of +3,+2: window at $left,$top"
case_name="one long step back"
drag_path 150 25 0.2 -100,-50
pass "one of -100,-50: window at $left,$top"
case_name="two single steps, then three back"
drag_path 200 30 0.2 120,90
drag_path 200 30 0.2 120,90
drag_path 200 30 0.2 -40,-30 -40,-30 -40,-30
pass "window at $left,$top"
case_name="unequal steps, alternating"
drag_path 250 40 0.1 -60,20 15,-45 -5,70 90,10
drag_path 100 20 0.1 25,-15 -80,-60 33,7
pass "window at $left,$top"

case_name="click on next after the drags"
before=$(title_track)
click_control "$next_colour"
await title_is_track $((before + 1)) || fail "the title shows row $(title_track) after one click, not $((before + 1))"
sleep 0.5
title_is_track $((before + 1)) || fail "one click changed the track more than once (row $(title_track))"
read -r x y _ < <(geometry)
[ "$x,$y" = "$left,$top" ] || fail "the click moved the window from $left,$top to $x,$y"
pass "row $before -> $((before + 1)), the window stayed at $left,$top"
