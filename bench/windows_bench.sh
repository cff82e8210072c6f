#!/bin/bash
# The provisioning script (a PKCS#12 client, two CAs, save) run by corvane.com under Wine,
# against a Windows program built the same way that does only the same OpenSSL and file work,
# in one hyperfine run; beside them Wine's own start (an empty program) and the Linux build on
# the same script.
# Usage: bench/windows_bench.sh [windows build folder] [linux build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(cd "${1:-$root/build-win}" && pwd)
linux=$(cd "${2:-$root/build}" && pwd)
cmake --build "$win" --target windows_provisioning_floor wine_empty corvane_console -j2 >/dev/null
work=$(mktemp -d)
export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all
# One Wine server for every run, as on a desktop where Wine is already up.
wineserver -p
trap 'wineserver -k || true; rm -rf "$work"' EXIT
cp "$root/tests/data/certs/client.p12" "$root/tests/data/certs/ca.pem" \
   "$root/tests/data/certs/ca2.pem" "$work/"
cat > "$work/provision.txt" <<'SCRIPT'
new
set_name "Warehouse Scanners"
set_auth EAP-TLS
set_username scanner-17
add_ca_cert ca.pem
add_ca_cert ca2.pem
set_pkpassword corvane-p12
set_client_cert_pkey client.p12
save provision.odb
SCRIPT
cd "$work"
wine "$win/corvane.com" provision.txt >/dev/null
hyperfine --warmup 10 --runs 60 -N --export-markdown "$work/times.md" --export-json "$work/times.json" \
    -n "empty program (Wine)" "wine $win/wine_empty.exe" \
    -n "floor (Wine)" "wine $win/windows_provisioning_floor.exe client.p12 corvane-p12 ca.pem ca2.pem floor.out" \
    -n "corvane.com (Wine)" "wine $win/corvane.com provision.txt" \
    -n "corvane (Linux)" "$linux/corvane provision.txt"
cat "$work/times.md"
# Medians resist the odd slow run of a busy machine; the target is corvane.com within 1.2x.
jq -r '.results[] | "median \(.command): \(.median * 1000 | floor) ms"' "$work/times.json"
jq -r '"corvane.com / floor (medians): \(.results[2].median / .results[1].median * 100 | floor / 100)"' \
    "$work/times.json"
