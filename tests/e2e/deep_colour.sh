#!/usr/bin/env bash
# On a 30-bit (deep colour) display the window shows the skin and the moving
# view, not a black rectangle.
source "$(dirname "$0")/lib.sh"
e2e_begin
stop_xvfb
start_xvfb 30

case_name="depth 30"
make_tracks "$work/tracks" 30 1
start_player "$work/tracks"
read -r _ _ _ _ depth < <(geometry)
[ "$depth" = 30 ] || fail "the window has depth $depth"
# The mean brightness of the view (x 8..327, y 150..389) and of the skin's
# top band, 0 to 1; black is 0.
view_mean() { convert "$1" -crop 320x240+8+150 +repage -colorspace Gray -format "%[fx:mean]" info:; }
skin_mean() { convert "$1" -crop 337x100+0+0 +repage -colorspace Gray -format "%[fx:mean]" info:; }
effect_shown() {
  window_shot "$work/shot.png" && is_above "$(view_mean "$work/shot.png")" 0.05 &&
    is_above "$(skin_mean "$work/shot.png")" 0.05
}
await effect_shown || fail "the window stays dark (view $(view_mean "$work/shot.png"), skin $(skin_mean "$work/shot.png"))"
cp "$work/shot.png" "$work/first.png"
view_moved() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing "$work/first.png" "$work/shot.png")" -gt 1000 ]
}
await view_moved || fail "the view does not move"
pass "the view shows the effect (mean $(view_mean "$work/shot.png")) and moves"
