#!/bin/sh
# Generates the certificates of the advisory tests under tests/data/advisories with the openssl
# command-line tool. The output is committed; run this again only to change or add fixtures.
# Every validity period is fixed, so the tests choose the time of the check: the dated
# certificate is valid from 2030-01-01 to 2030-12-31, every other one from 2020 to 2120.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/advisories"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
cd "$work"

eckey() { openssl ecparam -name "${2:-prime256v1}" -genkey -noout -out "$1"; }
for key in private-root intermediate leaf; do eckey $key.key; done
mkdir -p db
: > db/index.txt
echo 2000 > db/serial
cat > ca.cnf <<CNF
[ca]
default_ca = testca
[testca]
dir = $work/db
database = \$dir/index.txt
serial = \$dir/serial
new_certs_dir = \$dir
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
organizationName = optional
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[no_bc_ext]
subjectKeyIdentifier = hash
keyUsage = digitalSignature
[server_ext]
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[client_ext]
basicConstraints = CA:FALSE
extendedKeyUsage = clientAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

# issue NAME KEY ISSUER EXTENSIONS CN [options...]: a certificate of KEY signed by the fixture
# ISSUER with its key, or by KEY itself for ISSUER "self", valid from $START to $END.
START=20200101000000Z END=21200101000000Z
issue() {
    name=$1 key=$2 issuer=$3 ext=$4 cn=$5
    shift 5
    openssl req -new -key "$key" -subj "/O=Corvane Tests/CN=$cn" -out "$name.csr"
    if [ "$issuer" = self ]; then signer="-selfsign -keyfile $key"
    else signer="-cert $out/$issuer.pem -keyfile $issuer.key"; fi
    # shellcheck disable=SC2086 # the signer's options split on purpose
    openssl ca -batch -notext -config ca.cnf $signer -in "$name.csr" -extensions "$ext" \
        -startdate $START -enddate $END "$@" -out "$out/$name.pem" 2>/dev/null
}

# A private root, an intermediate under it, and a server's own certificate under that.
issue private-root private-root.key self ca_ext "Private Root"
issue intermediate intermediate.key private-root ca_ext "Private Intermediate"
issue server-leaf leaf.key intermediate server_ext radius.example.org
# A version 3 certificate without basic constraints.
issue no-constraints leaf.key self no_bc_ext "No Constraints"
# SHA-1: an intermediate signed with it, and a self-signed root (whose signature does not count).
issue sha1-intermediate intermediate.key private-root ca_ext "SHA-1 Intermediate" -md sha1
issue sha1-root private-root.key self ca_ext "SHA-1 Root" -md sha1
# Short keys: RSA 1024 and a 224-bit curve.
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out rsa1024.key 2>/dev/null
issue rsa1024-root rsa1024.key self ca_ext "RSA 1024 Root"
eckey ec224.key secp224r1
issue ec224-root ec224.key self ca_ext "P-224 Root"
# A CA valid in 2030 only, for the checks at chosen times.
(START=20300101000000Z END=20301231000000Z
    issue dated intermediate.key private-root ca_ext "Dated CA")
# Client certificates with their keys: one for servers only, one for clients.
issue client-server-usage leaf.key private-root server_ext "Client For Servers"
issue client-usage leaf.key private-root client_ext Client
cat leaf.key >>"$out/client-server-usage.pem"
cat leaf.key >>"$out/client-usage.pem"
