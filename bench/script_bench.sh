#!/bin/bash
# Start-up and run cost of script mode: a 12-line script (no certificates, no save) against
# `openssl version`, the floor for any process that loads libcrypto. Wall time with hyperfine,
# peak memory with /usr/bin/time -v.
# Usage: bench/script_bench.sh [build folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corvane=$(cd "${1:-$root/build}" && pwd)/corvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/twelve.txt" <<'SCRIPT'
# twelve lines, no certificates and no save
new
set_name "Bench Profile"
set_auth EAP-TTLS
set_inner_auth MSCHAPv2
set_initial_identity anonymous@example.org
set_username alice
set_password secret
set_pkpassword keypass
clear_client_cert_pkey
set_auth EAP-PEAP
set_inner_auth EAP-MSCHAPv2
SCRIPT
cd "$work"
hyperfine --warmup 20 --runs 300 -N --export-markdown "$work/times.md" \
    "$corvane twelve.txt" "openssl version"
cat "$work/times.md"
for cmd in "$corvane twelve.txt" "openssl version"; do
    rss=$(/usr/bin/time -v $cmd 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}')
    echo "peak RSS of '$cmd': ${rss} KB"
done
