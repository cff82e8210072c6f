#!/bin/sh
# Installs what Corvane needs to build, test and benchmark on Debian 12 (run as root).
# Safe to run again: apt-get skips what is already there.
set -e
export DEBIAN_FRONTEND=noninteractive
packages="build-essential cmake ninja-build pkg-config libssl-dev libpugixml-dev openssl ca-certificates \
libgtest-dev nlohmann-json3-dev libbenchmark-dev hyperfine time jq \
qt6-base-dev qt6-translations-l10n libgl-dev fonts-dejavu-core xvfb xauth xdotool fp-utils libmspack-dev scdoc file"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing
fi
