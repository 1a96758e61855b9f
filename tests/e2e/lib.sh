# Shared by the end-to-end scripts: a private X server, the real player with
# SDL's disk audio driver, waiting for conditions, screenshots, clicks on the
# skin's controls and the sound file. Source it, then call e2e_begin (or,
# for the X server and the waiting alone, make_workspace and start_xvfb).
#
# Paths come from the test's environment (tests/e2e/CMakeLists.txt):
# Q2_PLAYER, Q2_TRACKGEN, Q2_AUDIO_PROBE, Q2_CURSOR_PROBE, Q2_HITMAP_POINT,
# Q2_TRACK_TITLES, Q2_SKIN.

# shellcheck disable=SC2034 # the variables set here are read by the scripts
set -u

# A script may ask for a larger screen by setting these before sourcing.
readonly screen_width=${E2E_SCREEN_WIDTH:-1024}
readonly screen_height=${E2E_SCREEN_HEIGHT:-768}
# "-bs": a server that keeps no copy of covered windows, as many do.
readonly xvfb_options=${E2E_XVFB_OPTIONS:-}
readonly window_width=337
readonly window_height=443
# Where the window opens: centred on the screen.
readonly centred_left=$(((screen_width - window_width) / 2))
readonly centred_top=$(((screen_height - window_height) / 2))

# Control colours of the hit map.
readonly play_colour=0xFFFF0000
readonly pause_colour=0xFF0000FF
readonly stop_colour=0xFFFF00FF
readonly previous_colour=0xFF00FFFF
readonly next_colour=0xFF00FF00
readonly shuffle_colour=0xFFFFFF00
readonly volume_colour=0xFF464646
readonly close_colour=0xFFFFFFFF

# Frames of 32-bit float stereo at 44100 Hz: the disk driver writes the
# device's format, which the player opens as exactly that.
readonly audio_bytes_per_second=$((44100 * 8))

work=""
xvfb_pid=""
player_pid=""
window=""
left=0
top=0
case_name="start"
status=""
audio_end=0

# Skips the test (status 77) when a tool it needs is missing.
require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}

# A scratch folder that goes away, with the X server and the player, on
# every way out of the script.
make_workspace() {
  work=$(mktemp -d)
  trap 'e2e_cleanup' EXIT
  trap 'exit 130' INT TERM
}

e2e_begin() {
  require_tools Xvfb xdotool xwininfo xprop import convert compare
  for path in "$Q2_PLAYER" "$Q2_TRACKGEN" "$Q2_AUDIO_PROBE" "$Q2_CURSOR_PROBE" "$Q2_HITMAP_POINT" "$Q2_TRACK_TITLES"; do
    [ -x "$path" ] || { echo "FAIL: $path is not built"; exit 1; }
  done
  make_workspace
  "$Q2_TRACK_TITLES" >"$work/titles.tsv"
  start_xvfb 24
}

stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  xvfb_pid=""
}

e2e_cleanup() {
  stop_player
  stop_xvfb
  [ -n "$work" ] && rm -rf "$work"
}

fail() {
  echo "FAIL ($case_name): $*"
  [ -s "$work/player.err" ] && { echo "--- player's standard error:"; cat "$work/player.err"; }
  [ -s "$work/xvfb.log" ] && { echo "--- X server's log:"; cat "$work/xvfb.log"; }
  exit 1
}

pass() { echo "ok ($case_name): $*"; }

# Retries a command until it succeeds, for up to SECONDS: the server and
# the program run at their own pace on a busy machine.
await_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
  return 0
}
await() { await_for 30 "$@"; }

# A private X server of DEPTH bits on a free display, which becomes DISPLAY.
start_xvfb() {
  : >"$work/display"
  # -noreset: screenshots are clients too; a reset as one leaves would race
  # with the player's connection.
  # shellcheck disable=SC2086 # the options are words
  Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x$1" -nolisten tcp -noreset $xvfb_options \
    3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  await test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  # The pointer starts over the root window, away from where the player opens.
  xdotool mousemove 5 5
}

# Makes short generated tracks in FOLDER: make_tracks FOLDER SECONDS ROWS
# (ROWS as trackgen's --only takes them, e.g. 1,2).
make_tracks() {
  mkdir -p "$1"
  "$Q2_TRACKGEN" --seconds "$2" --only "$3" --jobs 2 "$1" >"$work/trackgen.log" 2>&1 ||
    fail "trackgen could not make the tracks: $(cat "$work/trackgen.log")"
}

# File name of catalogue row N (1-based).
track_file() { sed -n "${1}p" "$work/titles.tsv" | cut -f1; }

window_found() {
  xdotool search --onlyvisible --pid "$player_pid" >"$work/window" 2>/dev/null || ! kill -0 "$player_pid" 2>/dev/null
}

