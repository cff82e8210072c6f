#!/bin/bash
# Windows window start-up to first paint under Wine on a virtual display: the main window
# (win32_first_paint) against a plain dialog of the same template (win32_minimal_dialog), in
# one hyperfine run, with Wine's server kept running so that both start alike.
# Usage: bench/win32_window_bench.sh [Windows build folder]   (default: build-win)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-win}" && pwd)
cmake --build "$build" --target win32_first_paint win32_minimal_dialog >/dev/null
if [ -z "${CORVANE_BENCH_ON_DISPLAY:-}" ]; then
    exec env CORVANE_BENCH_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
        "$0" "$@"
fi
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
# One server for every run (it stays until killed at the end), and a prefix made beforehand.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 || true
json=$(mktemp)
hyperfine --warmup 5 --runs 60 -N --export-json "$json" \
    "wine $build/win32_minimal_dialog.exe" "wine $build/win32_first_paint.exe"
# Medians: other work on the machine stretches single runs far more than it moves the middle.
python3 - "$json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))['results']
floor = results[0]['median']
for r in results:
    print(f"median {r['median'] * 1000:7.1f} ms  {r['median'] / floor:4.2f}x  {r['command']}")
PY
rm -f "$json"
