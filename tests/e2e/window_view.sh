#!/usr/bin/env bash
# What the user first sees: a 337 x 443 window centred on the screen, shaped
# (its cut corners show the desktop behind), covered by the skin with the
# play lamp lit, and a view whose picture moves while the skin around it
# stays still; and, on a server that keeps no copy of covered windows,
# nothing presented while another window covers it all and the skin painted
# again after it went.
E2E_XVFB_OPTIONS=-bs
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1
import -window root "$work/root.png" || fail "no screenshot of the empty screen"
# The presents are counted by a preloaded library, which a sanitizer's
# runtime, wanting to load first, does not allow.
counting=()
if [ -n "${Q2_PRESENT_COUNTER:-}" ] && ! ldd "$Q2_PLAYER" | grep -q -E 'lib(a|t|ub)san'; then
  counting=("LD_PRELOAD=$Q2_PRESENT_COUNTER" "Q2_PRESENT_LOG=$work/presents")
fi
start_player "$work/tracks" "${counting[@]}"

case_name="place and size"
read -r x y w h d < <(geometry)
[ "$w x $h" = "337 x 443" ] || fail "the window is $w x $h"
[ "$x,$y" = "$centred_left,$centred_top" ] || fail "the window is at $x,$y, not centred at $centred_left,$centred_top"
pass "337 x 443 at $x,$y, depth $d"

case_name="shape"
convert "$work/root.png" -crop "${window_width}x${window_height}+${left}+${top}" +repage "$work/root-under.png"
# The first frame may take a moment: wait until the skin covers the middle.
skin_drawn() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$work/root-under.png" "$work/middle.png")" != 0 ]
}
convert -size "${window_width}x${window_height}" xc:black -fill white -draw "rectangle 150,20 170,40" "$work/middle.png"
await skin_drawn || fail "no frame was presented"
for corner in "0 0" "2 0" "0 2" "336 0" "0 442" "336 442"; do
  read -r cx cy <<<"$corner"
  convert -size "${window_width}x${window_height}" xc:black -fill white -draw "point $cx,$cy" "$work/point.png"
  [ "$(pixels_differing_within "$work/shot.png" "$work/root-under.png" "$work/point.png")" = 0 ] ||
    fail "the corner pixel ($cx, $cy) is drawn: the window is not shaped"
done
pass "the corners show the desktop"

case_name="skin"
# Everywhere outside the view and the controls the normal layer shows.
convert "$Q2_SKIN/hitmap.png" -fill white +opaque "#000000" -negate -fill black \
  -draw "rectangle 8,150 327,389" "$work/background-mask.png"
background=$(convert "$work/background-mask.png" -format "%[fx:round(mean*w*h)]" info:)
off=$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/normal.png" "$work/background-mask.png")
# Only the cut corners and the outline's edge may differ.
[ "$off" -lt $((background / 100)) ] || fail "$off of $background background pixels differ from the skin"
pass "$((background - off)) of $background background pixels are the skin's"

case_name="play lamp"
control_mask "$play_colour" "$work/play-mask.png"
[ "$(pixels_differing_within "$Q2_SKIN/active.png" "$Q2_SKIN/normal.png" "$work/play-mask.png")" -gt 0 ] ||
  fail "the skin's active play button looks like its normal one: nothing to check"
lamp_lit() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/active.png" "$work/play-mask.png")" = 0 ]
}
await lamp_lit || fail "the play button does not show its lit look"
pass "the play button shows the active layer"

case_name="moving view"
view_rect="8,150 327,389"
window_shot "$work/first.png"
sleep 1
view_changed() {
  window_shot "$work/second.png" &&
    blank_out "$work/first.png" "$work/first-view.png" "0,0 336,149" "0,390 336,442" "0,150 7,389" "328,150 336,389" &&
    blank_out "$work/second.png" "$work/second-view.png" "0,0 336,149" "0,390 336,442" "0,150 7,389" "328,150 336,389" &&
    [ "$(pixels_differing "$work/first-view.png" "$work/second-view.png")" -gt 1000 ]
}
await view_changed || fail "the view did not change within the wait"
moved=$(pixels_differing "$work/first-view.png" "$work/second-view.png")
blank_out "$work/first.png" "$work/first-rest.png" "$view_rect"
blank_out "$work/second.png" "$work/second-rest.png" "$view_rect"
outside=$(pixels_differing "$work/first-rest.png" "$work/second-rest.png")
[ "$outside" = 0 ] || fail "$outside pixels outside the view changed too"
pass "$moved view pixels changed, none outside"

case_name="covered and uncovered"
# This server keeps no copy of covered windows (-bs): what another window
# covered comes back empty, and only a whole present paints it again, while
# steady passes send the view alone.
convert -size "${screen_width}x${screen_height}" xc:"#FF0000" "$work/cover.png"
display -geometry "${screen_width}x${screen_height}+0+0" "$work/cover.png" >/dev/null 2>&1 &
cover_pid=$!
covered() {
  window_shot "$work/covered.png" &&
    [ "$(convert "$work/covered.png" -format '%[pixel:p{160,30}]' info:)" = "srgb(255,0,0)" ]
}
await covered || fail "the covering window never showed over the player"
sleep 0.5
# The counter notes the presents so far at each signal; without it loaded
# (sanitizer builds) the signal would end the player.
note_presents() { [ ${#counting[@]} -eq 0 ] || kill -USR1 "$player_pid"; }
note_presents
sleep 2
note_presents
kill "$cover_pid"
wait "$cover_pid" 2>/dev/null
painted_again() {
  window_shot "$work/uncovered.png" &&
    blank_out "$work/uncovered.png" "$work/uncovered-rest.png" "$view_rect" &&
    [ "$(pixels_differing "$work/first-rest.png" "$work/uncovered-rest.png")" = 0 ]
}
await painted_again || fail "the skin stays lost where the other window was"
if [ ${#counting[@]} -gt 0 ]; then
  sleep 1
  note_presents
  stop_player
  # mark PRESENTS MS, once per signal: two while covered, one after.
  read -r covered_presents shown_presents < <(awk '$1 == "mark" { m[++n] = $2 } END { print m[2] - m[1], m[3] - m[2] }' "$work/presents")
  [ "$covered_presents" -le 2 ] || fail "$covered_presents frames presented in 2 s while covered"
  [ "$shown_presents" -gt 20 ] || fail "only $shown_presents frames presented once uncovered"
  pass "the skin painted again once the other window went; $covered_presents presents in 2 s covered"
else
  pass "the skin painted again once the other window went (presents not counted here)"
fi