# yes: the player's sound goes to $work/audio.raw through SDL's disk
# driver. A script that plays through a sound server of its own sets it to
# no, leaving SDL its own choice of driver.
disk_audio=yes

# Runs the player in FOLDER (with the disk driver as disk_audio says);
# extra NAME=VALUE arguments go to its environment. Waits for its window and
# its first frame.
start_player() {
  local folder=$1
  shift
  local audio_env=()
  [ "$disk_audio" = yes ] && audio_env=(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw")
  rm -f "$work/audio.raw"
  (cd "$folder" && exec env "${audio_env[@]}" "$@" "$Q2_PLAYER") \
    >"$work/player.out" 2>"$work/player.err" &
  player_pid=$!
  await_for 60 window_found || fail "no window appeared"
  kill -0 "$player_pid" 2>/dev/null || fail "the program ended before showing its window"
  window=$(head -n1 "$work/window")
  read -r left top _ < <(geometry)
  await title_is_track 1 || fail "the first track's title never appeared: '$(window_title)'"
}

stop_player() {
  if [ -n "$player_pid" ]; then kill "$player_pid" 2>/dev/null; wait "$player_pid" 2>/dev/null; fi
  player_pid=""
}

player_ended() { ! kill -0 "$player_pid" 2>/dev/null; }

# Waits for the player to end by itself; its exit status goes to `status`.
await_exit() {
  await_for 30 player_ended || fail "the program did not end"
  wait "$player_pid"
  status=$?
  player_pid=""
}

# x y width height depth of the player's window.
geometry() {
  xwininfo -id "$window" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2}
    /Width/{w=$2} /Height/{h=$2} /Depth/{d=$2} END{print x+0, y+0, w+0, h+0, d+0}'
}

window_title() { xprop -id "$window" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }

# The catalogue row (1-based) the window title names, or 0.
title_track() {
  local title
  title=$(window_title)
  awk -F'\t' -v t="$title" '$2 == t { print NR; found = 1; exit } END { if (!found) print 0 }' "$work/titles.tsv"
}

title_is_track() { [ "$(title_track)" = "$1" ]; }
title_is_not_track() { local now; now=$(title_track); [ "$now" != 0 ] && [ "$now" != "$1" ]; }

# Window coordinates of a point well inside the control of COLOUR.
control_point() { "$Q2_HITMAP_POINT" "$Q2_SKIN/hitmap.png" "$1"; }

# Moves the pointer onto the control of COLOUR.
point_at() {
  local x y
  read -r x y < <(control_point "$1")
  xdotool mousemove $((left + x)) $((top + y))
}

# A press and release on the control of COLOUR, then the pointer goes back
# off the window so that no hover look stays.
click_control() {
  point_at "$1"
  xdotool click 1
  park_pointer
}

park_pointer() { xdotool mousemove 5 5; }

# A screenshot of the window alone, 337 x 443, to FILE.
window_shot() {
  import -window root -crop "${window_width}x${window_height}+${left}+${top}" +repage "$1" 2>/dev/null
}

# Number of pixels that differ between two pictures of the same size.
pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# A white-on-black mask of the hit map's control of COLOUR, to FILE.
control_mask() {
  local rgb="#${1:4:6}"
  convert "$Q2_SKIN/hitmap.png" -fill black +opaque "$rgb" -fill white -opaque "$rgb" "$2"
}

# Differing pixels between two window-sized pictures inside a mask.
pixels_differing_within() {
  convert "$1" "$3" -compose Multiply -composite "$work/within-a.png"
  convert "$2" "$3" -compose Multiply -composite "$work/within-b.png"
  pixels_differing "$work/within-a.png" "$work/within-b.png"
}

# Paints RECTANGLES (x0,y0 x1,y1 pairs) black in a copy of PICTURE: out FILE.
blank_out() {
  local picture=$1 out=$2
  shift 2
  local draw=()
  for r in "$@"; do draw+=(-draw "rectangle $r"); done
  convert "$picture" -fill black "${draw[@]}" "$out"
}

audio_size() { stat -c %s "$work/audio.raw" 2>/dev/null || echo 0; }

audio_reached() { [ "$(audio_size)" -ge "$1" ]; }

# Waits until SECONDS more of sound have been written; the new size goes to
# `audio_end`. (Not in a subshell, so that a failure ends the script.)
await_audio_seconds() {
  local target=$(($(audio_size) + $(awk -v s="$1" -v r="$audio_bytes_per_second" 'BEGIN{printf "%d", s * r}')))
  await_for 60 audio_reached "$target" || fail "the sound file stopped growing at $(audio_size) bytes"
  audio_end=$(audio_size)
}

probe() { "$Q2_AUDIO_PROBE" "$1" "$work/audio.raw" "${@:2}"; }

# Compares two decimal numbers: is_above A B (A > B).
is_above() { awk -v a="$1" -v b="$2" 'BEGIN{exit !(a > b)}'; }
