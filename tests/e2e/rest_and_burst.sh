#!/usr/bin/env bash
# The player while nothing of it can be seen, and the bus in a burst, on a
# private session bus: with its window hidden the player wakes rarely, yet
# its tracks still advance at their ends, a bus request still acts, a
# burst of 1,000 Next sent without waiting for replies is carried out
# whole, a volume written reads back at once and holds, and Quit ends it
# with status 0; with --fps 60 it wakes about once a frame, and a
# terminate signal ends it with status 0 while its window is hidden.
if [ -z "${Q2_PRIVATE_BUS:-}" ]; then
  command -v dbus-run-session >/dev/null || { echo "skipped: dbus-run-session is not installed"; exit 77; }
  exec dbus-run-session -- env Q2_PRIVATE_BUS=1 bash "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
source "$(dirname "$0")/lib.sh"
require_tools playerctl dbus-send
[ -x "$Q2_BUS_BURST" ] || { echo "FAIL: $Q2_BUS_BURST is not built"; exit 1; }
e2e_begin

readonly bus_name=org.mpris.MediaPlayer2.quarven2
ctl() { playerctl -p quarven2 "$@" 2>/dev/null; }
volume_is() { [ "$(ctl volume)" = "$1" ]; }
hide_window() { xdotool windowunmap --sync "$window"; }

# Voluntary context switches of the player's main thread (its thread id is
# its pid): each is a time it went to sleep and was woken. The involuntary
# ones (put aside for another process) count how busy the machine is, not
# how often the loop wakes: under a sanitizer, with other tests running,
# they alone passed the capped limit.
main_thread_switches() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$player_pid/task/$player_pid/status"; }
# Wake-ups a second of the main thread over SECONDS; to `rate`.
measure_wake_rate() {
  local w0 t0 w1 t1
  w0=$(main_thread_switches); t0=$(date +%s%N)
  sleep "$1"
  w1=$(main_thread_switches); t1=$(date +%s%N)
  rate=$(awk -v d=$((w1 - w0)) -v ns=$((t1 - t0)) 'BEGIN { printf "%.0f", d / (ns / 1e9) }')
}
# Generous against the goals (20 hidden, 80 at 60 frames a second): the
# machine may be busy, and the loop that wakes every 2 ms makes 400 and more.
readonly most_hidden_wakes=40
readonly most_capped_wakes=120

# Three short tracks; the fourth row's file is missing, so the player stops
# advancing there (it plays it silently).
make_tracks "$work/tracks" 3 1,2,3

case_name="hidden: tracks advance"
start_player "$work/tracks"
hide_window
await title_is_track 4 || fail "the tracks did not advance to row 4 while hidden: '$(window_title)'"
pass "rows 1 -> 4 at the tracks' ends, unseen"

case_name="hidden: wake-ups"
sleep 1
measure_wake_rate 4
[ "$rate" -le "$most_hidden_wakes" ] || fail "the main thread woke $rate times a second while hidden"
pass "$rate a second"

case_name="hidden: a bus request"
ctl next
await title_is_track 5 || fail "Next did not act while hidden: '$(window_title)'"
pass "row 5"

case_name="burst of 1,000"
# On one connection and not one waiting for its reply, as media keys held
# down or a bridge replaying queued commands send them; then the volume
# written (its reply awaited) and read back at once.
read_back=$("$Q2_BUS_BURST" $bus_name 1000 0.2) || fail "the burst met a bus error"
[ "$read_back" = 0.200000 ] || fail "the volume read right after it was written is $read_back"
# From row 5 (index 4), 1,000 steps through the 33 rows: index 1004 mod 33.
expected=$((1004 % 33 + 1))
await_for 120 title_is_track "$expected" || fail "after the burst the title shows row $(title_track), not $expected"
sleep 0.5
[ "$(title_track)" = "$expected" ] || fail "the track moved on from row $expected to $(title_track)"
volume_is 0.200000 || fail "the volume reads $(ctl volume) once the burst was carried out"
pass "row $expected, volume 0.2 read back at once and after"

case_name="quit after the burst"
dbus-send --session --print-reply --dest=$bus_name /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit >/dev/null ||
  fail "Quit failed"
await_exit
[ "$status" = 0 ] || fail "Quit ended the program with status $status"
pass "status 0"

case_name="--fps 60: wake-ups"
real_player=$Q2_PLAYER
Q2_PLAYER="$work/capped-player"
printf '#!/bin/sh\nexec "%s" --fps 60\n' "$real_player" >"$Q2_PLAYER"
chmod +x "$Q2_PLAYER"
make_tracks "$work/long" 20 1
start_player "$work/long"
park_pointer
sleep 1
measure_wake_rate 4
[ "$rate" -le "$most_capped_wakes" ] || fail "the main thread woke $rate times a second at 60 frames a second"
pass "$rate a second"

case_name="terminate while hidden"
hide_window
sleep 0.5
kill -TERM "$player_pid"
await_exit
[ "$status" = 0 ] || fail "a terminate signal ended the hidden player with status $status"
pass "status 0"
