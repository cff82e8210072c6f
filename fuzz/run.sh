#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a bounded time over its seeds: the
# profile-database fuzzer over the committed corpus, the help-file fuzzer over the help file
# this build compiles. Usage: fuzz/run.sh [seconds per fuzzer, default 60]
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
cmake --build "$build" --target profile_database_fuzzer help_file_fuzzer \
    provider_configuration_fuzzer -j 2

# New inputs go to scratch copies so that the committed corpus stays as it is.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/database" "$work/help" "$work/config"
cp "$here"/corpus/* "$work/database/"
cp "$root"/tests/data/eap-config/* "$work/config/"
cp "$build/Corvane.chm" "$work/help/"

for fuzzer in profile_database_fuzzer:database help_file_fuzzer:help \
    provider_configuration_fuzzer:config; do
    name="${fuzzer%%:*}"
    echo "fuzz: running $name for ${seconds}s"
    "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/$name-" \
        "$work/${fuzzer#*:}"
done
