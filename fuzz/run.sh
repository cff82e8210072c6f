#!/usr/bin/env bash
# Builds the profile-database fuzzer with clang and runs it for a bounded time over the
# committed seed corpus. Usage: fuzz/run.sh [seconds, default 60]
# Exits non-zero when the fuzzer finds a crash, a leak or undefined behaviour; exits 0 with a
# note when clang is not installed.
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="${CORVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}"

if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang not found, fuzzing skipped"
    exit 0
fi

generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_SANITIZE=ON >/dev/null
cmake --build "$build" --target profile_database_fuzzer -j 2

# New inputs go to a scratch copy so that the committed corpus stays as it is.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$here"/corpus/* "$work"/

echo "fuzz: running profile_database_fuzzer for ${seconds}s"
"$build/profile_database_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/" "$work"
