#!/usr/bin/env bash
# Installs the built program into a scratch DESTDIR as `make install` would
# into /usr/local, checks that a desktop finds what it needs (menu entry,
# icons, software-centre metadata, manual page) and that the menu entry's
# command, started from a folder without tracks, plays from the installed
# tracks; then uninstalls and checks that exactly our files went.
#
# Usage: install_tree.sh BUILD_DIR UNINSTALL_SCRIPT
set -u
build=$(realpath "$1")
uninstall=$(realpath "$2")
prefix=/usr/local

if [ ! -f "$build/01_-_vela_orkestra_-_quarven_rising.mp3" ]; then
  echo "skipped: this build folder has no tracks (a sanitized tree makes none)"
  exit 77
fi

work=$(mktemp -d)
stage="$work/stage"
root="$stage$prefix"
player_pid=""
trap '[ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; [ -s "$work/log" ] && { echo "--- log:"; cat "$work/log"; }; exit 1; }

# The component has its own manifest, so a real install's manifest (used by
# `make uninstall`) is left alone.
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" --component quarven2 >"$work/log" 2>&1 ||
  fail "cmake --install failed"
manifest="$build/install_manifest_quarven2.txt"

# --- the files
data="$root/share/quarven2"
[ -x "$root/bin/quarven2" ] && [ ! -L "$root/bin/quarven2" ] || fail "no executable program in bin"
tracks=$(find "$data" -maxdepth 1 -name '*.mp3' | wc -l)
[ "$tracks" = 33 ] || fail "$tracks tracks installed, not 33"
for track in "$build"/[0-3][0-9]_-_*.mp3; do
  cmp -s "$track" "$data/$(basename "$track")" || fail "$(basename "$track") differs from the built one"
done

icon="$root/share/icons/hicolor/32x32/apps/quarven2.png"
[ -f "$icon" ] || fail "no icon in the hicolor theme"
# The PNG header's width and height, big-endian, at bytes 16..23.
[ "$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')" = 0000002000000020 ] || fail "the icon is not 32 x 32"
for size in 64 128 256; do
  big="$root/share/icons/hicolor/${size}x${size}/apps/quarven2.png"
  hex=$(printf '%08x' "$size")
  [ "$(od -An -tx1 -j16 -N8 "$big" 2>/dev/null | tr -d ' \n')" = "$hex$hex" ] || fail "no $size x $size icon"
done

entry="$root/share/applications/example.quarven2.player.desktop"
[ -f "$entry" ] || fail "no menu entry"
key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Type)" = Application ] || fail "Type=$(key Type)"
[ "$(key Name)" = "QUARVEN 2 soundtrack" ] || fail "Name=$(key Name)"
[ "$(key Exec)" = "$prefix/bin/quarven2" ] || fail "Exec=$(key Exec)"
[ "$(key Icon)" = quarven2 ] || fail "Icon=$(key Icon)"
[ "$(key Categories)" = "AudioVideo;Audio;Player;" ] || fail "Categories=$(key Categories)"
# The class the running window gives itself, so a dock ties it to the entry.
[ "$(key StartupWMClass)" = Quarven2 ] || fail "StartupWMClass=$(key StartupWMClass)"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" >"$work/log" 2>&1 || fail "desktop-file-validate rejects the entry"
else
  echo "note: desktop-file-validate is not installed; the entry was checked by its keys only"
fi

metainfo="$root/share/metainfo/example.quarven2.player.metainfo.xml"
[ -f "$metainfo" ] || fail "no software-centre metadata"
grep -q '<launchable type="desktop-id">example.quarven2.player.desktop</launchable>' "$metainfo" ||
  fail "the metadata does not name the installed menu entry"
manual="$root/share/man/man1/quarven2.1"
[ -f "$manual" ] || fail "no manual page"
grep -q "^\.TH QUARVEN2 1 .*quarven2 $("$root/bin/quarven2" --version | cut -d' ' -f2)" "$manual" ||
  fail "the manual page does not carry the program's version"

# --- the menu's command, started where there are no tracks, opens the
# installed ones: the program's folder is found through the link.
mkdir "$work/home"
(cd "$work/home" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  XDG_RUNTIME_DIR="$work/home" "$stage$(key Exec)") >"$work/log" 2>&1 &
player_pid=$!
open_tracks() { ls -l "/proc/$player_pid/fd" 2>/dev/null | grep -c -- "-> $data/.*\.mp3$"; }
for _ in $(seq 300); do
  [ "$(open_tracks)" = 33 ] && break
  kill -0 "$player_pid" 2>/dev/null || break
  sleep 0.1
done
opened=$(open_tracks)
kill -TERM "$player_pid" 2>/dev/null
wait "$player_pid"
status=$?
player_pid=""
[ "$opened" = 33 ] || fail "the installed program opened $opened of the 33 installed tracks"
[ "$status" = 0 ] || fail "the installed program ended with status $status"

# --- uninstall removes our files and only ours
echo "a user's note" >"$data/notes.txt"
touch "$root/bin/another-program"
DESTDIR="$stage" cmake -DMANIFEST="$manifest" -P "$uninstall" >"$work/log" 2>&1 || fail "uninstall failed"
left=$(cd "$stage" && find . ! -type d | sort | tr '\n' ' ')
[ "$left" = "./usr/local/bin/another-program ./usr/local/share/quarven2/notes.txt " ] ||
  fail "after uninstall these files remain: $left"
rm "$data/notes.txt"
DESTDIR="$stage" cmake -DMANIFEST="$manifest" -P "$uninstall" >"$work/log" 2>&1 || fail "a second uninstall failed"
[ ! -e "$data" ] || fail "the emptied track folder stays"
[ -e "$root/bin/another-program" ] || fail "uninstall removed a file it had not installed"
echo "installed $((tracks + 8)) files under DESTDIR$prefix, started from the menu entry's command, uninstalled"
