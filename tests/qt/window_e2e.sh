#!/bin/bash
# The real program in window mode on a virtual X display: it starts untitled, opens a profile
# database named on its command line, and ends with 0 when closed from its File menu. A password
# typed with an umlaut is saved in Windows-1252, as a script in Windows-1252 stores it.
# Usage: window_e2e.sh <corvane executable> <CA certificate file>
set -u
corvane=$1
ca=$2
source "$(dirname "$0")/on_display.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A profile database made by script mode.
printf 'new\nset_name E2E\nset_auth LEAP\nset_username someone\nsave net.odb\n' >make.txt
"$corvane" make.txt || { echo "FAIL: script mode could not make net.odb"; cat wizard.log; exit 1; }

# Starts the program, waits for a window with the title, closes it through File > Exit.
run_window() {
    local title=$1
    shift
    "$corvane" "$@" 2>stderr.txt &
    local pid=$! window=""
    for _ in $(seq 100); do
        window=$(xdotool search --name "^Corvane - " 2>/dev/null | head -1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "FAIL: no main window appeared"; cat stderr.txt; kill "$pid"; return 1
    fi
    local shown=""
    for _ in $(seq 50); do
        shown=$(xdotool getwindowname "$window")
        [ "$shown" = "$title" ] && break
        sleep 0.1
    done
    if [ "$shown" != "$title" ]; then
        echo "FAIL: title is \"$shown\", expected \"$title\""; kill "$pid"; return 1
    fi
    # What the run is for, before the window is closed.
    [ -n "${act:-}" ] && "$act" "$window"
    # File > Exit by keyboard; on a busy machine the menu may open late, so try a few times.
    for _ in 1 2 3; do
        xdotool windowfocus --sync "$window" 2>/dev/null
        xdotool key --clearmodifiers alt+f
        sleep 0.5
        xdotool key x
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null || break
        xdotool key Escape
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the window did not close from File > Exit"; kill "$pid"; return 1
    fi
    wait "$pid"
    local code=$?
    if [ "$code" -ne 0 ]; then
        echo "FAIL: exit code $code"; cat stderr.txt; return 1
    fi
    echo "ok: \"$title\", exit code 0"
}

run_window "Corvane - [Untitled]" || exit 1
run_window "Corvane - [net.odb]" "$work/net.odb" || exit 1

# "pässwort" typed into the password field of a saved EAP-TTLS profile and saved with Ctrl+S: the
# record equals that of a script written in Windows-1252 (but for the header's dates, 36 to 47).
type_password() {
    xdotool windowfocus --sync "$1" 2>/dev/null
    sleep 0.3
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
{ "$corvane" pw.txt && "$corvane" script.txt; } >/dev/null || { echo "FAIL: script mode"; exit 1; }
act=type_password run_window "Corvane - [pw.odb]" "$work/pw.odb" || exit 1
cmp <(tail -c +49 pw.odb) <(tail -c +49 script.odb) || { echo "FAIL: not stored in Windows-1252"; exit 1; }
echo "ok: \"pässwort\" typed in the window is stored in Windows-1252"
