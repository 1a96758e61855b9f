#!/usr/bin/env bash
# The digit keys that choose the effect are read system-wide, wherever the
# keyboard's focus lies, from the raw key events the player follows: they
# answer as the X server's own key map does for a key held before the watch
# began, two keys held together, one let go, digit 0, and all keys up.
set -u
source "$(dirname "$0")/lib.sh"
require_tools Xvfb xdotool
[ -x "${Q2_KEY_PROBE:-}" ] || { echo "FAIL: the key probe is not built"; exit 1; }
make_workspace
start_xvfb 24

# The pointer rests over the root window, so the keys go to no window of ours.
case_name="held before the start"
xdotool keydown 5
coproc probe { "$Q2_KEY_PROBE" 2>"$work/probe.err"; }

# expects CASE DIGITS: the watch and the server both say DIGITS are held.
expects() {
  case_name=$1
  local answer=""
  echo >&"${probe[1]}"
  read -r -t 10 answer <&"${probe[0]}" || fail "no answer from the probe: $(cat "$work/probe.err")"
  [ "$answer" = "$2 $2" ] || fail "the watch and the server's key map say \"$answer\", not \"$2 $2\""
  pass "held: $2"
}

expects "held before the start" 5
xdotool keydown 3
expects "two held together" 35
xdotool keyup 5
expects "one let go" 3
xdotool keyup 3 keydown 0
expects "digit 0" 0
xdotool keyup 0
expects "all up" -
