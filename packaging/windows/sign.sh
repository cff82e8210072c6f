#!/bin/bash
# Signs Windows files in place with Authenticode (osslsigncode), with the code-signing
# certificate the environment names:
#   CORVANE_SIGN_PKCS12=<bundle.p12>                   certificate chain and key in one file, or
#   CORVANE_SIGN_CERT=<chain.pem> CORVANE_SIGN_KEY=<key.pem>
#   CORVANE_SIGN_PASSWORD=<password>                   for the bundle or an encrypted key (optional)
#   CORVANE_SIGN_TIMESTAMP=<RFC 3161 server URL>       a time stamp, so the signature outlives
#                                                       the certificate (optional)
#   packaging/windows/sign.sh <file>...
set -euo pipefail
if [ -n "${CORVANE_SIGN_PKCS12:-}" ]; then
    credentials=(-pkcs12 "$CORVANE_SIGN_PKCS12")
elif [ -n "${CORVANE_SIGN_CERT:-}" ] && [ -n "${CORVANE_SIGN_KEY:-}" ]; then
    credentials=(-certs "$CORVANE_SIGN_CERT" -key "$CORVANE_SIGN_KEY")
else
    echo "sign.sh: set CORVANE_SIGN_PKCS12, or CORVANE_SIGN_CERT and CORVANE_SIGN_KEY" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes through a file of our own, never the command line that others can read.
if [ -n "${CORVANE_SIGN_PASSWORD:-}" ]; then
    (umask 077 && printf '%s' "$CORVANE_SIGN_PASSWORD" >"$work/password")
    credentials+=(-readpass "$work/password")
fi
timestamp=()
[ -z "${CORVANE_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$CORVANE_SIGN_TIMESTAMP")
for file in "$@"; do
    osslsigncode sign "${credentials[@]}" "${timestamp[@]}" -h sha256 -n Corvane \
        -i https://corvane.org -in "$file" -out "$work/signed" >/dev/null
    # The signed copy replaces the file; its mode stays.
    cat "$work/signed" >"$file"
    rm -f "$work/signed"
done
