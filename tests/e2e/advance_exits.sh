#!/usr/bin/env bash
# A track played to its end gives way to the next by itself; a missing track
# plays silently and the player goes on running; Escape and the close button
# end the program with status 0; without an audio device it says so in one
# line and ends with status 255.
source "$(dirname "$0")/lib.sh"
e2e_begin

case_name="advance"
make_tracks "$work/short" 3 1,2,3
start_player "$work/short"
await title_is_track 2 || fail "the first track did not give way to the second: '$(window_title)'"
await title_is_track 3 || fail "the second track did not give way to the third: '$(window_title)'"
pass "three-second tracks advanced 1 -> 2 -> 3 without input"

case_name="escape"
xdotool mousemove $((left + 200)) $((top + 30)) key Escape
await_exit
[ "$status" = 0 ] || fail "Escape ended the program with status $status"
pass "status 0"

case_name="close button"
start_player "$work/short"
click_control "$close_colour"
await_exit
[ "$status" = 0 ] || fail "the close button ended the program with status $status"
pass "status 0"

case_name="missing track"
# Only the first track is there: the second is missing when the first ends.
mkdir -p "$work/gaps"
cp "$work/short/$(track_file 1)" "$work/gaps/"
start_player "$work/gaps"
await title_is_track 2 || fail "the first track did not give way to the missing second: '$(window_title)'"
mark=$(audio_size)
await_audio_seconds 4
end=$audio_end
player_ended && fail "the program ended on the missing track"
title_is_track 2 || fail "the player left the missing track by itself: '$(window_title)'"
# What was still buffered of the first track may end the file's first tenth of a second.
level=$(probe rms $((mark + audio_bytes_per_second / 5)) "$end")
[ "$level" = "0.000000" ] || fail "the missing track is not silent (RMS $level)"
stop_player
pass "the title names the missing track, silence for 4 s, still running"

case_name="no audio device"
(cd "$work/short" && exec env SDL_AUDIODRIVER=no-such-driver timeout 60 "$Q2_PLAYER") >/dev/null 2>"$work/no-audio.err"
status=$?
[ "$status" = 255 ] || fail "status $status: $(cat "$work/no-audio.err")"
[ "$(wc -l <"$work/no-audio.err")" = 1 ] || fail "not one line: $(cat "$work/no-audio.err")"
grep -q '^quarven2: ' "$work/no-audio.err" || fail "the line does not name the program: $(cat "$work/no-audio.err")"
pass "status 255: $(cat "$work/no-audio.err")"

case_name="no sound card"
# SDL's own choice of driver, as `make run` makes it: on a machine without a
# sound card (and no sound server: a private runtime folder hides any) the
# player must still say it in one line, not let the sound library's
# diagnostics through.
if [ -e /dev/snd ]; then
  echo "skipped ($case_name): this machine has a sound card"
else
  mkdir -p "$work/runtime"
  (cd "$work/short" && exec env -u SDL_AUDIODRIVER -u PULSE_SERVER XDG_RUNTIME_DIR="$work/runtime" \
    timeout 60 "$Q2_PLAYER") >/dev/null 2>"$work/no-card.err"
  status=$?
  [ "$status" = 255 ] || fail "status $status: $(cat "$work/no-card.err")"
  [ "$(wc -l <"$work/no-card.err")" = 1 ] || fail "not one line: $(cat "$work/no-card.err")"
  pass "status 255: $(cat "$work/no-card.err")"
fi
