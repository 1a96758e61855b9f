#!/usr/bin/env bash
# Track files that misbehave under the player: a FIFO among the tracks does
# not stop it starting, and the others play; tracks emptied while playing
# (a stick pulled, a folder unmounted) leave the player resting on a silent
# row after a click on next: one title change, no skipping, and no more CPU
# than when paused.
source "$(dirname "$0")/lib.sh"
e2e_begin

# Processor time the player has used, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$player_pid/stat"; }

# Distinct window titles seen over SECONDS, one per line, in order.
titles_over() {
  local deadline=$((SECONDS + $1)) last="" now
  while [ "$SECONDS" -lt "$deadline" ]; do
    now=$(window_title)
    [ "$now" != "$last" ] && { echo "$now"; last=$now; }
    sleep 0.1
  done
}

case_name="FIFO as a track"
mkdir -p "$work/fifo"
make_tracks "$work/fifo" 30 2
mkfifo "$work/fifo/$(track_file 1)"
start_player "$work/fifo"
grep -q "^quarven2: cannot open track '$(track_file 1)'" "$work/player.err" ||
  fail "no line names the FIFO: $(cat "$work/player.err")"
click_control "$next_colour"
await title_is_track 2 || fail "next did not reach track 2: '$(window_title)'"
mark=$(audio_size)
await_audio_seconds 1
level=$(probe rms "$((mark + audio_bytes_per_second / 5))" "$audio_end")
is_above "$level" 0.01 || fail "track 2 is silent (RMS $level)"
stop_player
pass "started past the FIFO, track 2 plays (RMS $level)"

case_name="tracks emptied while playing"
make_tracks "$work/tracks" 30 1,2,3
start_player "$work/tracks"
await_audio_seconds 0.5
click_control "$pause_colour"
sleep 0.5
before=$(cpu_ticks)
sleep 3
paused_ticks=$(($(cpu_ticks) - before))
click_control "$pause_colour"
await_audio_seconds 0.5
# The playing one last, so that the others are empty before it runs out.
truncate -s 0 "$work/tracks/$(track_file 3)" "$work/tracks/$(track_file 2)" "$work/tracks/$(track_file 1)"
# The playing track runs out at once and hands over to the next, emptied, row.
await title_is_track 2 || fail "the emptied track did not give way: '$(window_title)'"
click_control "$next_colour"
await title_is_track 3 || fail "next did not reach track 3: '$(window_title)'"
before=$(cpu_ticks)
seen=$(titles_over 3)
silent_ticks=$(($(cpu_ticks) - before))
[ "$(printf '%s\n' "$seen" | wc -l)" = 1 ] || fail "the title went on changing: $(printf '%s | ' "$seen")"
title_is_track 3 || fail "the player left track 3: '$(window_title)'"
player_ended && fail "the program ended"
# Both rest in the frame loop; allow for a busy machine.
[ "$silent_ticks" -le $((paused_ticks * 3 / 2 + 30)) ] ||
  fail "resting on the emptied track used $silent_ticks ticks in 3 s, paused $paused_ticks"
pass "one title change, then track 3 for 3 s; CPU $silent_ticks ticks (paused: $paused_ticks)"
