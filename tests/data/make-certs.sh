#!/bin/sh
# Generates the certificate fixtures under tests/data/certs with the openssl command-line tool
# (and ssh-keygen for one OpenSSH key).
# The output is committed, so the tests never depend on the installed tool's version; run this
# again only to change or add fixtures.
#
# Pass phrases:
#   PKCS#12 bundles (client*.p12)              corvane-p12   (client-emptypw.p12: empty)
#   encrypted PEM keys (client-enc-*.pem,
#                       client-scrypt*.pem,
#                       client-nested.pem)     corvane-key
#   client-nested-*.pem: outer layer under the program's no-password placeholder
#   everything else is unencrypted.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/certs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
cd "$work"

P12PASS=corvane-p12
KEYPASS=corvane-key
DAYS=36500

eckey() { openssl ecparam -name prime256v1 -genkey -noout -out "$1"; }

# --- CA certificates -------------------------------------------------------------------------
eckey ca.key
openssl req -new -x509 -key ca.key -days $DAYS -subj "/O=Corvane Tests/CN=Corvane Test CA" \
    -addext basicConstraints=critical,CA:TRUE -out "$out/ca.pem"
openssl x509 -in "$out/ca.pem" -outform DER -out "$out/ca.der"
cp "$out/ca.der" "$out/ca.cer"
cp "$out/ca.der" "$out/ca.crt"
cp "$out/ca.der" "$out/ca-der-content.pem"
cp "$out/ca.der" "$out/ca-noext"
cp "$out/ca.pem" "$out/ca-pem-content.der"
# The same certificate with a text dump in front of the block.
openssl x509 -in "$out/ca.pem" -text -out "$out/ca-with-text.pem"
cp ca.key "$out/ca.key"

eckey ca2.key
openssl req -new -x509 -key ca2.key -days $DAYS -subj "/O=Corvane Tests/CN=Corvane Second CA" \
    -out "$out/ca2.pem"
openssl x509 -in "$out/ca2.pem" -outform DER -out "$out/ca2.der"
cat "$out/ca.pem" "$out/ca2.pem" > "$out/two-certs.pem"
# A name that reads as markup: the window must show it as text and fetch nothing it names.
openssl req -new -x509 -key ca2.key -days $DAYS \
    -subj "/O=Corvane Tests/CN=<img src=\\/nonexistent\\/corvane-markup x>" -out "$out/ca-markup.pem"
openssl crl2pkcs7 -nocrl -certfile "$out/two-certs.pem" -outform DER -out "$out/bundle.p7b"

# Fixed validity periods need `openssl ca`: one long past, one far ahead.
mkdir -p cadb
: > cadb/index.txt
echo 1000 > cadb/serial
cat > ca.cnf <<CNF
[ca]
default_ca = testca
[testca]
dir = $work/cadb
database = \$dir/index.txt
serial = \$dir/serial
new_certs_dir = \$dir
certificate = $out/ca.pem
private_key = $work/ca.key
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
organizationName = optional
CNF
eckey dated.key
dated() { # name subject start end
    openssl req -new -key dated.key -subj "$2" -out "$1.csr"
    openssl ca -batch -notext -config ca.cnf -in "$1.csr" -startdate "$3" -enddate "$4" \
        -out "$out/$1.pem" 2>/dev/null
    openssl x509 -in "$out/$1.pem" -outform DER -out "$out/$1.der"
}
dated expired "/O=Corvane Tests/CN=Expired Server" 20000101000000Z 20010101000000Z
dated future "/O=Corvane Tests/CN=Future Server" 20810101000000Z 20820101000000Z

# --- Client certificates and keys ------------------------------------------------------------
leaf() { # name subject key
    openssl req -new -key "$3" -subj "$2" -out "$1.csr"
    openssl x509 -req -in "$1.csr" -CA "$out/ca.pem" -CAkey ca.key -CAcreateserial \
        -days $DAYS -out "$1.crt" 2>/dev/null
}
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out rsa.key 2>/dev/null
eckey ec.key
leaf rsa "/O=Corvane Tests/CN=Client RSA" rsa.key
leaf ec "/O=Corvane Tests/CN=Client EC" ec.key

cat rsa.crt rsa.key > "$out/client-plain-rsa.pem"
cat ec.crt ec.key > "$out/client-plain-ec.pem"
cat rsa.key rsa.crt > "$out/client-key-first.pem"
openssl rsa -in rsa.key -aes256 -traditional -passout pass:$KEYPASS -out rsa-trad.key 2>/dev/null
cat rsa.crt rsa-trad.key > "$out/client-enc-trad.pem"
openssl pkcs8 -topk8 -in ec.key -v2 aes-256-cbc -passout pass:$KEYPASS -out ec-p8.key
cat ec.crt ec-p8.key > "$out/client-enc-pkcs8.pem"
cp rsa.crt "$out/client-cert-only.pem"
cp rsa.key "$out/client-key-only.pem"
# An expired certificate with its key, encrypted and plain.
cat "$out/expired.pem" dated.key > "$out/client-expired-plain.pem"
openssl pkcs8 -topk8 -in dated.key -v2 aes-256-cbc -passout pass:$KEYPASS -out dated-p8.key
cat "$out/expired.pem" dated-p8.key > "$out/client-expired-enc.pem"
# A certificate with an OpenSSH key: the label ends in "PRIVATE KEY", but it is no key the
# crypto library reads.
ssh-keygen -q -t ed25519 -N '' -C corvane-test -f ssh.key
cat rsa.crt ssh.key > "$out/client-openssh-key.pem"

