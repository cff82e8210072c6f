#!/bin/sh
# Makes the example CA certificate that office.txt adds (a self-signed EC certificate).
set -e
cd "$(dirname "$0")"
key=$(mktemp)
trap 'rm -f "$key"' EXIT
openssl ecparam -name prime256v1 -genkey -noout -out "$key"
openssl req -x509 -new -key "$key" -sha256 -days 36500 \
    -subj "/O=Example Org/OU=Network/CN=Example Org RADIUS CA" -out example-ca.pem
