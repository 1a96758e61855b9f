#!/usr/bin/env bash
# Instructions per pass of the frame loop and per effect, counted by
# callgrind: unlike times on a shared machine these stay the same from run
# to run, so they compare two builds exactly. For each digit, bench_frame
# runs a fixed number of passes after its start-up, and callgrind collects
# only inside the passes (then only inside RunEffect).
#
# Usage: pass_instructions.sh BENCH_FRAME [PASSES]
set -u
bench=$(realpath "$1")
passes=${2:-40}
command -v valgrind >/dev/null || { echo "skipped: valgrind is not installed"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() { # FUNCTION DIGIT -> instructions collected inside FUNCTION
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --collect-atstart=no --toggle-collect="$1" \
    "$bench" --count-passes "$2" "$passes" >/dev/null 2>&1 || { echo "-"; return; }
  awk '/^summary:/ { print $2 }' "$work/out"
}

printf "instructions per pass (callgrind, %d passes per digit)\n  %-6s %12s %12s %12s\n" "$passes" digit pass effect rest
for digit in 1 2 3 4 5; do
  all=$(count '*countedPasses*' "$digit")
  effect=$(count 'RunEffect*' "$digit")
  awk -v a="$all" -v e="$effect" -v n="$passes" -v d="$digit" \
    'BEGIN { printf "  %-6s %12.0f %12.0f %12.0f\n", d, a / n, e / n, (a - e) / n }'
done
