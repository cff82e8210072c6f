#!/bin/bash
# Window start-up to first paint, offscreen: the main window (window_first_paint) against a Qt
# Widgets program that creates the same controls at the same places with no logic
# (plain_controls_first_paint, the fair floor), one that shows one empty window
# (minimal_first_paint), and the same with one line of text (which loads the font database, as
# any window with text must), in one hyperfine run;
# then the peak resident memory of each from /usr/bin/time -v.
# Usage: bench/window_bench.sh [bench build folder]   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-bench}" && pwd)
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
hyperfine --warmup 10 --runs 100 -N --export-markdown "$work/times.md" \
    "$build/window_first_paint" "$build/plain_controls_first_paint" \
    "$build/minimal_first_paint" "$build/minimal_first_paint --text"
cat "$work/times.md"
for cmd in "$build/window_first_paint" "$build/plain_controls_first_paint" \
    "$build/minimal_first_paint" \
    "$build/minimal_first_paint --text"; do
    rss=$(/usr/bin/time -v $cmd 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}')
    echo "peak RSS of $(basename "$cmd"): ${rss} KB"
done
