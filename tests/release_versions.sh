#!/usr/bin/env bash
# One version everywhere a user or a package manager reads it: the program's
# --version (from CMakeLists.txt), the Debian changelog's newest entry and
# the AppStream metadata's newest release. A release that bumps one and not
# the others would ship a package that lies about what it holds.
#
# Usage: release_versions.sh PLAYER SOURCE_DIR
set -u
player=$1
source=$2

program=$("$player" --version | sed -n 's/^quarven2 //p')
# The first line is "quarven2 (VERSION) DIST; urgency=..."; a Debian
# revision (-1) and an epoch (1:) are not part of the program's version.
changelog=$(sed -n '1s/^quarven2 (\([^)]*\)).*/\1/p' "$source/debian/changelog" | sed 's/^[0-9]*://; s/-[^-]*$//')
metainfo=$(grep -o '<release version="[^"]*"' "$source"/packaging/*.metainfo.xml | head -n1 | cut -d'"' -f2)

[ -n "$program" ] || { echo "FAIL: no version from $player --version"; exit 1; }
[ "$changelog" = "$program" ] || { echo "FAIL: debian/changelog says '$changelog', the program $program"; exit 1; }
[ "$metainfo" = "$program" ] || { echo "FAIL: the AppStream metadata's newest release is '$metainfo', the program $program"; exit 1; }
echo "ok: version $program in the program, the changelog and the AppStream metadata"