p12() { # name extra-options...
    name=$1
    shift
    openssl pkcs12 -export -in rsa.crt -inkey rsa.key -name "Client RSA" "$@" -out "$out/$name"
}
p12 client.p12 -passout pass:$P12PASS
p12 client-legacy.p12 -legacy -passout pass:$P12PASS
p12 client-des.p12 -descert -passout pass:$P12PASS
p12 client-emptypw.p12 -passout pass:
p12 client-nomac.p12 -nomac -passout pass:$P12PASS
p12 client-nocerts.p12 -nocerts -passout pass:$P12PASS
p12 client-nokeys.p12 -nokeys -passout pass:$P12PASS
# Keys encrypted with scrypt, two of them with a parameter raised past the bounds.
sh "$here/make-scrypt-keys.sh" "$out"
# PKCS#8 keys under a second, traditional PEM encryption layer, some with counts past the bound.
sh "$here/make-nested-keys.sh" "$out"

# --- Names for the display rules -------------------------------------------------------------
eckey names.key
selfsigned() { # name subject
    openssl req -new -x509 -key names.key -days $DAYS -subj "$2" -utf8 -out "$out/$1.pem"
}
selfsigned name-sn-o "/SN=Surname/O=Surname Org"
selfsigned name-ou-only "/OU=Only Unit"
selfsigned name-none "/C=DE/L=Berlin"
selfsigned name-utf8 "/CN=Café"

# The issuer has O and OU only.
openssl req -new -x509 -key names.key -days $DAYS -subj "/O=Issuer Org/OU=Issuer Unit" \
    -out orgca.pem
openssl req -new -key ec.key -subj "/CN=Leaf Of Org CA" -out orgleaf.csr
openssl x509 -req -in orgleaf.csr -CA orgca.pem -CAkey names.key -CAcreateserial -days $DAYS \
    -out "$out/name-issuer-o-ou.pem" 2>/dev/null

# Names that `openssl req` refuses to build (an empty value, an over-long CN, a BMPString, a
# Latin-1 T61String) are written as a certificate with asn1parse and then signed properly with
# -signkey, which keeps the name and makes the certificate self-issued.
genconf() { # name rdn-sections-file
    cat > "$1.cnf" <<CNF
asn1 = SEQUENCE:cert
[cert]
tbs = SEQUENCE:tbs
alg = SEQUENCE:sigalg
sig = FORMAT:HEX,BITSTRING:00
[sigalg]
oid = OID:ecdsa-with-SHA256
[tbs]
ver = EXPLICIT:0,INTEGER:2
serial = INTEGER:0x2001
alg = SEQUENCE:sigalg
issuer = SEQUENCE:name
validity = SEQUENCE:validity
subject = SEQUENCE:name
spki = SEQUENCE:spki
[validity]
nb = UTCTIME:200101000000Z
na = GENERALIZEDTIME:20991231235959Z
[spki]
alg = SEQUENCE:ecalg
key = FORMAT:HEX,BITSTRING:04
[ecalg]
a = OID:id-ecPublicKey
b = OID:prime256v1
CNF
    cat "$2" >> "$1.cnf"
    openssl asn1parse -genconf "$1.cnf" -noout -out "$1.der"
    openssl x509 -in "$1.der" -inform DER -signkey names.key -preserve_dates -out "$out/$1.pem"
}

cat > two-cn.rdn <<'CNF'
[name]
r1 = SET:rdn1
r2 = SET:rdn2
r3 = SET:rdn3
[rdn1]
a = SEQUENCE:cn1
[rdn2]
a = SEQUENCE:cn2
[rdn3]
a = SEQUENCE:o
[cn1]
o = OID:commonName
v = UTF8:
[cn2]
o = OID:commonName
v = UTF8:Second Name
[o]
o = OID:organizationName
v = UTF8:Two CN Org
CNF
genconf name-two-cn two-cn.rdn

long=$(printf '0123456789%.0s' $(seq 30))
cat > long-cn.rdn <<CNF
[name]
r1 = SET:rdn1
[rdn1]
a = SEQUENCE:cn
[cn]
o = OID:commonName
v = UTF8:$long
CNF
genconf name-long-cn long-cn.rdn

cat > bmp-cn.rdn <<'CNF'
[name]
r1 = SET:rdn1
r2 = SET:rdn2
[rdn1]
a = SEQUENCE:cn
[rdn2]
a = SEQUENCE:o
[cn]
o = OID:commonName
v = BMPSTRING:BMP Name
[o]
o = OID:organizationName
v = UTF8:Plain Org
CNF
genconf name-bmp-cn bmp-cn.rdn

latin1=$(printf 'Caf\351')
cat > latin1-cn.rdn <<CNF
[name]
r1 = SET:rdn1
[rdn1]
a = SEQUENCE:cn
[cn]
o = OID:commonName
v = T61STRING:$latin1
CNF
genconf name-latin1-cn latin1-cn.rdn

echo "fixtures written to $out"
