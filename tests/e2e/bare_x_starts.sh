#!/usr/bin/env bash
# A bare X server with no other client (an xinit or kiosk session): each of
# 20 starts, each on a freshly started server that resets when its last
# client leaves, shows its window. The player must not make a connection of
# its own the server's only client and close it as the window's connects.
source "$(dirname "$0")/lib.sh"
require_tools Xvfb xdotool
make_workspace
make_tracks "$work/tracks" 20 1
starts=${1:-20}

bare_pid=""
stop_bare() { if [ -n "$bare_pid" ]; then kill "$bare_pid" 2>/dev/null; wait "$bare_pid" 2>/dev/null; fi; bare_pid=""; }
trap 'stop_bare; e2e_cleanup' EXIT

started_playing() { audio_reached 1 || player_ended; }
failed=0
for ((i = 1; i <= starts; i++)); do
  case_name="start $i"
  : >"$work/display"
  # No -noreset, and no client of the test's own until the player has
  # opened its window and started to play.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  bare_pid=$!
  await test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  rm -f "$work/audio.raw"
  (cd "$work/tracks" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" "$Q2_PLAYER") \
    >"$work/player.out" 2>"$work/player.err" &
  player_pid=$!
  await_for 60 started_playing || fail "the player neither played nor ended"
  if player_ended || ! await window_found || [ ! -s "$work/window" ]; then
    failed=$((failed + 1))
    echo "start $i failed: $(cat "$work/player.err" | grep -v -e CRITICAL -e 'cannot open track' | head -n 3)"
  fi
  stop_player
  stop_bare
done
case_name="bare X"
[ "$failed" = 0 ] || fail "$failed of $starts starts showed no window"
pass "$starts of $starts starts showed their window"
