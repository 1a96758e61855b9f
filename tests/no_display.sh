#!/usr/bin/env bash
# Without any display the player must not run invisibly on SDL's fallback
# driver: it says so in one line and ends with status 1; the line says which display was tried.
#
# Usage: no_display.sh PLAYER
set -u
player=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A private runtime folder keeps the Wayland probe quiet and finds no server.
(cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$work" \
  SDL_AUDIODRIVER=dummy timeout 60 "$player") 2>"$work/err"
status=$?
[ "$status" = 1 ] || { echo "FAIL: status $status"; cat "$work/err"; exit 1; }
grep -q '^quarven2: cannot open the window: no X display: DISPLAY is not set (tried ' "$work/err" ||
  { echo "FAIL: the reason does not say what was tried"; cat "$work/err"; exit 1; }
[ "$(wc -l <"$work/err")" = 1 ] || { echo "FAIL: more than one line"; cat "$work/err"; exit 1; }
echo "no display: $(cat "$work/err"), status $status"
