#!/usr/bin/env bash
# The player as a desktop runs it: through a real sound server (PulseAudio
# with a null sink; PipeWire's pulse layer speaks the same protocol), with
# SDL choosing its driver itself. What reaches the sink is recorded from its
# monitor: music, silence soon after pause, music again after play; the
# server killed (politely, then not) and started again two seconds later,
# with the player still running and its music back; a pause made while the
# server is away kept when it returns; Escape still ends the program with 0.
source "$(dirname "$0")/lib.sh"
require_tools pulseaudio parec pactl
e2e_begin

# The private server, its socket and its files, away from any the machine
# or the user has; the player and the tools find it by PULSE_SERVER alone.
pulse_dir="$work/pulse"
mkdir -p "$pulse_dir/runtime" "$pulse_dir/home"
chmod 700 "$pulse_dir/runtime"
export XDG_RUNTIME_DIR="$pulse_dir/runtime" HOME="$pulse_dir/home"
export PULSE_SERVER="unix:$pulse_dir/native"
unset SDL_AUDIODRIVER PULSE_SINK
disk_audio=no
cat >"$pulse_dir/server.pa" <<EOF
load-module module-null-sink sink_name=speakers rate=44100 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$pulse_dir/native
set-default-sink speakers
EOF

pulse_pid=""
record_pid=""
recording=""
pulse_round=0
readonly audible=0.00316 # -50 dB full scale
readonly sample_bytes_per_second=$((44100 * 8))

server_answers() { pactl info >/dev/null 2>&1; }

# As root PulseAudio warns and goes on in per-user mode: the flags keep it
# from exiting when idle or being asked to, from wanting a real-time
# scheduler or a pid file, and from loading anything but the file's modules.
start_pulse() {
  pulse_round=$((pulse_round + 1))
  pulseaudio --daemonize=no --system=no -n -F "$pulse_dir/server.pa" --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=no --realtime=no --high-priority=no --log-target=stderr \
    2>>"$pulse_dir/server.log" &
  pulse_pid=$!
  await server_answers || fail "PulseAudio did not start: $(tail -n 5 "$pulse_dir/server.log")"
}

stop_recording() {
  if [ -n "$record_pid" ]; then kill "$record_pid" 2>/dev/null; wait "$record_pid" 2>/dev/null; fi
  record_pid=""
}

# Kills the server with SIGNAL and waits for it (and the recording) to go.
kill_pulse() {
  kill "-$1" "$pulse_pid"
  wait "$pulse_pid" 2>/dev/null
  pulse_pid=""
  stop_recording
}

cleanup_pulse() {
  stop_recording
  stop_player
  if [ -n "$pulse_pid" ]; then kill -KILL "$pulse_pid" 2>/dev/null; wait "$pulse_pid" 2>/dev/null; fi
  e2e_cleanup
}
trap 'cleanup_pulse' EXIT

# What the sink plays from now on goes to a new file, $recording, as 32-bit
# float stereo frames at 44100 Hz, the format the audio probe reads.
start_recording() {
  recording="$work/sink-$pulse_round-$SECONDS.raw"
  : >"$recording"
  parec -d speakers.monitor --format=float32le --rate=44100 --channels=2 --latency-msec=20 >"$recording" \
    2>>"$pulse_dir/parec.log" &
  record_pid=$!
}

