#!/usr/bin/env bash
# Dragging the window as a hand does it: runs of equal steps with pauses
# (where a drag that trusts window-relative motion loses every second step),
# a long single step back, two drags in a row; a click on a button acts once
# and moves nothing, a press on the volume slider moves nothing. Checked by
# the window's real place on the screen. Run bare (no window manager) or as
# `window_drag.sh openbox` (or fluxbox), where the window manager moves the window.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wm_lib.sh"
manager=${1:-none}
e2e_begin
start_manager "$manager"

make_tracks "$work/tracks" 20 1,2,3
start_player "$work/tracks"

at_position() { read -r x y _ < <(geometry); [ "$x,$y" = "$1,$2" ]; }
where() { read -r x y _ < <(geometry); echo "$x,$y"; }

# Drags from window point (PX, PY) in COUNT steps of (DX, DY), PAUSE seconds
# apart, and releases; then waits until the press point is under the
# pointer. With EACH=each the window must also follow every step before the
# next one.
drag_in_steps() {
  local px=$1 py=$2 dx=$3 dy=$4 count=$5 pause=$6 each=${7:-}
  local sx=$((left + px)) sy=$((top + py)) i
  xdotool mousemove "$sx" "$sy" sleep 0.1 mousedown 1
  for ((i = 1; i <= count; i++)); do
    sleep "$pause"
    xdotool mousemove $((sx + i * dx)) $((sy + i * dy))
    [ -n "$each" ] && ! await_for 10 at_position $((left + i * dx)) $((top + i * dy)) &&
      fail "step $i of $dx,$dy from $left,$top left the window at $(where), not $((left + i * dx)),$((top + i * dy))"
  done
  sleep "$pause"
  xdotool mouseup 1
  local want_x=$((left + count * dx)) want_y=$((top + count * dy))
  await_for 10 at_position "$want_x" "$want_y" ||
    fail "$count steps of $dx,$dy from $left,$top ended at $(where), not $want_x,$want_y"
  left=$want_x top=$want_y
}

case_name="equal steps"
drag_in_steps 200 30 40 30 3 0.3 each
pass "three steps of +40,+30 followed to $left,$top"
case_name="small equal steps"
drag_in_steps 200 30 3 2 20 0.05
pass "twenty steps of +3,+2 followed to $left,$top"
case_name="one long step"
drag_in_steps 150 25 -100 -50 1 0.2
pass "one step of -100,-50 followed to $left,$top"
case_name="two drags in a row"
drag_in_steps 250 40 -30 20 2 0.1
drag_in_steps 100 20 25 -15 2 0.1
pass "both followed, to $left,$top"

case_name="click on next"
before=$(title_track)
click_control "$next_colour"
await title_is_track $((before + 1)) || fail "the title shows row $(title_track) after one click, not $((before + 1))"
at_position "$left" "$top" || fail "the click moved the window to $(where)"
sleep 0.5
title_is_track $((before + 1)) || fail "one click changed the track more than once (row $(title_track))"
pass "row $before -> $((before + 1)), the window stayed at $left,$top"

case_name="slider"
read -r sx _ < <(control_point "$volume_colour")
xdotool mousemove $((left + sx)) $((top + 60)) mousedown 1 sleep 0.2 mousemove $((left + sx + 30)) $((top + 90)) \
  sleep 0.3 mouseup 1
park_pointer
sleep 0.3
at_position "$left" "$top" || fail "a press on the slider moved the window to $(where)"
pass "the window stayed at $left,$top"
