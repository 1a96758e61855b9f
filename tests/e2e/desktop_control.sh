#!/usr/bin/env bash
# The player driven from the desktop, on a private session bus: playerctl
# sees the window's track and moves it on and back, pauses (the sound goes
# silent), plays, stops, sets the volume (the level and the knob follow)
# and shuffle (the lamp lights); a click on the painted next button is
# announced on the bus; the keyboard's keys and the wheel act when the
# window has the focus; a second player takes an instance name; Quit ends
# the program with status 0; without a bus the player plays as before.
if [ -z "${Q2_PRIVATE_BUS:-}" ]; then
  command -v dbus-run-session >/dev/null || { echo "skipped: dbus-run-session is not installed"; exit 77; }
  exec dbus-run-session -- env Q2_PRIVATE_BUS=1 bash "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
source "$(dirname "$0")/lib.sh"
require_tools playerctl dbus-send dbus-monitor
e2e_begin
second_pid=""
trap '[ -n "$second_pid" ] && kill "$second_pid" 2>/dev/null; e2e_cleanup' EXIT

make_tracks "$work/tracks" 20 1,2
start_player "$work/tracks"

ctl() { playerctl -p quarven2 "$@" 2>/dev/null; }
status_is() { [ "$(ctl status)" = "$1" ]; }
volume_is() { [ "$(ctl volume)" = "$1" ]; }
shuffle_is() { [ "$(ctl shuffle)" = "$1" ]; }
title_matches_window() {
  local artist title
  artist=$(ctl metadata artist) && title=$(ctl metadata title) &&
    [ "[ $artist - $title ] - QUARVEN 2 soundtrack" = "$(window_title)" ]
}
silence_since() { [ "$(probe first-silence "$1")" -ge 0 ]; }
sound_since() { [ "$(probe first-sound "$1")" -ge 0 ]; }
# The level of the last second written.
recent_level() { probe rms $((audio_end - audio_bytes_per_second)) "$audio_end"; }
# Stops and plays again, so the track starts over; the level of its first
# second goes to `level`.
restart_and_measure() {
  local mark first
  mark=$(audio_size)
  ctl stop
  await silence_since "$mark" || fail "the sound did not stop after stop"
  await status_is Stopped || fail "status '$(ctl status)' after stop"
  mark=$(audio_size)
  ctl play
  await sound_since "$mark" || fail "no sound after play from stopped"
  first=$(probe first-sound "$mark")
  await audio_reached $((first + audio_bytes_per_second)) || fail "the sound file stopped growing"
  level=$(probe rms "$first" $((first + audio_bytes_per_second)))
}
# The knob covers rows TOP..TOP+19 of the slider; elsewhere the slider shows the normal skin.
knob_at() {
  window_shot "$work/shot.png" || return 1
  convert "$work/shot.png" -crop "25x20+33+$1" +repage "$work/knob-shot.png"
  convert "$Q2_SKIN/normal.png" -crop "25x20+33+$1" +repage "$work/knob-bare.png"
  [ "$(pixels_differing "$work/knob-shot.png" "$work/knob-bare.png")" -gt 100 ]
}
shuffle_lamp_lit() {
  window_shot "$work/shot.png" &&
    [ "$(pixels_differing_within "$work/shot.png" "$Q2_SKIN/active.png" "$work/shuffle-mask.png")" = 0 ]
}
# Keys go to the window under the pointer (no window manager here). The
# pointer stays over the window's background: were it to leave before the
# server delivers the release, the window would take the next press of the
# same key for a held key's repeat.
press_keys() { xdotool mousemove $((left + 200)) $((top + 30)) key "$@"; }

case_name="metadata"
await status_is Playing || fail "playerctl does not see the player playing: '$(ctl status)'"
await title_matches_window || fail "metadata '$(ctl metadata artist) - $(ctl metadata title)' is not the window's '$(window_title)'"
[ "$(ctl metadata xesam:trackNumber)" = 1 ] || fail "track number $(ctl metadata xesam:trackNumber)"
[ "$(ctl metadata mpris:trackid)" = "'/quarven2/track/0'" ] || fail "track id $(ctl metadata mpris:trackid)"
length=$(ctl metadata mpris:length)
[ "${length:-0}" -gt 19000000 ] && [ "$length" -lt 21000000 ] || fail "length $length us for a 20 s track"
case "$(ctl metadata xesam:url)" in https://*) ;; *) fail "url '$(ctl metadata xesam:url)'" ;; esac
pass "'$(ctl metadata title)', $length us"

case_name="next and previous"
ctl next
await title_is_track 2 || fail "next did not change the window's track"
await title_matches_window || fail "after next the metadata is '$(ctl metadata title)'"
ctl previous
await title_is_track 1 || fail "previous did not go back"
await title_matches_window || fail "after previous the metadata is '$(ctl metadata title)'"
pass "track 2 and back to 1"

case_name="pause and play"
await_audio_seconds 0.5
mark=$(audio_size)
ctl pause
await silence_since "$mark" || fail "the sound did not stop after pause"
await status_is Paused || fail "status '$(ctl status)' after pause"
quiet=$(probe first-silence "$mark")
ctl play
await sound_since "$quiet" || fail "no sound after play"
await status_is Playing || fail "status '$(ctl status)' after play"
pass "silent from byte $quiet, then sound again"

case_name="stop"
restart_and_measure
loud=$level
await status_is Playing || fail "status '$(ctl status)' after play from stopped"
pass "stopped, and the track started over (RMS $loud)"

