#!/bin/bash
# Cost per CA certificate: one profile that adds 1, 10, 100 and 1000 distinct CA certificates
# (no save) against `openssl crl2pkcs7 -nocrl -certfile` on the same certificates (the tool
# parsing each and writing it out again). Instructions from callgrind (stable on a loaded
# machine) and CPU time (user + system, mean of several runs, from /usr/bin/time).
# Usage: bench/ca_scaling.sh [build folder] [der|pem]   (defaults: build, der)
#   der: each certificate in a DER file (recognised, checked and re-encoded as PEM);
#   pem: each in a PEM file (recognised, checked and stored as it is).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corvane=$(cd "${1:-$root/build}" && pwd)/corvane
format=${2:-der}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 1000 certificates under one key, each with its own subject and serial.
openssl ecparam -name prime256v1 -genkey -noout -out ca.key 2>/dev/null
for i in $(seq 1 1000); do
    openssl req -new -x509 -key ca.key -days 3650 -subj "/O=Corvane Bench/CN=Bench CA $i" \
        -set_serial "$i" -out "ca$i.pem"
    [ "$format" = der ] && openssl x509 -in "ca$i.pem" -outform DER -out "ca$i.der"
done

# Instructions from callgrind; "-" without valgrind.
instructions() {
    command -v valgrind >/dev/null || { echo -; return; }
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 | awk '/Collected/ {print $4}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }
# Mean CPU seconds (user + system) over $runs runs.
cpu() {
    for _ in $(seq "$runs"); do
        /usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -1
    done | awk '{ s += $1 + $2 } END { printf "%.3f", s / NR }'
}

printf '%6s %14s %14s %6s %9s %9s %6s\n' certs corvane_instr openssl_instr ratio \
    corvane_s openssl_s ratio
for n in 1 10 100 1000; do
    { echo new; for i in $(seq 1 "$n"); do echo "add_ca_cert ca$i.$format"; done; } > "s$n.txt"
    for i in $(seq 1 "$n"); do cat "ca$i.pem"; done > "all$n.pem"
    rm -f wizard.log
    "$corvane" "s$n.txt" >/dev/null || { echo "the script failed:" >&2; cat wizard.log >&2; exit 1; }
    ci=$(instructions "$corvane" "s$n.txt")
    oi=$(instructions openssl crl2pkcs7 -nocrl -certfile "all$n.pem" -out /dev/null)
    cc=$(cpu "$corvane" "s$n.txt")
    oc=$(cpu openssl crl2pkcs7 -nocrl -certfile "all$n.pem" -out /dev/null)
    printf '%6d %14s %14s %6s %9s %9s %6s\n' "$n" "$ci" "$oi" "$(ratio "$ci" "$oi")" \
        "$cc" "$oc" "$(ratio "$cc" "$oc")"
done
