#!/usr/bin/env bash
# The Debian package as a user meets it: what it holds, lintian, the
# AppStream metadata, the menu entry and the manual page; installed with dpkg
# into a scratch root, the player started from another folder finds the
# installed tracks and plays them under a private X server; removed, nothing
# of it is left behind.
#
# Usage: package.sh DEB_DIR BUILD_DIR
#   DEB_DIR: where `make deb` put quarven2_VERSION_ARCH.deb
#   BUILD_DIR: a built tree, for the test helpers (track titles, audio probe)
set -u
deb_dir=$(realpath "$1")
build=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)

export Q2_TRACK_TITLES=$build/tests/e2e/e2e_track_titles
export Q2_AUDIO_PROBE=$build/tests/e2e/e2e_audio_probe
# shellcheck source-path=SCRIPTDIR source=e2e/lib.sh
. "$here/e2e/lib.sh"
require_tools Xvfb xdotool xwininfo xprop dpkg dpkg-deb lintian appstreamcli man desktop-file-validate
for helper in "$Q2_TRACK_TITLES" "$Q2_AUDIO_PROBE"; do
  [ -x "$helper" ] || { echo "FAIL: $helper is not built"; exit 1; }
done
version=$(sed -n 's/^project(quarven2 VERSION \([0-9][0-9.]*\) .*/\1/p' "$here/../CMakeLists.txt")
deb=$(find "$deb_dir" -maxdepth 1 -name "quarven2_${version}_$(dpkg --print-architecture).deb" | head -n1)
[ -n "$deb" ] || { echo "FAIL: no quarven2_${version}_*.deb in $deb_dir (run make deb)"; exit 1; }
make_workspace
"$Q2_TRACK_TITLES" >"$work/titles.tsv"

# --- what the package holds: exactly these files, the tracks once
case_name="contents"
{
  echo ./usr/bin/quarven2
  echo ./usr/share/applications/example.quarven2.player.desktop
  echo ./usr/share/doc/quarven2/changelog.gz
  echo ./usr/share/doc/quarven2/copyright
  for size in 32 64 128 256; do echo "./usr/share/icons/hicolor/${size}x${size}/apps/quarven2.png"; done
  echo ./usr/share/man/man1/quarven2.1.gz
  echo ./usr/share/metainfo/example.quarven2.player.metainfo.xml
  cut -f1 "$work/titles.tsv" | sed 's|^|./usr/share/quarven2/|'
} | sort >"$work/expected"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort >"$work/files"
diff -u "$work/expected" "$work/files" >"$work/diff" || fail "the package's files differ from the expected: $(cat "$work/diff")"
[ "$(grep -c '\.mp3$' "$work/files")" = 33 ] || fail "not 33 tracks"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2 libmpg123 libsdbus-c++; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
pass "$(wc -l <"$work/files") files, the tracks in /usr/share/quarven2; Depends: $depends"

# --- the checkers a distribution and a software centre run
case_name="checks"
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian" 2>&1 ||
  fail "lintian: $(cat "$work/lintian")"
mkdir "$work/contents"
dpkg-deb -x "$deb" "$work/contents"
appstreamcli validate --no-net "$work/contents/usr/share/metainfo/example.quarven2.player.metainfo.xml" \
  >"$work/appstream" 2>&1 || fail "appstreamcli: $(cat "$work/appstream")"
desktop-file-validate "$work/contents/usr/share/applications/example.quarven2.player.desktop" >"$work/desktop" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop")"
MANWIDTH=80 man --warnings -l "$work/contents/usr/share/man/man1/quarven2.1.gz" >"$work/man" 2>"$work/man.err" ||
  fail "man cannot render the manual page: $(cat "$work/man.err")"
[ -s "$work/man.err" ] && fail "man warns: $(cat "$work/man.err")"
grep -q 'share/quarven2' "$work/man" || fail "the manual page does not say where the tracks are looked for"
pass "lintian ($(grep -c '' "$work/lintian") lines of notes), appstreamcli, desktop-file-validate and man are content"

# --- installed with dpkg into a scratch root (no maintainer script may be
# needed: none could run there), played from elsewhere
case_name="installed"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
run_dpkg() {
  local not_root=()
  [ "$(id -u)" = 0 ] || not_root=(fakeroot)
  "${not_root[@]}" dpkg --root="$root" --log="$work/dpkg.log" --force-not-root --force-depends "$@" >"$work/dpkg.out" 2>&1
}
run_dpkg -i "$deb" || fail "dpkg -i: $(cat "$work/dpkg.out")"
installed=$root/usr/share/quarven2
"$root/usr/bin/quarven2" --version | grep -qx "quarven2 $version" || fail "the installed program is not version $version"
"$root/usr/bin/quarven2" --help | tr '\n' ' ' | grep -q "then in $installed\." ||
  fail "--help does not name the installed track folder $installed"

start_xvfb 24
mkdir "$work/elsewhere"
Q2_PLAYER=$root/usr/bin/quarven2
start_player "$work/elsewhere" XDG_RUNTIME_DIR="$work/elsewhere"
await_audio_seconds 2
start=$(probe first-sound 0)
[ "$start" -ge 0 ] || fail "no sound"
at=$(probe locate "$start" "$installed/$(track_file 1)")
[ "$at" != -1 ] || fail "the sound is not the installed first track's"
# The pointer over the window gives it the keyboard without a window manager.
xdotool mousemove $((left + 200)) $((top + 30)) key Escape
await_exit
[ "$status" = 0 ] || fail "the player ended with status $status"
pass "started in a folder without tracks, it played $(track_file 1) from $installed and quit with 0"

# --- removed: nothing of the package stays
case_name="removed"
run_dpkg -r quarven2 || fail "dpkg -r: $(cat "$work/dpkg.out")"
left=$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg' ! -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "after dpkg -r these stay: $left"
state=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${db:Status-Status}' quarven2 2>/dev/null)
[ -z "$state" ] || [ "$state" = not-installed ] || fail "dpkg still counts the package as $state"
pass "dpkg -r left nothing behind"