recorded() { stat -c %s "$recording" 2>/dev/null || echo 0; }
recorded_past() { [ "$(recorded)" -ge "$1" ]; }
level_of() { "$Q2_AUDIO_PROBE" rms "$recording" "$1" "$2"; }
# RMS of the last quarter second recorded.
recent_level() {
  local end
  end=$(recorded)
  level_of $((end - sample_bytes_per_second / 4)) "$end"
}
music_heard() { [ "$(recorded)" -ge $((sample_bytes_per_second / 4)) ] && is_above "$(recent_level)" "$audible"; }
silence_after() { [ "$("$Q2_AUDIO_PROBE" first-silence "$recording" "$1")" -ge 0 ]; }
player_stream_shown() { [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; }
player_running() { kill -0 "$player_pid" 2>/dev/null; }

# Waits up to SECONDS for music at the sink; fails with WHAT otherwise.
await_music() {
  await_for "$1" music_heard || fail "$2 (RMS of the last quarter second: $(recent_level))"
}

# Seconds since the epoch, to the millisecond.
now() { date +%s.%3N; }
elapsed_since() { awk -v a="$1" -v b="$(now)" 'BEGIN{printf "%.2f", b - a}'; }
# Retries a command until it succeeds, up to SECONDS after the moment START
# (await_for counts whole seconds, too coarse for this).
await_until() {
  local start=$1 seconds=$2
  shift 2
  until "$@"; do
    is_above "$(elapsed_since "$start")" "$seconds" && return 1
    sleep 0.05
  done
}

# Escape over the window's skin: the program ends, with status 0.
escape_ends_with_status_0() {
  xdotool mousemove $((left + 200)) $((top + 30)) key Escape
  await_exit
  [ "$status" = 0 ] || fail "Escape ended the program with status $status"
  pass "status 0"
}

start_pulse
start_recording
make_tracks "$work/tracks" 90 1,2
start_player "$work/tracks"

case_name="music reaches the sink"
await_music 30 "no music reached the sink"
player_stream_shown || fail "the sink plays music, yet shows no stream"
pass "RMS $(recent_level) over the last quarter second"

case_name="pause and play"
mark=$(recorded)
click_control "$pause_colour"
await_for 10 silence_after "$mark" || fail "the sink did not fall silent after pause"
quiet=$("$Q2_AUDIO_PROBE" first-silence "$recording" "$mark")
delay=$(awk -v d=$((quiet - mark)) -v r="$sample_bytes_per_second" 'BEGIN{printf "%.3f", d / r}')
! is_above "$delay" 0.15 || fail "the sink fell silent ${delay} s after pause"
click_control "$play_colour"
await_music 10 "the music did not come back after play"
pass "silent ${delay} s after pause; music again after play"

# A server that goes away with SIGNAL and comes back two seconds later.
server_restart_round() {
  local signal=$1
  case_name="server ended with SIG$signal"
  kill_pulse "$signal"
  sleep 2
  player_running || fail "the player ended with the sound server"
  start_pulse
  local restarted
  restarted=$(now)
  start_recording
  await_until "$restarted" 4 music_heard || fail "no music $(elapsed_since "$restarted") s after the server came back"
  local back_after
  back_after=$(elapsed_since "$restarted")
  player_running || fail "the player ended"
  pass "music back ${back_after} s after the server restarted"
}
server_restart_round TERM
server_restart_round KILL

case_name="pause while the server is away"
kill_pulse TERM
click_control "$pause_colour"
sleep 2
start_pulse
start_recording
await_for 10 player_stream_shown || fail "the player's stream did not come back"
mark=$(recorded)
await_for 10 recorded_past $((mark + sample_bytes_per_second)) || fail "the recording stopped growing"
level=$(level_of "$mark" end)
[ "$level" = "0.000000" ] || fail "the paused track plays again after the server came back (RMS $level)"
click_control "$play_colour"
await_music 10 "play after the server came back brought no music"
pass "silent while paused, music after play"

case_name="messages"
losses=$(grep -c "sound output" "$work/player.err")
[ "$losses" = 3 ] || fail "three losses of the server, $losses lines about the sound output"
pass "one line per loss: $(grep -m1 "sound output" "$work/player.err")"

case_name="escape"
escape_ends_with_status_0

case_name="escape while the server is away"
start_player "$work/tracks"
await_music 30 "no music reached the sink from the second run"
kill_pulse KILL
await_for 10 grep -q "sound output" "$work/player.err" || fail "the loss of the server went unnoticed"
escape_ends_with_status_0
