#!/bin/bash
# Pictures of the window, rendered offscreen: the main window untitled and with the example
# profile open, and the About box, as PNG files in docs/ (or the folder given).
# Usage: tools/screenshot.sh [output folder] [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/docs}" && cd "${1:-$root/docs}" && pwd)
build=${2:-$root/build}
cmake --build "$build" --target corvane corvane_screenshot >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/office.txt" "$root/examples/example-ca.pem" "$work/"
(cd "$work" && "$build/corvane" office.txt >/dev/null)
QT_QPA_PLATFORM=offscreen "$build/corvane_screenshot" "$work" "$work/office.odb"
cp "$work/main-profile.png" "$out/screenshot-main.png"
cp "$work/main-untitled.png" "$out/screenshot-untitled.png"
cp "$work/about.png" "$out/screenshot-about.png"
echo "pictures in $out"
