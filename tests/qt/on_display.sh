# Sourced by the end-to-end scripts: re-runs the calling script on a virtual X display of its
# own, with xdotool at hand, or skips (77) where the display cannot be had.
if ! command -v xvfb-run >/dev/null; then
    echo "SKIPPED: xvfb-run is not installed (Debian package xvfb)"
    exit 77
fi
# -noreset: by default the server resets when its last client goes, and a program starting
# during that reset cannot connect.
if [ -z "${CORVANE_E2E_ON_DISPLAY:-}" ]; then
    exec env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY CORVANE_E2E_ON_DISPLAY=1 \
        xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi
command -v xdotool >/dev/null || { echo "FAIL: xdotool is not installed"; exit 1; }
