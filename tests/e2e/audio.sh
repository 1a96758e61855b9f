#!/usr/bin/env bash
# What the user hears, read from the file SDL's disk driver writes: sound
# from the start, a spectrum that changes with the track, silence after
# pause, after the second pause the track going on from where it stopped
# rather than from its beginning, and silence with the stop lamp lit after
# stop.
source "$(dirname "$0")/lib.sh"
e2e_begin

make_tracks "$work/tracks" 30 1,2
first_track="$work/tracks/$(track_file 1)"
second_track="$work/tracks/$(track_file 2)"
start_player "$work/tracks"

case_name="sound"
await_audio_seconds 2
start=$(probe first-sound 0)
[ "$start" -ge 0 ] || fail "nothing but silence in the first two seconds"
level=$(probe rms "$start" $((start + audio_bytes_per_second)))
is_above "$level" 0.01 || fail "the first second is nearly silent (RMS $level)"
at=$(probe locate "$start" "$first_track")
is_above "$at" -0.001 && ! is_above "$at" 0.5 || fail "the sound is not the first track from its start (found at $at s)"
pass "RMS $level, the first track from $at s"

case_name="spectrum follows the track"
await_audio_seconds 1.5
end=$audio_end
first_peak=$(probe peak $((end - 3 * audio_bytes_per_second / 2)) "$end")
click_control "$next_colour"
await title_is_track 2 || fail "next did not change the track"
mark=$(audio_size)
await_audio_seconds 2
end=$audio_end
second_start=$(probe first-sound "$mark")
second_at=$(probe locate "$second_start" "$second_track")
is_above "$second_at" -0.001 && ! is_above "$second_at" 0.5 ||
  fail "after next, the sound is not the second track from its start (found at $second_at s)"
second_peak=$(probe peak $((end - 3 * audio_bytes_per_second / 2)) "$end")
[ "$first_peak" != "$second_peak" ] || fail "both tracks peak at $first_peak Hz"
pass "track 1 peaks at $first_peak Hz, track 2 at $second_peak Hz"

case_name="pause"
mark=$(audio_size)
click_control "$pause_colour"
silence_found() { [ "$(probe first-silence "$mark")" -ge 0 ]; }
await silence_found || fail "no silence after pause"
quiet=$(probe first-silence "$mark")
await_audio_seconds 1
end=$audio_end
level=$(probe rms "$quiet" "$end")
[ "$level" = "0.000000" ] || fail "sound continues while paused (RMS $level)"
# Where the track was when it stopped: the last stretch before the silence.
stopped_at=$(probe locate $((quiet - 4096 * 8)) "$second_track")
is_above "$stopped_at" 0 || fail "the sound before the pause is not the second track"
stopped_at=$(awk -v t="$stopped_at" 'BEGIN{printf "%.3f", t + 4096 / 44100}')
pass "silent from byte $quiet, the track stopped at $stopped_at s"

case_name="resume"
click_control "$pause_colour"
sound_found() { [ "$(probe first-sound "$quiet")" -ge 0 ]; }
await sound_found || fail "no sound after the second pause"
resumed=$(probe first-sound "$quiet")
await_audio_reached() { audio_reached $((resumed + 8192 * 8)); }
await await_audio_reached || fail "the sound file stopped growing"
resumed_at=$(probe locate "$resumed" "$second_track")
gap=$(awk -v a="$resumed_at" -v b="$stopped_at" 'BEGIN{d = a - b; if (d < 0) d = -d; printf "%.3f", d}')
! is_above "$gap" 0.05 || fail "the track went on at $resumed_at s, not where it stopped ($stopped_at s)"
pass "the track went on at $resumed_at s"

case_name="stop"
mark=$(audio_size)
click_control "$stop_colour"
await silence_found || fail "no silence after stop"
control_mask "$play_colour" "$work/play-mask.png"
control_mask "$stop_colour" "$work/stop-mask.png"
lamps_show_stopped() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/active.png" "$work/stop-mask.png")" = 0 ] &&
    [ "$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/normal.png" "$work/play-mask.png")" = 0 ]
}
await lamps_show_stopped || fail "after stop the stop lamp is not lit, or the play lamp still is"
pass "silence from byte $(probe first-silence "$mark"), the stop lamp lit instead of the play lamp"
