#!/bin/bash
# Batch provisioning: N profile scripts (half EAP-PEAP with a CA certificate, half EAP-TLS with a
# PKCS#12 client certificate, its password and a CA certificate, each saved to its own database)
# run one after another and with xargs -P$(nproc), against the openssl tool doing the same
# cryptographic work per profile in one process: `openssl crl2pkcs7 -nocrl -certfile` reading
# and writing out the CA certificate for EAP-PEAP (`openssl x509` would also load the system's
# whole CA store), `openssl pkcs12 -nodes` opening the bundle for EAP-TLS.
# Reports CPU per profile (user + system of all processes), wall time and the ratios, then the
# instructions of one profile of each kind from callgrind, which do not drift with the load.
# Usage: bench/batch_bench.sh [build folder] [N]   (defaults: build, 1000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corvane=$(cd "${1:-$root/build}" && pwd)/corvane
n=${2:-1000}
certs="$root/tests/data/certs"
jobs=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$certs/ca.der" "$certs/ca.pem" "$certs/client.p12" .

for i in $(seq 1 "$n"); do
    if [ $((i % 2)) -eq 1 ]; then
        cat > "p$i.txt" <<SCRIPT
new
set_name "Peap $i"
set_auth EAP-PEAP
set_inner_auth EAP-MSCHAPv2
set_username user$i
set_password secret$i
add_ca_cert ca.der
save p$i.odb
SCRIPT
        echo "openssl crl2pkcs7 -nocrl -certfile ca.pem -out /dev/null" > "o$i.sh"
    else
        cat > "p$i.txt" <<SCRIPT
new
set_name "Tls $i"
set_auth EAP-TLS
set_username user$i
set_pkpassword corvane-p12
set_client_cert_pkey client.p12
add_ca_cert ca.der
save p$i.odb
SCRIPT
        echo "openssl pkcs12 -in client.p12 -passin pass:corvane-p12 -nodes -out /dev/null" \
            > "o$i.sh"
    fi
done
seq 1 "$n" | sed 's/.*/p&.txt/' > scripts.list
seq 1 "$n" | sed 's/.*/o&.sh/' > tools.list

# Wall, user and system seconds of a command and all its children.
measure() { /usr/bin/time -f '%e %U %S' "$@" 2>&1 >/dev/null | tail -1; }
report() { # label wall user sys
    awk -v l="$1" -v w="$2" -v u="$3" -v s="$4" -v n="$n" \
        'BEGIN { printf "%-28s wall %7.2f s   CPU %6.2f ms/profile\n", l, w, (u + s) * 1000 / n }'
}

rm -f wizard.log p*.odb
read -r cw cu cs < <(measure bash -c 'while read -r f; do "$0" "$f"; done < scripts.list' "$corvane")
failed=$(grep -c '^ERROR' wizard.log || true)
saved=$(ls p*.odb | wc -l)
rm -f wizard.log p*.odb
read -r pw pu ps < <(measure bash -c "xargs -P$jobs -n1 '$corvane' < scripts.list")
psaved=$(ls p*.odb | wc -l)
pfailed=$(grep -c '^ERROR' wizard.log || true)
read -r ow ou os < <(measure bash -c 'while read -r f; do sh "$f"; done < tools.list')
read -r qw qu qs < <(measure bash -c "xargs -P$jobs -n1 sh < tools.list")

echo "$n profiles ($((n - n / 2)) EAP-PEAP, $((n / 2)) EAP-TLS), $jobs parallel jobs"
echo "saved: $saved one after another ($failed report lines), $psaved in parallel" \
    "($pfailed report lines)"
report "corvane, one after another" "$cw" "$cu" "$cs"
report "corvane, xargs -P$jobs" "$pw" "$pu" "$ps"
report "openssl, one after another" "$ow" "$ou" "$os"
report "openssl, xargs -P$jobs" "$qw" "$qu" "$qs"
awk -v a="$cu" -v b="$cs" -v c="$ou" -v d="$os" \
    'BEGIN { printf "CPU ratio corvane / openssl (one after another): %.2f\n", (a + b) / (c + d) }'
awk -v a="$cw" -v b="$pw" 'BEGIN { printf "wall, one after another / parallel: %.2f\n", a / b }'

if command -v valgrind >/dev/null; then
    instructions() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 |
        awk '/Collected/ {print $4}'; }
    rm -f p1.odb p2.odb
    echo "instructions, EAP-PEAP profile: corvane $(instructions "$corvane" p1.txt)," \
        "openssl $(instructions $(cat o1.sh))"
    echo "instructions, EAP-TLS profile:  corvane $(instructions "$corvane" p2.txt)," \
        "openssl $(instructions $(cat o2.sh))"
fi