case_name="volume"
# Measured right away, before the track could end on a slow machine: both
# levels are of the first second of track 1.
title_is_track 1 || fail "the volume is measured on track 1, not $(title_track)"
ctl volume 0.5
await_for 10 volume_is 0.500000 || fail "volume reads $(ctl volume)"
restart_and_measure
soft=$level
title_is_track 1 || fail "the volume was measured on track $(title_track)"
ratio=$(awk -v s="$soft" -v l="$loud" 'BEGIN{printf "%.3f", s / l}')
is_above "$ratio" 0.45 && is_above 0.55 "$ratio" || fail "the level went from RMS $loud to $soft, not half"
await_for 10 knob_at 50 || fail "the knob did not move to half way"
pass "RMS $loud -> $soft ($ratio) over the track's first second, the knob at row 50"

case_name="shuffle"
control_mask "$shuffle_colour" "$work/shuffle-mask.png"
ctl shuffle On
await shuffle_lamp_lit || fail "the shuffle lamp did not light"
[ "$(ctl shuffle)" = On ] || fail "shuffle reads $(ctl shuffle)"
ctl shuffle Off
await_for 10 shuffle_is Off || fail "shuffle stays $(ctl shuffle)"
pass "lamp lit, and off again"

case_name="announced on the bus"
dbus-monitor --session "type='signal',interface='org.freedesktop.DBus.Properties',path='/org/mpris/MediaPlayer2'" \
  >"$work/monitor.log" 2>/dev/null &
monitor_pid=$!
await test -s "$work/monitor.log" || fail "dbus-monitor did not start"
sleep 0.2
before=$(title_track)
click_control "$next_colour"
await title_is_not_track "$before" || fail "the painted next button did not change the track"
announced() { grep -q '"Metadata"' "$work/monitor.log"; }
await_for 10 announced || fail "no PropertiesChanged with Metadata after the click: $(cat "$work/monitor.log")"
kill "$monitor_pid" 2>/dev/null
wait "$monitor_pid" 2>/dev/null
pass "PropertiesChanged with Metadata"

case_name="keys and wheel"
press_keys space
await status_is Paused || fail "Space did not pause"
press_keys space
await status_is Playing || fail "Space did not resume"
await title_is_track 2 || fail "the keys start on track 2, not $(title_track)"
press_keys Right
await title_is_track 3 || fail "Right did not move to the next track"
press_keys Left
await title_is_track 2 || fail "Left did not move back"
ctl volume 0.5
await_for 10 volume_is 0.500000 || fail "volume stays $(ctl volume)"
press_keys Up
await_for 10 volume_is 0.550000 || fail "Up gave volume $(ctl volume)"
xdotool mousemove $((left + 200)) $((top + 30)) click 5 click 5
await_for 10 volume_is 0.450000 || fail "two wheel notches down gave volume $(ctl volume)"
press_keys s
await_for 10 shuffle_is On || fail "S did not switch shuffle on"
press_keys s
await_for 10 shuffle_is Off || fail "S did not switch shuffle off again"
press_keys XF86AudioPrev
await title_is_track 1 || fail "the media previous key did not go back"
press_keys XF86AudioPlay
await status_is Paused || fail "the media play key did not pause"
press_keys XF86AudioPlay
await status_is Playing || fail "the media play key did not resume"
press_keys XF86AudioStop
await status_is Stopped || fail "the media stop key did not stop"
press_keys XF86AudioNext
await title_is_track 2 || fail "the media next key did not move on"
park_pointer
pass "Space, Right, Up, the wheel, S and the media keys"

case_name="second player"
(cd "$work/tracks" && exec env SDL_AUDIODRIVER=dummy "$Q2_PLAYER") >/dev/null 2>"$work/second.err" &
second_pid=$!
instance_listed() { playerctl -l 2>/dev/null | grep -qx "quarven2.instance$second_pid"; }
await_for 60 instance_listed || fail "the second player is not on the bus as quarven2.instance$second_pid: $(playerctl -l)"
dbus-send --session --print-reply --dest="org.mpris.MediaPlayer2.quarven2.instance$second_pid" \
  /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit >/dev/null || fail "Quit to the second player failed"
second_ended() { ! kill -0 "$second_pid" 2>/dev/null; }
await_for 30 second_ended || fail "the second player did not quit"
wait "$second_pid"
second_status=$?
second_name="quarven2.instance$second_pid"
second_pid=""
[ "$second_status" = 0 ] || fail "the second player ended with status $second_status: $(cat "$work/second.err")"
pass "$second_name, quit with status 0"

case_name="raise"
before=$(geometry)
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quarven2 /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Raise >/dev/null || fail "Raise failed"
await status_is Playing || fail "the player stopped answering after Raise"
xdotool search --onlyvisible --pid "$player_pid" >/dev/null || fail "the window is not visible after Raise"
[ "$(geometry)" = "$before" ] || fail "Raise moved or resized the window: $before -> $(geometry)"
pass "still at $before"

case_name="quit"
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quarven2 /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Quit >/dev/null || fail "Quit failed"
await_exit
[ "$status" = 0 ] || fail "Quit ended the program with status $status"
! grep -q 'desktop' "$work/player.err" || fail "the player complained: $(cat "$work/player.err")"
pass "status 0"

case_name="no bus"
start_player "$work/tracks" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
await_audio_seconds 1
level=$(recent_level)
is_above "$level" 0.01 || fail "no sound without a bus (RMS $level)"
# (The disk driver and the missing tracks have their own lines.)
[ "$(grep -c 'desktop' "$work/player.err")" = 1 ] && grep -q '^quarven2: no desktop media controls' "$work/player.err" ||
  fail "not one line about the missing bus: $(cat "$work/player.err")"
xdotool mousemove $((left + 200)) $((top + 30)) key Escape
await_exit
[ "$status" = 0 ] || fail "Escape ended the program with status $status"
pass "$(grep desktop "$work/player.err"); RMS $level"
