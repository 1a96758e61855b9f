#!/usr/bin/env bash
# Renders one frame of each background effect with each texture and lays
# them out as docs/effects.png: rows are the effects, columns the texture
# slots 0..5 (the Julia fractal uses no texture; its row shows six moments).
# Rerun after the artwork changes:  tools/make-contact-sheet.sh [BUILD_DIR]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
renderer="$build/render-effect"
out="$root/docs/effects.png"

if [ ! -x "$renderer" ]; then
  echo "make-contact-sheet: $renderer is missing; build first (make build)" >&2
  exit 1
fi
if ! command -v montage >/dev/null; then
  echo "make-contact-sheet: ImageMagick's montage is missing (scripts/install-deps installs it)" >&2
  exit 1
fi

frames="$(mktemp -d)"
trap 'rm -rf "$frames"' EXIT

names=("twister" "rotozoom" "voxel terrain" "tunnel" "Julia fractal")
list=()
for effect in 0 1 2 3 4; do
  for slot in 0 1 2 3 4 5; do
    # The texture slot follows the clock in steps of ten seconds; 4321 ms
    # into the step the animations are well under way.
    ms=$(( slot * 10000 + 4321 ))
    file="$frames/e${effect}_t${slot}.png"
    "$renderer" "$effect" "$ms" "$file"
    list+=(-label "${names[$effect]}, texture $slot" "$file")
  done
done

mkdir -p "$(dirname "$out")"
montage "${list[@]}" -tile 6x5 -geometry 320x240+4+4 -background '#202020' -fill '#e0e0e0' \
  -pointsize 13 -depth 8 -define png:exclude-chunks=date,time -strip "$out"
echo "make-contact-sheet: wrote $out"
