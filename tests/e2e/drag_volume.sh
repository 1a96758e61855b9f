#!/usr/bin/env bash
# The window is moved by dragging it from anywhere but the volume slider; a
# press and drag on the slider leaves the window where it is and turns the
# sound down.
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1
start_player "$work/tracks"

hitmap_pixel() { convert "$Q2_SKIN/hitmap.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
at_position() { read -r x y _ < <(geometry); [ "$x,$y" = "$1,$2" ]; }

case_name="volume slider"
read -r slider_x _ < <(control_point "$volume_colour")
[ "$(hitmap_pixel "$slider_x" 60)" = 464646 ] && [ "$(hitmap_pixel "$slider_x" 104)" = 464646 ] ||
  fail "($slider_x, 60..104) is not all volume slider in the hit map"
await_audio_seconds 1.5
end=$audio_end
loud=$(probe rms $((end - audio_bytes_per_second)) "$end")
is_above "$loud" 0.01 || fail "too quiet to measure a change (RMS $loud)"
xdotool mousemove $((left + slider_x)) $((top + 60)) mousedown 1 \
  mousemove $((left + slider_x)) $((top + 80)) mousemove $((left + slider_x)) $((top + 104))
# The volume follows the held button every frame; hold it a moment.
await_audio_seconds 0.3
xdotool mouseup 1
park_pointer
# Wait until the last quarter second is quiet, then measure a whole second.
recent_level_below() {
  local size
  size=$(audio_size)
  is_above "$1" "$(probe rms $((size - audio_bytes_per_second / 4)) "$size")"
}
await recent_level_below "$(awk -v l="$loud" 'BEGIN{print l / 5}')" || fail "the level did not drop from RMS $loud"
await_audio_seconds 1
soft=$(probe rms $((audio_end - audio_bytes_per_second)) "$audio_end")
# Near the slider's bottom the level is under a tenth of full volume.
is_above "$(awk -v l="$loud" 'BEGIN{print l / 5}')" "$soft" || fail "the level went from RMS $loud only to $soft"
at_position "$left" "$top" || fail "the press on the slider moved the window to $(geometry)"
pass "RMS $loud -> $soft, the window stayed at $left,$top"

case_name="drag"
[ "$(hitmap_pixel 200 30)" = 000000 ] || fail "(200, 30) is a control in the hit map; pick another press point"
xdotool mousemove $((left + 200)) $((top + 30)) mousedown 1 \
  mousemove $((left + 250)) $((top + 55)) mousemove $((left + 300)) $((top + 80)) mouseup 1
await at_position $((left + 100)) $((top + 50)) || fail "the drag did not move the window by 100,50 ($(geometry))"
pass "moved from $left,$top to $((left + 100)),$((top + 50))"
