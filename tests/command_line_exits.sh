#!/usr/bin/env bash
# The real program's command line: --help and --version print and end with
# status 0 without opening anything; a bad command line prints one usage line
# on standard error and ends with status 2. No display is needed: none of
# these may get as far as the window.
#
# Usage: command_line_exits.sh PLAYER
set -u
player=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() { (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$player" "$@") >"$work/out" 2>"$work/err"; }
fail() { echo "FAIL ($*)"; echo "--- out:"; cat "$work/out"; echo "--- err:"; cat "$work/err"; exit 1; }

run --help
[ $? = 0 ] || fail "--help: status"
grep -q '^Usage: quarven2 ' "$work/out" && grep -q -- '--scale N' "$work/out" && grep -q 'Escape quits' "$work/out" &&
  grep -q 'folder' "$work/out" || fail "--help: the usage does not name the options, keys and where the tracks are"
[ -s "$work/err" ] && fail "--help: something on standard error"

run --version
[ $? = 0 ] || fail "--version: status"
grep -qx 'quarven2 [0-9][0-9.]*' "$work/out" || fail "--version: no version line"

for bad in "--bogus" "stray.mp3" "--scale 3" "--scale" "--fps 0" "--fps=abc"; do
  # shellcheck disable=SC2086 # split into the program's arguments
  run $bad
  status=$?
  [ "$status" = 2 ] || fail "$bad: status $status"
  [ "$(wc -l <"$work/err")" = 1 ] && grep -q '^quarven2: .*usage: quarven2 ' "$work/err" ||
    fail "$bad: not one usage line on standard error"
  [ -s "$work/out" ] && fail "$bad: something on standard output"
done
echo "ok: --help and --version end with 0, a bad command line with 2 and one line"
