#!/usr/bin/env bash
# What the real player costs its user, under a private X server (depth 24)
# with SDL's dummy audio driver: the player's and the X server's CPU share
# and the frames presented per second, over SECONDS each, with the wake-ups
# a second of the player's main thread (its context switches, voluntary and
# not, from /proc: each is a time the thread gave up or lost the processor)
#   playing      the loop as it ships (no cap)
#   hidden       the same run with its window unmapped, as a window manager
#                does when it minimises a window
#   --fps 60     a new run with the frame-rate cap
#   sleep floor  (with SLEEP_LOOP) a process that only sleeps 2 ms a pass,
#                what the hidden and the capped player cannot go below
# A preloaded library counts the presents (see present_counter.c); /proc
# gives the CPU times.
#
# Usage: cpu_under_xvfb.sh PLAYER PRESENT_COUNTER_SO [SECONDS [SLEEP_LOOP]]
set -u
player=$(realpath "$1")
counter=$(realpath "$2")
seconds=${3:-20}
sleep_loop=${4:+$(realpath "$4")}

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

work=$(mktemp -d)
xvfb_pid=""
player_pid=""
trap '[ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; [ -s "$work/player.err" ] && cat "$work/player.err"; exit 1; }
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
# Context switches of a process's main thread (its thread id is the pid).
wake_ups() { awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/task/$1/status"; }
now_ns() { date +%s%N; }
hz=$(getconf CLK_TCK)

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
cd "$(dirname "$player")" || fail "no folder $(dirname "$player")"

# start_player [OPTIONS...]: the player, its window id in $window.
start_player() {
  rm -f "$work/presents"
  SDL_AUDIODRIVER=dummy Q2_PRESENT_LOG="$work/presents" LD_PRELOAD="$counter" "$player" "$@" 2>"$work/player.err" &
  player_pid=$!
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --pid "$player_pid" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$player_pid" 2>/dev/null || fail "the player ended early"
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window"
  sleep 1 # past start-up, into steady playing
}

# measure LABEL: SECONDS of CPU of both processes, presents between two marks.
measure() {
  local p0 x0 t0 w0 p1 x1 t1 w1
  kill -USR1 "$player_pid"
  p0=$(cpu_ticks "$player_pid"); x0=$(cpu_ticks "$xvfb_pid"); w0=$(wake_ups "$player_pid"); t0=$(now_ns)
  sleep "$seconds"
  p1=$(cpu_ticks "$player_pid"); x1=$(cpu_ticks "$xvfb_pid"); w1=$(wake_ups "$player_pid"); t1=$(now_ns)
  kill -USR1 "$player_pid"
  echo "$1 $p0 $p1 $x0 $x1 $t0 $t1 $w0 $w1" >>"$work/phases"
}

stop_player() {
  kill -TERM "$player_pid"
  wait "$player_pid"
  local status=$?
  player_pid=""
  [ "$status" = 0 ] || fail "the player ended with status $status"
  [ -s "$work/presents" ] || fail "the present counter wrote nothing"
  cat "$work/presents" >>"$work/marks"
}

start_player
measure playing
xdotool windowunmap --sync "$window"
sleep 1
measure hidden
stop_player

start_player --fps 60
measure fps60
stop_player

sleep_floor=""
floor_wakes=""
if [ -n "$sleep_loop" ] && [ -x "$sleep_loop" ]; then
  "$sleep_loop" &
  loop_pid=$!
  sleep 1
  l0=$(cpu_ticks "$loop_pid"); w0=$(wake_ups "$loop_pid"); t0=$(now_ns)
  sleep "$seconds"
  l1=$(cpu_ticks "$loop_pid"); w1=$(wake_ups "$loop_pid"); t1=$(now_ns)
  kill -TERM "$loop_pid"
  wait "$loop_pid"
  sleep_floor=$(awk -v d=$((l1 - l0)) -v hz="$hz" -v ns=$((t1 - t0)) 'BEGIN { printf "%.2f", 100 * d / hz / (ns / 1e9) }')
  floor_wakes=$(awk -v d=$((w1 - w0)) -v ns=$((t1 - t0)) 'BEGIN { printf "%.0f", d / (ns / 1e9) }')
fi

# Marks come in pairs, one pair per phase, in the order of the phases.
awk -v hz="$hz" -v seconds="$seconds" '
  FNR == NR { label[NR] = $1; p[NR] = $3 - $2; x[NR] = $5 - $4; wall[NR] = ($7 - $6) / 1e9; w[NR] = $9 - $8
              phases = NR; next }
  $1 == "mark" { m[++marks] = $2 }
  END {
    printf "player under Xvfb (depth 24, SDL_AUDIODRIVER=dummy), %d s each\n", seconds
    printf "  %-10s %10s %10s %14s %10s %12s\n", "", "player", "X server", "frames/s", "wake-ups/s", "CPU / floor"
    for (i = 1; i <= phases; ++i) {
      cpu = 100 * p[i] / hz / wall[i]
      printf "  %-10s %8.2f %% %8.1f %% %14.1f %10.0f %12s\n", label[i], cpu, 100 * x[i] / hz / wall[i],
             (m[2 * i] - m[2 * i - 1]) / wall[i], w[i] / wall[i], (floor > 0 ? sprintf("%.2f", cpu / floor) : "-")
    }
    if (floor != "")
      printf "  %-10s %8s %% %10s %14s %10s  (2 ms sleep a pass, nothing else)\n", "sleep floor", floor, "", "",
             floor_wakes
    printf "  (wake-ups: context switches of the main thread; goals: hidden <= 20/s and CPU below the floor,\n"
    printf "   --fps 60 <= 80/s and <= 2 %% of a core; CPU clock ticks are 1/%d s, so short phases round)\n", hz
    printf "  (CPU as %% of one core; load average before the run: %s)\n", load
  }' load="$(cut -d' ' -f1-3 /proc/loadavg)" floor="$sleep_floor" floor_wakes="$floor_wakes" "$work/phases" "$work/marks"
