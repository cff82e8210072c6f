#!/bin/bash
# Runs one set of scripts with the Linux build and with corvane.com of the Windows build under
# Wine, and checks that both write the same bytes: every .odb identical apart from its creation
# and modification dates, every wizard.log identical apart from line ends and header times.
#   tests/windows/identity_check.sh [linux build folder] [windows build folder]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(realpath "${1:-$src/build}")
windows=$(realpath "${2:-$src/build-win}")
certs="$src/tests/data/certs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$windows/wineprefix" WINEDEBUG=-all

# name|language|script; "\n" separates lines.
scripts=(
"protocols|en|new\nset_name Protocols\nset_auth EAP-PEAP\nset_inner_auth MSCHAPv2\nset_initial_identity anonymous@example.org\nset_username alice\nset_password \"correct horse\"\nadd_ca_cert ca.pem\nsave peap.odb\nset_auth EAP-TTLS\nset_inner_auth EAP-MD5-Challenge\nsave ttls.odb\nset_auth LEAP\nsave leap.odb\nset_auth bogus\n"
"inner|en|new\nset_name Inner\nset_auth EAP-TTLS\nset_inner_auth PAP\nadd_ca_cert ca.pem\nsave pap.odb\nset_inner_auth CHAP\nsave chap.odb\nset_inner_auth MSCHAP\nsave mschap.odb\nset_inner_auth EAP-GTC\nsave gtc.odb\nset_inner_auth EAP-MSCHAPv2\nsave eapms.odb\n"
"ca-formats|en|new\nset_name CAs\nset_auth EAP-TTLS\nset_inner_auth PAP\nadd_ca_cert ca.pem\nadd_ca_cert ca2.der\nadd_ca_cert name-utf8.pem\nadd_ca_cert name-bmp-cn.pem\nadd_ca_cert name-latin1-cn.pem\nadd_ca_cert expired.der\nadd_ca_cert future.pem\nadd_ca_cert ca-noext\nadd_ca_cert name-two-cn.pem\nadd_ca_cert name-long-cn.pem\nadd_ca_cert name-sn-o.pem\nremove_ca_cert 1\nsave cas.odb\nadd_ca_cert ca.cer\n"
"ca-bundle|en|new\nset_name Bundle\nset_auth EAP-PEAP\nset_inner_auth EAP-GTC\nadd_ca_cert ca-with-text.pem\nsave text.odb\nadd_ca_cert bundle.p7b\n"
"client-p12|en|new\nset_name TLS\nset_auth EAP-TLS\nset_username device-7\nadd_ca_cert ca.pem\nadd_ca_cert ca2.pem\nset_pkpassword corvane-p12\nset_client_cert_pkey client.p12\nsave p12.odb\nset_client_cert_pkey client-legacy.p12\nsave legacy.odb\nset_client_cert_pkey client-des.p12\nsave des.odb\nclear_client_cert_pkey\nset_pkpassword wrong\nset_client_cert_pkey client.p12\nsave wrong.odb\n"
"client-pem|en|new\nset_name PEM\nset_auth EAP-TLS\nadd_ca_cert ca.pem\nset_client_cert_pkey client-plain-rsa.pem\nsave rsa.odb\nset_client_cert_pkey client-plain-ec.pem\nsave ec.odb\nset_pkpassword corvane-key\nset_client_cert_pkey client-enc-pkcs8.pem\nsave pkcs8.odb\nset_client_cert_pkey client-enc-trad.pem\nsave trad.odb\nset_client_cert_pkey client-expired-enc.pem\nsave expired.odb\nset_client_cert_pkey client-openssh-key.pem\n"
"german|de|new\nset_name \"Buero Sued\"\nset_auth EAP-PEAP\nset_inner_auth MSCHAPv2\nset_username juergen\nset_password \"Gr\\xc3\\xbc\\xc3\\x9fe\"\nadd_ca_cert expired.pem\nsave buero.odb\nload buero.odb\nset_auth WPA\n"
"german-errors|de|new\nset_name\nbogus\n"
"eap-config|en|import_config peap-two-cas.eap-config\nsave peap.odb\nimport_config ttls-pap.eap-config\nsave ttls.odb\nimport_config tls-p12.eap-config\nsave tls.odb\nimport_config first-unsupported.eap-config\nsave leap.odb\nimport_config ca.pem\n"
"eap-config-german|de|import_config peap-two-cas.eap-config\nsave peap.odb\nimport_config missing.eap-config\n"
)

status=0
for entry in "${scripts[@]}"; do
    IFS='|' read -r name language text <<<"$entry"
    for side in linux windows; do
        dir="$work/$side/$name"
        mkdir -p "$dir"
        cp "$certs"/* "$src/tests/data/eap-config"/* "$dir/"
        printf '%b' "$text" >"$dir/script.txt"
        locale=C.UTF-8
        [ "$language" = de ] && locale=de_DE.UTF-8
        if [ "$side" = linux ]; then
            (cd "$dir" && LC_ALL=$locale LANG=$locale "$linux/corvane" script.txt >/dev/null 2>&1) || true
        else
            (cd "$dir" && LC_ALL=$locale LANG=$locale wine "$windows/corvane.com" script.txt >/dev/null 2>&1) || true
        fi
    done
    l="$work/linux/$name"
    w="$work/windows/$name"
    odbs=$(cd "$l" && ls -- *.odb 2>/dev/null || true)
    [ "$odbs" = "$(cd "$w" && ls -- *.odb 2>/dev/null || true)" ] ||
        { echo "$name: the two runs saved different files"; status=1; }
    for odb in $odbs; do
        # Bytes 37-44 (counted from 1) are the creation and modification dates.
        differing=$(cmp -l "$l/$odb" "$w/$odb" 2>&1 | awk '$1 < 37 || $1 > 44 || NF != 3' || true)
        if [ -n "$differing" ]; then
            echo "$name: $odb differs beyond its dates"
            status=1
        fi
    done
    # The header line carries the run's date and time in the user's formats.
    if ! diff <(sed -e 's/\r$//' -e 's/^\(--- .*\) \[.*\] ---$/\1/' "$l/wizard.log") \
              <(sed -e 's/\r$//' -e 's/^\(--- .*\) \[.*\] ---$/\1/' "$w/wizard.log") >/dev/null; then
        echo "$name: wizard.log differs"
        diff <(sed 's/\r$//' "$l/wizard.log") <(sed 's/\r$//' "$w/wizard.log") | head -20
        status=1
    fi
    grep -q $'\r$' "$w/wizard.log" || { echo "$name: the Windows log has no CR LF line ends"; status=1; }
    echo "$name: $(echo $odbs | wc -w) databases, $(grep -c . "$l/wizard.log") log lines compared"
done
[ $status = 0 ] && echo "Identical output from Linux and Windows"
exit $status
