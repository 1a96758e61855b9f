#!/usr/bin/env bash
# A Wayland session: weston with Xwayland, nested in the private X server
# (whose pointer and keyboard xdotool drives, and weston passes on). With
# the session's environment, and again with SDL_VIDEODRIVER=wayland (set by
# some users for games), the player opens its window on Xwayland; a click on
# next changes the title, a drag moves the window with the pointer, Escape
# ends it with status 0.
# The private screen is taller than weston's output, so that the pointer can
# leave weston's window and enter it again (see pointer_to).
readonly weston_width=1024 weston_height=768
export E2E_SCREEN_WIDTH=$weston_width E2E_SCREEN_HEIGHT=$((weston_height + 64))
source "$(dirname "$0")/lib.sh"
require_tools weston Xwayland
e2e_begin
# Longer than any wait for a click: a click that never arrives must not be
# hidden by the first track ending and the title moving on by itself.
make_tracks "$work/tracks" 60 1,2,3
outer=$DISPLAY

mkdir -m 700 "$work/runtime"
cat >"$work/weston.ini" <<'INI'
[core]
xwayland=true
idle-time=0
[shell]
panel-position=none
background-color=0xff204060
INI
weston_pid=""
stop_weston() { if [ -n "$weston_pid" ]; then kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; fi; weston_pid=""; }
trap 'stop_weston; e2e_cleanup' EXIT
XDG_RUNTIME_DIR="$work/runtime" weston --backend=x11-backend.so --xwayland --config="$work/weston.ini" \
  --socket=wayland-q2 --width="$weston_width" --height="$weston_height" --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
xwayland_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" 2>/dev/null | tail -n1; }
xwayland_known() { [ -n "$(xwayland_display)" ]; }
await xwayland_known || fail "weston started no Xwayland: $(cat "$work/weston.log")"
inner=$(xwayland_display)
background="#204060"

# Where the window is: weston keeps the X window's place on Xwayland's root
# equal to its place on the screen (the output starts at 0,0), and the skin
# must be seen there on the outer screen.
inner_geometry() { DISPLAY=$inner geometry; }
skin_seen_at() {
  import -display "$outer" -window root -crop "${window_width}x${window_height}+$1+$2" +repage "$work/shown.png" 2>/dev/null &&
    is_above "$(convert "$work/shown.png" -fill black -opaque "$background" -fill white +opaque black \
      -format '%[fx:mean]' info:)" 0.95
}
window_shown() { read -r sx sy _ < <(inner_geometry) && skin_seen_at "$sx" "$sy"; }

# start_session_player [NAME=VALUE...]: the player on Xwayland, found there.
start_session_player() {
  (cd "$work/tracks" && exec env DISPLAY="$inner" WAYLAND_DISPLAY=wayland-q2 XDG_RUNTIME_DIR="$work/runtime" \
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" "$@" "$Q2_PLAYER") >"$work/player.out" 2>"$work/player.err" &
  player_pid=$!
  DISPLAY=$inner await_for 60 window_found || fail "no window appeared on Xwayland"
  player_ended && fail "the program ended before showing its window"
  window=$(head -n1 "$work/window")
  await window_shown || fail "the window never showed on the screen"
}

# Weston's nested backend follows the outer pointer by its motions alone;
# only an entry into weston's window tells it where the pointer is. An entry
# it misses while it starts leaves its pointer that far off for good, and
# every click lands elsewhere (on the desktop's background). So the pointer
# enters weston's window afresh, and the test waits until Xwayland sees it
# at the same place, which is where weston has it.
inner_pointer_at() {
  local x y
  eval "$(DISPLAY=$inner xdotool getmouselocation --shell | sed -n 's/^X=/x=/p; s/^Y=/y=/p')"
  [ "${x:-}" = "$1" ] && [ "${y:-}" = "$2" ]
}
pointer_to() {
  DISPLAY=$outer xdotool mousemove 5 $((weston_height + 32)) mousemove "$1" "$2"
  await_for 10 inner_pointer_at "$1" "$2" || fail "weston did not bring the pointer at $1,$2 to the window"
}

# A move weston runs holds the pointer: Xwayland no longer has it over the
# window, but over its root.
weston_has_pointer() {
  local root under
  root=$(DISPLAY=$inner xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  under=$(DISPLAY=$inner xdotool getmouselocation | sed -n 's/.*window:\([0-9]*\).*/\1/p')
  [ -n "$root" ] && [ "$under" = "$((root))" ]
}

session_title() { DISPLAY=$inner title_track; }
session_title_is() { [ "$(session_title)" = "$1" ]; }

run_session() {
  start_session_player "$@"
  read -r left top _ < <(inner_geometry)
  pass "the window shows at $left,$top of the screen"

  case_name="$case_label: click on next"
  local before x y
  before=$(session_title)
  read -r x y < <(control_point "$next_colour")
  pointer_to $((left + x)) $((top + y))
  DISPLAY=$outer xdotool click 1
  await session_title_is $((before + 1)) || fail "the title shows row $(session_title), not $((before + 1))"
  pass "row $before -> $((before + 1))"

  case_name="$case_label: drag"
  pointer_to $((left + 200)) $((top + 30))
  DISPLAY=$outer xdotool mousedown 1 sleep 0.2 mousemove $((left + 240)) $((top + 60))
  # The player hands the move to weston a moment after the pointer set off,
  # and weston moves the window at the motions that come after it took the
  # move: the rest of the drag waits for that, however busy the machine.
  await_for 10 weston_has_pointer || fail "weston never took the move from the window"
  DISPLAY=$outer xdotool mousemove $((left + 280)) $((top + 90)) sleep 0.2 \
    mousemove $((left + 320)) $((top + 120)) sleep 0.2 mouseup 1
  moved_with_pointer() { read -r sx sy _ < <(inner_geometry) && [ "$sx,$sy" = "$((left + 120)),$((top + 90))" ]; }
  seen_moved() { moved_with_pointer && skin_seen_at "$sx" "$sy"; }
  await_for 10 moved_with_pointer || fail "after a drag of +120,+90 the window shows at $sx,$sy, not $((left + 120)),$((top + 90))"
  await_for 10 seen_moved || fail "the window is not seen at its new place $sx,$sy"
  pass "the window followed the pointer to $sx,$sy"

  case_name="$case_label: Escape"
  DISPLAY=$outer xdotool key Escape
  await_exit
  [ "$status" = 0 ] || fail "the player ended with status $status"
  pass "status 0"
}

case_label="session environment"
case_name=$case_label
run_session
case_label="SDL_VIDEODRIVER=wayland"
case_name=$case_label
run_session SDL_VIDEODRIVER=wayland
case_name="SDL_VIDEODRIVER=wayland: the override"
grep -q "SDL_VIDEODRIVER=wayland is overridden" "$work/player.err" || fail "the override was not said: $(cat "$work/player.err")"
pass "the override said so on standard error"
