#!/bin/bash
# Whole-command cost of certificate work: a script that sets a PKCS#12 client certificate
# (current default encryption, with its password), adds two CA certificates and saves, against
# `openssl pkcs12 -in <same file> -passin ... -noout` (the library's own tool checking the MAC
# and decrypting the certificates' safe, but neither decrypting the key nor parsing the
# certificates) and the same tool with `-nodes` (which also decrypts the key and parses the
# certificates, as the script must). All in one hyperfine run; prints the ratios.
# Usage: bench/certs_bench.sh [build folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
certs="$root/tests/data/certs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cat > certs.txt <<SCRIPT
new
set_name "Bench Certificates"
set_auth EAP-TLS
set_pkpassword corvane-p12
set_client_cert_pkey $certs/client.p12
add_ca_cert $certs/ca.der
add_ca_cert $certs/ca2.pem
save bench.odb
SCRIPT
hyperfine --warmup 10 --runs 200 -N --export-json times.json --export-markdown times.md \
    "$build/corvane certs.txt" \
    "openssl pkcs12 -in $certs/client.p12 -passin pass:corvane-p12 -noout" \
    "openssl pkcs12 -in $certs/client.p12 -passin pass:corvane-p12 -nodes -out /dev/null"
cat times.md
jq -r '"script / openssl pkcs12 (mean): " + ((.results[0].mean / .results[1].mean) * 100 | round / 100 | tostring)' times.json
jq -r '"script / openssl pkcs12 -nodes (mean): " + ((.results[0].mean / .results[2].mean) * 100 | round / 100 | tostring)' times.json

# Wall times on a shared machine drift; instruction counts do not.
if command -v valgrind >/dev/null; then
    for cmd in "$build/corvane certs.txt" \
        "openssl pkcs12 -in $certs/client.p12 -passin pass:corvane-p12 -noout" \
        "openssl pkcs12 -in $certs/client.p12 -passin pass:corvane-p12 -nodes -out /dev/null"; do
        n=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null $cmd 2>&1 | awk '/Collected/ {print $4}')
        echo "instructions: $n  $cmd"
    done
fi
