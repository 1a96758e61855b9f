#!/usr/bin/env bash
# The tracks on a slow disk (a network home folder, a USB disk waking up):
# a preloaded library holds back reads of the track files. Reads held for
# 200 ms now and then cost no frame (no gap between presents over 50 ms) and
# no dropout (no device period the engine could not fill, no callback as
# long as a period); and while a read hangs, next changes the title at once,
# the frames go on, and the next track sounds once the disk answers.
source "$(dirname "$0")/lib.sh"
e2e_begin
# Both libraries are preloaded, which a sanitizer's runtime, wanting to load
# first, does not allow.
if ldd "$Q2_PLAYER" | grep -q -E 'lib(a|t|ub)san'; then
  echo "skipped: the player is built with a sanitizer"
  exit 77
fi
for library in "$Q2_STALL_READS" "$Q2_PRESENT_COUNTER"; do
  [ -f "$library" ] || fail "$library is not built"
done
preload="LD_PRELOAD=$Q2_STALL_READS $Q2_PRESENT_COUNTER"
# 23.2 ms: one device buffer of 1024 frames at 44100 Hz.
readonly period_ms=23.2

make_tracks "$work/tracks" 20 1,2,3

escape() {
  xdotool mousemove $((left + 200)) $((top + 30)) key Escape
  await_exit
  [ "$status" = 0 ] || fail "Escape ended the program with status $status"
}

case_name="reads held 200 ms now and then"
start_player "$work/tracks" "$preload" Q2_PRESENT_LOG="$work/presents" Q2_AUDIO_STATS=1 \
  Q2_STALL_MS=200 Q2_STALL_EVERY_MS=250 Q2_STALL_LOG="$work/stalls"
await_audio_seconds 1
kill -USR1 "$player_pid"
await_audio_seconds 3
# A new track opens on the slow disk too.
click_control "$next_colour"
await title_is_track 2 || fail "next did not reach track 2: '$(window_title)'"
await_audio_seconds 3
kill -USR1 "$player_pid"
escape
stalls=$(cat "$work/stalls" 2>/dev/null || echo 0)
[ "$stalls" -ge 10 ] || fail "only $stalls reads were held back: the test did not test"
gap=$(awk '$1 == "max_gap_ms" { print $2 }' "$work/presents")
[ -n "$gap" ] || fail "no gap between presents was measured: $(cat "$work/presents")"
is_above 50 "$gap" || fail "a frame waited $gap ms for the next"
read -r periods dry longest < <(sed -n 's/^quarven2: audio output: \([0-9]*\) periods, \([0-9]*\) ran dry, longest callback \([0-9.]*\) ms$/\1 \2 \3/p' "$work/player.err")
[ -n "${periods:-}" ] || fail "the player did not report its sound output"
[ "$dry" = 0 ] || fail "$dry of $periods device periods ran dry"
is_above "$period_ms" "$longest" || fail "a device callback ran $longest ms, longer than its period"
pass "$stalls reads held; longest gap between frames $gap ms; $periods periods, none dry, longest callback $longest ms"

case_name="next while a read hangs"
start_player "$work/tracks" "$preload" Q2_PRESENT_LOG="$work/presents-hung" Q2_STALL_WHILE="$work/hold"
await_audio_seconds 0.5
touch "$work/hold"
await test -e "$work/hold.waiting" || fail "no track read was held"
kill -USR1 "$player_pid"
click_control "$next_colour"
await_for 5 title_is_track 2 || fail "next did not change the title while a read hung: '$(window_title)'"
[ -e "$work/hold.waiting" ] || fail "the read hung no longer when the title changed"
sleep 1
kill -USR1 "$player_pid"
mark=$(audio_size)
rm "$work/hold"
await_audio_seconds 2
sound_at=$(probe first-sound "$mark")
[ "$sound_at" -ge 0 ] || fail "track 2 stays silent once the disk answers"
escape
gap=$(awk '$1 == "max_gap_ms" { print $2 }' "$work/presents-hung")
is_above 50 "$gap" || fail "a frame waited $gap ms for the next while a read hung"
pass "title changed while the read hung; longest gap between frames $gap ms; sound after the disk answered"
