#!/bin/bash
# corvane.exe in window mode under Wine on a virtual X display: it starts untitled, opens a
# profile database named on its command line, and ends with 0 when its window is closed. A
# password typed with an umlaut is saved in Windows-1252, as a script in Windows-1252 stores it.
# Usage: window_e2e.sh <wine command> <folder holding corvane.exe and corvane.com> <CA certificate>
set -u
wine=$1
dist=$(cd "$2" && pwd)
ca=$3
source "$(dirname "$0")/../qt/on_display.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A profile database made by script mode.
printf 'new\nset_name E2E\nset_auth LEAP\nset_username someone\nsave net.odb\n' >make.txt
"$wine" "$dist/corvane.com" make.txt >/dev/null ||
    { echo "FAIL: script mode could not make net.odb"; cat wizard.log; exit 1; }

# Starts the program, waits for its window with the title, closes it with Alt+F4.
run_window() {
    local title=$1
    shift
    "$wine" "$dist/corvane.exe" "$@" &
    local pid=$! window="" shown=""
    for _ in $(seq 300); do
        window=$(xdotool search --name "^Corvane - " 2>/dev/null | head -1)
        [ -n "$window" ] && shown=$(xdotool getwindowname "$window")
        [ "$shown" = "$title" ] && break
        sleep 0.1
    done
    if [ "$shown" != "$title" ]; then
        echo "FAIL: title is \"$shown\", expected \"$title\""; kill "$pid"; return 1
    fi
    # What the run is for, before the window is closed.
    [ -n "${act:-}" ] && "$act" "$window"
    # On a busy machine the first key may come before the window takes the focus.
    for _ in 1 2 3; do
        xdotool windowfocus --sync "$window" 2>/dev/null
        xdotool key --clearmodifiers alt+F4
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null || break
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the window did not close"; kill "$pid"; return 1
    fi
    wait "$pid"
    local code=$?
    [ "$code" -eq 0 ] || { echo "FAIL: exit code $code for $*"; return 1; }
}

run_window "Corvane - [Untitled]" || exit 1
run_window "Corvane - [net.odb]" net.odb || exit 1

# "pässwort" typed into the password field of a saved EAP-TTLS profile and saved with Ctrl+S: the
# record equals that of a script written in Windows-1252 (but for the header's dates, 36 to 47).
type_password() {
    xdotool windowfocus --sync "$1" 2>/dev/null
    sleep 0.5
    # From the profile name: the protocol, the tunneled protocol, the user name, the password.
    xdotool key --clearmodifiers Tab Tab Tab Tab
    xdotool type --delay 50 "pässwort"
    xdotool key --clearmodifiers ctrl+s
}
cp "$ca" ca.pem
# A German layout has "ä" on a key of its own: xdotool need not remap a key while typing.
setxkbmap de 2>/dev/null
make='new\nset_name E2E\nset_auth EAP-TTLS\nset_username someone\nadd_ca_cert ca.pem\n'
printf "${make}save pw.odb\n" >pw.txt
printf "${make}set_password p\344sswort\nsave script.odb\n" >script.txt
{ "$wine" "$dist/corvane.com" pw.txt && "$wine" "$dist/corvane.com" script.txt; } >/dev/null ||
    { echo "FAIL: script mode"; exit 1; }
act=type_password run_window "Corvane - [pw.odb]" pw.odb || exit 1
cmp <(tail -c +49 pw.odb) <(tail -c +49 script.odb) || { echo "FAIL: not stored in Windows-1252"; exit 1; }
echo "PASS"
