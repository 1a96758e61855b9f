#!/usr/bin/env bash
# Under the pointer a button shows its hover look and the cursor becomes the
# hand; over the plain skin the cursor is the arrow and nothing lights.
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1
start_player "$work/tracks"

# Does control COLOUR in the window look like LAYER (normal, hover, active)?
control_looks() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/$2.png" "$work/mask-$1.png")" = 0 ]
}
cursor_is() { [ "$("$Q2_CURSOR_PROBE")" = "$1" ]; }

case_name="hover look"
for colour in "$next_colour" "$shuffle_colour" "$close_colour"; do
  control_mask "$colour" "$work/mask-$colour.png"
  [ "$(pixels_differing_within "$Q2_SKIN/hover.png" "$Q2_SKIN/normal.png" "$work/mask-$colour.png")" -gt 0 ] ||
    fail "the skin's hover look of $colour equals its normal look: nothing to check"
  park_pointer
  await control_looks "$colour" normal || fail "control $colour does not rest in its normal look"
  point_at "$colour"
  await control_looks "$colour" hover || fail "control $colour does not show its hover look under the pointer"
done
park_pointer
await control_looks "$close_colour" normal || fail "the close glyph stays lit after the pointer left"
pass "next, shuffle and close light under the pointer and rest when it leaves"

case_name="cursor"
for colour in "$play_colour" "$pause_colour" "$next_colour" "$volume_colour" "$close_colour"; do
  point_at "$colour"
  await cursor_is hand || fail "over control $colour the cursor is the $("$Q2_CURSOR_PROBE"), not the hand"
  xdotool mousemove $((left + 200)) $((top + 30))
  await cursor_is arrow || fail "over the plain skin the cursor is the $("$Q2_CURSOR_PROBE"), not the arrow"
done
pass "the hand over five controls, the arrow over the skin between them"
