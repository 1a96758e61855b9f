#!/usr/bin/env bash
# The window title names the playing track; the next and previous buttons
# step through the list, and with shuffle on, next and previous draw a track
# that is none of the last ten played.
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1,2
start_player "$work/tracks"

case_name="title"
expected=$(sed -n 1p "$work/titles.tsv" | cut -f2)
[ "$(window_title)" = "[ Vela Orkestra - Quarven Rising ] - QUARVEN 2 soundtrack" ] ||
  fail "title '$(window_title)' is not the first track's"
pass "$expected"

case_name="next and previous"
click_control "$next_colour"
await title_is_track 2 || fail "next did not name track 2: '$(window_title)'"
click_control "$previous_colour"
await title_is_track 1 || fail "previous did not name track 1 again: '$(window_title)'"
click_control "$previous_colour"
await title_is_track 33 || fail "previous from the first track did not name the last: '$(window_title)'"
click_control "$next_colour"
await title_is_track 1 || fail "next from the last track did not name the first: '$(window_title)'"
pass "1 -> 2 -> 1 -> 33 -> 1"

case_name="shuffle"
history=(1 2 1 33 1)
click_control "$shuffle_colour"
for step in $(seq 12); do
  current=${history[-1]}
  # With shuffle on, previous draws like next.
  if [ $((step % 4)) = 0 ]; then click_control "$previous_colour"; else click_control "$next_colour"; fi
  await title_is_not_track "$current" || fail "step $step did not change the track from $current: '$(window_title)'"
  drawn=$(title_track)
  recent=("${history[@]: -10}")
  for row in "${recent[@]}"; do
    [ "$drawn" != "$row" ] || fail "step $step drew track $drawn, one of the last ten (${recent[*]})"
  done
  history+=("$drawn")
done
pass "drew ${history[*]:5}"
