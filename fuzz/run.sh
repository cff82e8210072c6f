#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a bounded time over its seeds: the
# profile-database fuzzer over the committed corpus, the help-file fuzzer over the help file
# this build compiles and a copy of it with a bad repeat offset, the provider-configuration
# fuzzer over the test configurations. The help reader's decoder,
# libmspack, is compiled into the fuzzer from Debian's source package (fetched with apt, which
# checks it against the signed archive; once per version, into the build folder), so that the
# sanitizers see into it. Usage: fuzz/run.sh [seconds per fuzzer, default 60]
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

# libmspack's source: the version installed for the normal build, else the newest the archive
# offers. Fetching it needs a deb-src entry and dpkg-source (root, as in CI, to add them).
mspack=$(find "$build" -maxdepth 1 -type d -name 'libmspack-src-*' 2>/dev/null | sort -V | tail -n1 || true)
want=$(dpkg-query -W -f='${Version}' libmspack-dev 2>/dev/null || true)
if [ -z "$mspack" ] || { [ -n "$want" ] && [ "$mspack" != "$build/libmspack-src-$want" ]; }; then
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/corvane-src.sources
        apt-get update -qq
    fi
    command -v dpkg-source >/dev/null 2>&1 ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends dpkg-dev
    mkdir -p "$build"
    fetch=$(mktemp -d "$build/libmspack-fetch.XXXXXX")
    for v in $want $(apt-cache showsrc libmspack | sed -n 's/^Version: //p' | sort -rV); do
        if (cd "$fetch" && apt-get source -qq "libmspack=$v" >/dev/null 2>&1); then
            tree=$(find "$fetch" -mindepth 1 -maxdepth 1 -type d -name 'libmspack-*' | head -n1)
            rm -rf "$build/libmspack-src-$v"
            mv "$tree" "$build/libmspack-src-$v"
            mspack="$build/libmspack-src-$v"
            break
        fi
    done
    rm -rf "$fetch"
    [ -n "$mspack" ] || { echo "fuzz: libmspack's source package could not be fetched" >&2; exit 1; }
fi

generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_SANITIZE=ON -DCORVANE_MSPACK_SOURCE_DIR="$mspack" >/dev/null
cmake --build "$build" --target profile_database_fuzzer help_file_fuzzer \
    provider_configuration_fuzzer -j 2

# New inputs go to scratch copies so that the committed corpus stays as it is.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/database" "$work/help" "$work/config"
cp "$here"/corpus/* "$work/database/"
cp "$root"/tests/data/eap-config/* "$work/config/"
cp "$build/Corvane.chm" "$work/help/"
"$root/tests/data/make-bad-help.sh" "$build/Corvane.chm" "$work/help/bad-repeat-offset.chm"

for fuzzer in profile_database_fuzzer:database help_file_fuzzer:help \
    provider_configuration_fuzzer:config; do
    name="${fuzzer%%:*}"
    echo "fuzz: running $name for ${seconds}s"
    "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/$name-" \
        "$work/${fuzzer#*:}"
done
