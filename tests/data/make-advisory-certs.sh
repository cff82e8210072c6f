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
eckey root.key
eckey inter.key
eckey leaf.key

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
START=20200101000000Z
END=21200101000000Z

# issue NAME SUBJECT KEY ISSUER-CERT ISSUER-KEY EXTENSIONS [options...]: a certificate signed by
# the issuer (the same key and "self" for a self-signed one).
issue() {
    name=$1 subject=$2 key=$3 issuer=$4 issuerkey=$5 ext=$6
    shift 6
    openssl req -new -key "$key" -subj "$subject" -out "$name.csr"
    if [ "$issuer" = self ]; then
        openssl ca -batch -notext -config ca.cnf -selfsign -keyfile "$issuerkey" -in "$name.csr" \
            -extensions "$ext" -startdate $START -enddate $END "$@" -out "$out/$name.pem" 2>/dev/null
    else
        openssl ca -batch -notext -config ca.cnf -cert "$issuer" -keyfile "$issuerkey" \
            -in "$name.csr" -extensions "$ext" -startdate $START -enddate $END "$@" \
            -out "$out/$name.pem" 2>/dev/null
    fi
}

# A private root, an intermediate under it, and a server's own certificate under that.
issue private-root "/O=Corvane Tests/CN=Private Root" root.key self root.key ca_ext
issue intermediate "/O=Corvane Tests/CN=Private Intermediate" inter.key "$out/private-root.pem" \
    root.key ca_ext
issue server-leaf "/O=Corvane Tests/CN=radius.example.org" leaf.key "$out/intermediate.pem" \
    inter.key server_ext
# A version 3 certificate without basic constraints.
issue no-constraints "/O=Corvane Tests/CN=No Constraints" leaf.key self leaf.key no_bc_ext
# SHA-1: an intermediate signed with it, and a self-signed root (whose signature does not count).
issue sha1-intermediate "/O=Corvane Tests/CN=SHA-1 Intermediate" inter.key \
    "$out/private-root.pem" root.key ca_ext -md sha1
issue sha1-root "/O=Corvane Tests/CN=SHA-1 Root" root.key self root.key ca_ext -md sha1
# Short keys: RSA 1024 and a 224-bit curve.
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out rsa1024.key 2>/dev/null
issue rsa1024-root "/O=Corvane Tests/CN=RSA 1024 Root" rsa1024.key self rsa1024.key ca_ext
eckey ec224.key secp224r1
issue ec224-root "/O=Corvane Tests/CN=P-224 Root" ec224.key self ec224.key ca_ext
# A CA valid in 2030 only, for the checks at chosen times.
START=20300101000000Z
END=20301231000000Z
issue dated "/O=Corvane Tests/CN=Dated CA" inter.key "$out/private-root.pem" root.key ca_ext
START=20200101000000Z
END=21200101000000Z
# Client certificates with their keys: one for servers only, one for clients.
issue client-server-usage "/O=Corvane Tests/CN=Client For Servers" leaf.key \
    "$out/private-root.pem" root.key server_ext
cat leaf.key >> "$out/client-server-usage.pem"
issue client-usage "/O=Corvane Tests/CN=Client" leaf.key "$out/private-root.pem" root.key client_ext
cat leaf.key >> "$out/client-usage.pem"
