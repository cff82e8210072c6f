#!/bin/bash
# Whole-command cost of a load and save: a script that loads a 1000-record (about 2 MB)
# profile database and saves it to a new file, against dd copying the same file with an fsync
# (the same bytes read, written and synced). Both in one hyperfine run; prints the ratio.
# Usage: bench/storage_bench.sh [build folder]   (default: build; needs -DCORVANE_BUILD_BENCH=ON)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/storage_bench" --write-database big.odb 1000
printf 'load big.odb\nsave copy.odb\n' > loadsave.txt
echo "database: $(stat -c %s big.odb) bytes"
hyperfine --warmup 5 --runs 50 -N --export-json times.json --export-markdown times.md \
    "$build/corvane loadsave.txt" "dd if=big.odb of=dd-copy.odb conv=fsync status=none"
cat times.md
jq -r '"script / dd (mean): " + ((.results[0].mean / .results[1].mean) * 100 | round / 100 | tostring)' times.json
