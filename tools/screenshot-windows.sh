#!/bin/bash
# Pictures of the Windows window under Wine: the main window with the example profile open and
# its About box, as PNG files in docs/ (or the folder given). Xvfb keeps its screen in a file,
# from which each window's rectangle is cut.
# Usage: tools/screenshot-windows.sh [output folder] [Windows build folder (default build-win)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/docs}" && cd "${1:-$root/docs}" && pwd)
build=$(cd "${2:-$root/build-win}" && pwd)
if [ -z "${CORVANE_SCREEN_FILE_DIR:-}" ]; then
    screen=$(mktemp -d)
    trap 'rm -rf "$screen"' EXIT
    env CORVANE_SCREEN_FILE_DIR="$screen" xvfb-run -a \
        -s "-screen 0 1024x768x24 -fbdir $screen -noreset" "$0" "$out" "$build"
    exit
fi
export WINEDEBUG=-all WINEPREFIX=$build/wineprefix-pictures
wineboot -i >/dev/null 2>&1
# No window manager runs on this display: Wine draws the captions and frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
cp "$root/examples/office.txt" "$root/examples/example-ca.pem" "$work/"
cd "$work"
wine "$build/corvane.com" office.txt >/dev/null

# A window by its title once it is shown. Wine names a window before it maps it, and a dialog
# moves itself into place while it starts: a picture taken too early shows what lay beneath.
wait_for() {
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}

# Cuts a window's rectangle out of the screen file into a PNG file, once the window has stayed
# in one place for a second (and so has been painted there).
picture() {
    local before="" now
    for _ in $(seq 50); do
        now=$(xdotool getwindowgeometry --shell "$1")
        [ "$now" = "$before" ] && break
        before=$now
        sleep 1
    done
    eval "$now"
    python3 - "$CORVANE_SCREEN_FILE_DIR/Xvfb_screen0" "$2" "$X" "$Y" "$WIDTH" "$HEIGHT" <<'PY'
import struct, sys, zlib
screen, target = sys.argv[1], sys.argv[2]
left, top, width, height = (int(v) for v in sys.argv[3:7])
data = open(screen, 'rb').read()
fields = struct.unpack('>25I', data[:100])
header_size, byte_order, bytes_per_line, colours = fields[0], fields[7], fields[12], fields[19]
start = header_size + colours * 12
rows = []
for y in range(top, top + height):
    line = data[start + y * bytes_per_line:start + (y + 1) * bytes_per_line]
    row = bytearray(b'\0')
    for x in range(left, left + width):
        p = line[x * 4:x * 4 + 4]
        row += bytes((p[2], p[1], p[0])) if byte_order == 0 else bytes((p[1], p[2], p[3]))
    rows.append(bytes(row))
def chunk(kind, body):
    return (struct.pack('>I', len(body)) + kind + body +
            struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))
with open(target, 'wb') as png:
    png.write(b'\x89PNG\r\n\x1a\n' +
              chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
              chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b''))
PY
}

wine "$build/corvane.exe" office.odb &
main=$(wait_for "Corvane - \[office.odb\]")
xdotool windowmove --sync "$main" 20 20 || true
xdotool mousemove 1020 760 # the pointer out of the pictures
picture "$main" "$out/screenshot-windows-main.png"
# Help > About... from the keyboard: the last item of the Help menu.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+h
sleep 0.5
xdotool key Up Return
about=$(wait_for "About Corvane")
picture "$about" "$out/screenshot-windows-about.png"
xdotool key Return
sleep 0.5
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+F4
wait
echo "pictures in $out"
