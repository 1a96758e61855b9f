#!/usr/bin/env bash
# The double-size window for HiDPI screens: 674 x 886, shaped by the doubled
# outline, covered by the double-size skin, with every control where its
# single-size pixels say; chosen by --scale, GDK_SCALE or the X server's
# Xft.dpi, and --scale 1 keeps the single size whatever the desktop says.
E2E_SCREEN_WIDTH=1280
E2E_SCREEN_HEIGHT=1024
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1,2
import -window root "$work/root.png" || fail "no screenshot of the empty screen"
real_player=$Q2_PLAYER
# The player with options, started as start_player starts it.
player_with() {
  Q2_PLAYER="$work/player-with-options"
  printf '#!/bin/sh\nexec "%s" %s\n' "$real_player" "$*" >"$Q2_PLAYER"
  chmod +x "$Q2_PLAYER"
}
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }
at_position() { read -r x y _ < <(geometry); [ "$x,$y" = "$1,$2" ]; }

player_with --scale 2
start_player "$work/tracks"

case_name="size and place"
read -r x y w h _ < <(geometry)
[ "$w x $h" = "674 x 886" ] || fail "the window is $w x $h"
[ "$x,$y" = "$(((screen_width - 674) / 2)),$(((screen_height - 886) / 2))" ] || fail "the window is at $x,$y"
pass "674 x 886 at $x,$y"

case_name="shape and skin"
shot() { import -window root -crop "674x886+${left}+${top}" +repage "$1" 2>/dev/null; }
convert "$work/root.png" -crop "674x886+${left}+${top}" +repage "$work/root-under.png"
skin_drawn() { shot "$work/shot.png" && [ "$(pixel "$work/shot.png" 300 40)" != "$(pixel "$work/root-under.png" 300 40)" ]; }
await skin_drawn || fail "no frame was presented"
# The single-size corners (0,0), (2,0), (0,2), (336,0), (0,442), (336,442)
# doubled, and the two last columns that the outline never shows.
for point in "1 1" "5 1" "1 5" "672 0" "673 1" "1 885" "673 885" "672 400" "673 400"; do
  read -r px py <<<"$point"
  [ "$(pixel "$work/shot.png" "$px" "$py")" = "$(pixel "$work/root-under.png" "$px" "$py")" ] ||
    fail "($px, $py) is drawn: the window is not shaped by the doubled outline"
done
# Outside the view and the controls the double-size normal layer shows (the
# cut corners and the outline's edge aside; the last column is never shown).
convert "$Q2_SKIN/hitmap.png" -fill white +opaque "#000000" -negate -fill black \
  -draw "rectangle 8,150 327,389" -draw "rectangle 336,0 336,442" -scale 200% "$work/background-mask.png"
background=$(convert "$work/background-mask.png" -format "%[fx:round(mean*w*h)]" info:)
off=$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/normal-2x.png" "$work/background-mask.png")
[ "$off" -lt $((background / 100)) ] || fail "$off of $background background pixels differ from the double-size skin"
pass "the corners show the desktop, $((background - off)) of $background background pixels are the skin's"

case_name="click"
read -r nx ny < <(control_point "$next_colour")
xdotool mousemove $((left + 2 * nx + 1)) $((top + 2 * ny + 1)) click 1
park_pointer
await title_is_track 2 || fail "a click at the doubled next button did not name track 2: '$(window_title)'"
at_position "$left" "$top" || fail "the click moved the window to $(geometry)"
pass "next at ($((2 * nx + 1)), $((2 * ny + 1))) names track 2"

case_name="drag"
# Three equal steps with pauses, then the release: the press point stays
# under the pointer in screen pixels.
xdotool mousemove $((left + 400)) $((top + 60)) mousedown 1
for step in 1 2 3; do
  sleep 0.3
  xdotool mousemove $((left + 400 + 40 * step)) $((top + 60 + 30 * step))
done
sleep 0.3
xdotool mouseup 1
await at_position $((left + 120)) $((top + 90)) || fail "three steps of 40,30 left the window at $(geometry)"
pass "moved by the pointer's motion, 120,90"
stop_player

# How the scale is chosen when the command line does not say.
# opens_at SIZE [NAME=VALUE...]: the window's size with that environment.
opens_at() {
  start_player "$work/tracks" "${@:2}"
  read -r _ _ w h _ < <(geometry)
  [ "$w x $h" = "$1" ] || fail "the window is $w x $h, not $1"
  stop_player
}
case_name="GDK_SCALE"
Q2_PLAYER=$real_player
opens_at "674 x 886" GDK_SCALE=2
pass "GDK_SCALE=2 gives the double size"

case_name="Xft.dpi"
xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	192" ||
  fail "cannot set the X resources"
opens_at "674 x 886"
pass "Xft.dpi 192 gives the double size"

case_name="--scale 1"
player_with --scale 1
opens_at "337 x 443" GDK_SCALE=2
pass "the command line wins over GDK_SCALE and Xft.dpi"
