#!/bin/bash
# `corvane --check` of a profile database with 200 CA certificates against the openssl tool
# doing the same reading: `openssl crl2pkcs7` over the same 200 certificates (each parsed and
# written out again) plus one `openssl verify` against the system bundle (the bundle read once,
# one certificate checked). Instructions from callgrind, which a loaded machine does not skew.
# Also `--show --json` of the same database, for information.
# Usage: bench/check_bench.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corvane=$(cd "${1:-$root/build}" && pwd)/corvane
bundle=/etc/ssl/certs/ca-certificates.crt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 200 CA certificates under one key, each with its own subject and serial, as a private CA's
# renewals would be; one profile that holds them all.
openssl ecparam -name prime256v1 -genkey -noout -out ca.key 2>/dev/null
{
    echo new
    echo "set_name Bench"
    echo "set_auth EAP-TTLS"
    echo "set_initial_identity anonymous@example.org"
    echo "set_username jdoe@example.org"
    echo "set_password secret"
} > make.txt
for i in $(seq 1 200); do
    openssl req -new -x509 -key ca.key -days 3650 -subj "/O=Corvane Bench/CN=Bench CA $i" \
        -set_serial "$i" -out "ca$i.pem"
    echo "add_ca_cert ca$i.pem" >> make.txt
done
echo "save bench.odb" >> make.txt
"$corvane" make.txt > /dev/null
cat ca*.pem > all.pem

instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        awk '/Collected/ {print $4}' || true
}

check=$(instructions "$corvane" --check bench.odb)
show=$(instructions "$corvane" --show --json bench.odb)
crl2pkcs7=$(instructions openssl crl2pkcs7 -nocrl -certfile all.pem -out p7.pem)
verify=$(instructions openssl verify -CAfile "$bundle" ca1.pem)
floor=$((crl2pkcs7 + verify))
printf '%-36s %14s\n' "openssl crl2pkcs7 (200 certificates)" "$crl2pkcs7" \
    "openssl verify (system bundle)" "$verify" "floor (sum)" "$floor" \
    "corvane --check" "$check" "corvane --show --json" "$show"
awk -v c="$check" -v f="$floor" 'BEGIN { printf "ratio --check / floor: %.2f (target <= 1.20)\n", c / f }'
