#!/usr/bin/env bash
# The real player, playing for ten seconds under a private X server (depth
# 24) with SDL's dummy audio driver, which consumes the sound at its real
# rate: frames presented per second, the player's and the X server's CPU
# share, the player's peak resident memory, and start-up to the first
# presented frame. The player runs unchanged; a preloaded library counts its
# presents (see present_counter.c) and /proc gives CPU and memory.
#
# Usage: fps_under_xvfb.sh PLAYER PRESENT_COUNTER_SO [SECONDS]
set -u
player=$(realpath "$1")
counter=$(realpath "$2")
seconds=${3:-10}

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

work=$(mktemp -d)
xvfb_pid=""
player_pid=""
trap '[ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; [ -s "$work/player.err" ] && cat "$work/player.err"; exit 1; }

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
now_ns() { date +%s%N; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# Started in the player's own folder, where the build put the 33 tracks.
cd "$(dirname "$player")" || fail "no folder $(dirname "$player")"
SDL_AUDIODRIVER=dummy Q2_PRESENT_LOG="$work/presents" LD_PRELOAD="$counter" "$player" 2>"$work/player.err" &
player_pid=$!
for _ in $(seq 300); do
  xdotool search --onlyvisible --pid "$player_pid" >/dev/null 2>&1 && break
  kill -0 "$player_pid" 2>/dev/null || fail "the player ended early"
  sleep 0.1
done

sleep 1 # past start-up, into steady playing
hz=$(getconf CLK_TCK)
p0=$(cpu_ticks "$player_pid"); x0=$(cpu_ticks "$xvfb_pid"); t0=$(now_ns)
sleep "$seconds"
p1=$(cpu_ticks "$player_pid"); x1=$(cpu_ticks "$xvfb_pid"); t1=$(now_ns)
peak_kb=$(awk '/^VmHWM/ { print $2 }' "/proc/$player_pid/status")
streams=$(ls -l "/proc/$player_pid/fd" 2>/dev/null | grep -c '\.mp3$')

kill -TERM "$player_pid"
wait "$player_pid"
status=$?
player_pid=""
[ "$status" = 0 ] || fail "the player ended with status $status"
[ -s "$work/presents" ] || fail "the present counter wrote nothing"

awk -v p0="$p0" -v p1="$p1" -v x0="$x0" -v x1="$x1" -v t0="$t0" -v t1="$t1" -v hz="$hz" \
    -v peak="$peak_kb" -v streams="$streams" '
  { v[$1] = $2 }
  END {
    wall = (t1 - t0) / 1e9
    printf "player under Xvfb (depth 24, SDL_AUDIODRIVER=dummy), %d tracks open\n", streams
    printf "  start-up to first present  %8.1f ms   (target < 150 ms)\n", v["first_present_ms"]
    printf "  frames per second          %8.1f      (%d presents in %.1f s)\n", (v["presents"] - 1) / (v["span_ms"] / 1000), v["presents"], v["span_ms"] / 1000
    printf "  player CPU over %.1f s     %8.1f %% of one core\n", wall, 100 * (p1 - p0) / hz / wall
    printf "  Xvfb CPU over the same     %8.1f %% of one core\n", 100 * (x1 - x0) / hz / wall
    printf "  peak resident memory       %8.1f MB   (target < 60 MB)\n", peak / 1024
  }' "$work/presents"
