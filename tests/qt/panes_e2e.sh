#!/bin/bash
# The real program on a virtual X display, driven from the keyboard like a user: it types a
# profile name, chooses EAP-PEAP and a tunneled method, adds a CA certificate through the file
# dialog and saves with Ctrl+S. Script mode then loads the file, and its records must equal
# those of the same profile made by a script.
# Usage: panes_e2e.sh <corvane executable> <CA certificate file>
set -u
corvane=$1
ca=$2
source "$(dirname "$0")/on_display.sh"

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
cp "$ca" "$work/ca.pem"

fail() {
    echo "FAIL: $*"
    [ -f stderr.txt ] && cat stderr.txt
    exit 1
}

# The id of the first window whose title matches, waiting for it a while.
wait_for_window() {
    local found=""
    for _ in $(seq 100); do
        found=$(xdotool search --name "$1" 2>/dev/null | head -1)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

wait_for_title() {
    local shown=""
    for _ in $(seq 50); do
        shown=$(xdotool getwindowname "$1")
        [ "$shown" = "$2" ] && return 0
        sleep 0.1
    done
    fail "title is \"$shown\", expected \"$2\""
}

key() { xdotool key --clearmodifiers "$@"; sleep 0.2; }

"$corvane" 2>stderr.txt &
pid=$!
main=$(wait_for_window "^Corvane - ") || fail "no main window appeared"
wait_for_title "$main" "Corvane - [Untitled]"
xdotool windowfocus --sync "$main" 2>/dev/null
sleep 0.3

# The name field has the focus; the drop-down lists follow it in the tab order.
xdotool type --delay 20 "E2E Office"
key Tab Down Down # EAP-TLS -> EAP-TTLS -> EAP-PEAP
key Tab Down      # MSCHAPv2 -> GTC
wait_for_title "$main" "Corvane - [Untitled *]"

# Add... by its mnemonic, then the path typed into the file dialog.
key alt+d
add=$(wait_for_window "^Add CA Certificate$") || fail "no Add CA Certificate dialog"
xdotool windowfocus --sync "$add" 2>/dev/null
sleep 0.3
xdotool type --delay 10 "$work/ca.pem"
key Return
for _ in $(seq 50); do
    xdotool search --name "^Add CA Certificate$" >/dev/null 2>&1 || break
    sleep 0.1
done

# Ctrl+S: the checks pass, then the save dialog proposes "E2E Office.odb".
xdotool windowfocus --sync "$main" 2>/dev/null
key ctrl+s
save=$(wait_for_window "^Save Profile Database$") || fail "no Save Profile Database dialog"
xdotool windowfocus --sync "$save" 2>/dev/null
sleep 0.3
key ctrl+a
xdotool type --delay 10 "$work/window.odb"
key Return
wait_for_title "$main" "Corvane - [window.odb]"

# File > Exit; nothing is left to save, so no prompt.
xdotool windowfocus --sync "$main" 2>/dev/null
key alt+f
key x
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the window did not close"
wait "$pid"
code=$?
pid=""
[ "$code" -eq 0 ] || fail "exit code $code"

# Script mode loads what the window wrote, with its one CA certificate.
printf 'load window.odb\nremove_ca_cert 0\n' >load.txt
"$corvane" load.txt || { cat wizard.log; fail "script mode could not load window.odb"; }
# The same profile made by a script: equal but for the header's dates (bytes 36 to 47).
printf 'new\nset_name "E2E Office"\nset_auth EAP-PEAP\nset_inner_auth EAP-GTC\nadd_ca_cert ca.pem\nsave script.odb\n' >make.txt
"$corvane" make.txt || { cat wizard.log; fail "script mode could not make script.odb"; }
cmp <(head -c 36 window.odb) <(head -c 36 script.odb) || fail "database names differ"
cmp <(tail -c +49 window.odb) <(tail -c +49 script.odb) || fail "records differ from the script's"
echo "ok: typed, chose EAP-PEAP and GTC, added ca.pem, saved; script mode loads the same profile"
