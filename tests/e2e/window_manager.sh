#!/usr/bin/env bash
# The window as a window manager (openbox) treats it: undecorated, still
# shaped and painted, minimised by the skin's button and shown painted again
# when the manager restores it, and named for the desktop (class, icon in
# three sizes, UTF-8 title).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wm_lib.sh"
e2e_begin
start_openbox

make_tracks "$work/tracks" 20 1
import -window root "$work/root.png" || fail "no screenshot of the empty screen"
start_player "$work/tracks"

case_name="no decorations"
read -r x y w h _ < <(geometry)
[ "$w x $h" = "337 x 443" ] || fail "the window is $w x $h"
frame_extents() { xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/^_NET_FRAME_EXTENTS(CARDINAL) = //p'; }
await test -n "$(frame_extents)" || fail "openbox never set _NET_FRAME_EXTENTS"
[ "$(frame_extents)" = "0, 0, 0, 0" ] || fail "the frame adds $(frame_extents) around the window"
pass "337 x 443 at $x,$y, frame extents 0, 0, 0, 0"

case_name="shape"
convert "$work/root.png" -crop "${window_width}x${window_height}+${left}+${top}" +repage "$work/root-under.png"
convert -size "${window_width}x${window_height}" xc:black -fill white -draw "rectangle 150,20 170,40" "$work/middle.png"
skin_drawn() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$work/root-under.png" "$work/middle.png")" != 0 ]
}
await skin_drawn || fail "no frame was presented"
# The outline's cut corners and its last column show the desktop.
convert -size "${window_width}x${window_height}" xc:black -fill white \
  -draw "point 0,0" -draw "point 336,0" -draw "point 0,442" -draw "point 336,442" -draw "line 336,10 336,430" \
  "$work/outside.png"
[ "$(pixels_differing_within "$work/shot.png" "$work/root-under.png" "$work/outside.png")" = 0 ] ||
  fail "pixels outside the outline are drawn: the window manager lost the shape"
pass "the cut corners show the desktop"

case_name="minimise and restore"
# The skin away from the view and the controls: it looks the same in every frame.
convert "$Q2_SKIN/hitmap.png" -fill white +opaque "#000000" -negate -fill black \
  -draw "rectangle 8,150 327,389" "$work/still.png"
window_shot "$work/before.png"
map_state() { xwininfo -id "$window" | sed -n 's/^ *Map State: //p'; }
minimise_colour=0xFF959595
click_control "$minimise_colour"
await test "$(map_state)" != IsViewable || fail "the minimise button left the window $(map_state)"
hidden=$(map_state)
xdotool windowactivate "$window" 2>/dev/null || true
await test "$(map_state)" = IsViewable || fail "the window manager did not restore the window ($(map_state))"
painted_again() {
  window_shot "$work/after.png" &&
    [ "$(pixels_differing_within "$work/after.png" "$work/before.png" "$work/still.png")" = 0 ] &&
    [ "$(pixels_differing_within "$work/after.png" "$work/root-under.png" "$work/middle.png")" != 0 ]
}
await painted_again || fail "the restored window does not show the skin"
pass "$hidden after the button, painted again after the restore"

case_name="names"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = //p')
[ "$class" = '"quarven2", "Quarven2"' ] || fail "WM_CLASS is $class"
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
[ "$icons" = "Icon (32 x 32) Icon (64 x 64) Icon (128 x 128) " ] || fail "_NET_WM_ICON holds: $icons"
xprop -id "$window" _NET_WM_NAME | grep -q '^_NET_WM_NAME(UTF8_STRING) = ' || fail "no UTF-8 _NET_WM_NAME"
pass "class $class, $icons, title '$(window_title)'"
