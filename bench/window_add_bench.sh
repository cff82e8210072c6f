#!/bin/bash
# Adding 100 CA certificates: in the window (window_add_certificates, in process: the Add command,
# addCertificate for each file and the CA list refilled) against add_ca_cert in script mode
# (hyperfine: a script with 100 add_ca_cert lines less one with none, per certificate). The
# certificates are made here with the openssl tool. Prints the cost per certificate and the
# ratios.
# Usage: bench/window_add_bench.sh [bench build folder]   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-bench}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir certs
for i in $(seq -w 1 100); do
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout /dev/null \
        -subj "/O=Corvane Bench/CN=Bench CA $i" -days 3650 -out "certs/ca-$i.pem" 2>/dev/null
done
printf 'new\n' >none.txt
{ printf 'new\n'; for f in certs/*.pem; do printf 'add_ca_cert %s\n' "$f"; done; } >hundred.txt

hyperfine --warmup 5 --runs 60 -N --export-json script.json \
    "$build/corvane hundred.txt" "$build/corvane none.txt" >/dev/null
script_us=$(jq '((.results[0].mean - .results[1].mean) / 100) * 1e6' script.json)

QT_QPA_PLATFORM=offscreen CORVANE_BENCH_CERTS="$work/certs" "$build/window_add_certificates" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json >window.json 2>/dev/null
printf 'script mode, add_ca_cert:        %8.1f us per certificate\n' "$script_us"
jq -r --argjson s "$script_us" '.benchmarks[] | select(.aggregate_name == "median") |
    (1e6 / .items_per_second) as $us |
    "\(.run_name | .[0:36] | . + " " * (36 - length)) \($us * 10 | round / 10) us per certificate, \($us / $s * 100 | round / 100)x script"' \
    window.json
