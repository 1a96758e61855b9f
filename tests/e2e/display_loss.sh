#!/usr/bin/env bash
# The X server goes away under the running player (a logout, a crashed or
# dropped remote session), five times in a row: each time the player ends
# within 2 s with status 1 and one line on standard error, and no process of
# it is left holding the sound device. SIGTERM and SIGINT end it as the close
# button does, with status 0.
source "$(dirname "$0")/lib.sh"
e2e_begin
stop_xvfb

make_tracks "$work/tracks" 30 1
for run in 1 2 3 4 5; do
  case_name="server killed, run $run"
  start_xvfb 24
  start_player "$work/tracks"
  lines_before=$(wc -l <"$work/player.err")
  kill -KILL "$xvfb_pid"
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  killed_at=$(date +%s%N)
  took_ms=0
  while ! player_ended; do
    took_ms=$((($(date +%s%N) - killed_at) / 1000000))
    if [ "$took_ms" -ge 2000 ]; then
      # A player stuck on the dead connection no longer answers SIGTERM.
      kill -KILL "$player_pid"
      fail "the player still ran 2 s after its X server was killed"
    fi
    sleep 0.05
  done
  took_ms=$((($(date +%s%N) - killed_at) / 1000000))
  wait "$player_pid"
  status=$?
  pid=$player_pid
  player_pid=""
  [ "$status" = 1 ] || fail "status $status"
  kill -0 "$pid" 2>/dev/null && fail "a process of the player is left"
  new_lines=$(tail -n +$((lines_before + 1)) "$work/player.err")
  [ "$(printf '%s\n' "$new_lines" | wc -l)" = 1 ] && [ -n "$new_lines" ] ||
    fail "not one line on standard error: '$new_lines'"
  grep -q '^quarven2: ' <<<"$new_lines" || fail "the line does not name the program: '$new_lines'"
  pass "ended after $took_ms ms with status 1: $new_lines"
done

start_xvfb 24
for signal in TERM INT; do
  case_name="SIG$signal"
  start_player "$work/tracks"
  kill -"$signal" "$player_pid"
  await_for 5 player_ended || { kill -KILL "$player_pid"; fail "the player still runs 5 s after SIG$signal"; }
  wait "$player_pid"
  status=$?
  player_pid=""
  [ "$status" = 0 ] || fail "status $status"
  pass "status 0"
done
