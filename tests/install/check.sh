#!/bin/bash
# Builds the Debian packages and checks them the way a Debian user meets them: lintian, the
# control fields, a `cmake --install` staging, and a real `dpkg -i` into a throwaway
# copy-on-write view of this machine (a private mount namespace with overlays on /usr, /var and
# /etc, so dependencies are resolved against the real system and nothing outside changes).
# There it runs the example through /usr/bin/corvane from another folder, in English and in
# German, and checks the man page, desktop entry, AppStream metainfo and file type with the
# desktop's own tools.
#
#   tests/install/check.sh [build folder]      (as root; default: build)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
self="$source_dir/tests/install/check.sh"
app_id=org.corvane.corvane
mime_type=application/x-corvane-profile-database

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
expect() { # description, command...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# Checks of the installed system; run inside the private mount namespace (or, where no
# namespace can be made, against the unpacked packages under $1).
installed_checks() {
    local root=$1 work=$2 packages=$3
    local bin="$root/usr/bin/corvane" share="$root/usr/share" private="$root/usr/lib/corvane"

    expect "/usr/bin/corvane is a link into the private folder" \
        test "$(readlink "$bin")" = ../lib/corvane/corvane
    expect "the German resource module lies beside the program" test -f "$private/Corvane_deDE.so"

    # The example, through the link, from a folder that is neither the source nor the program's.
    local run="$work/run"
    mkdir -p "$run"
    cp "$share/doc/corvane/examples/office.txt" "$share/doc/corvane/examples/example-ca.pem" "$run/"
    local status=0
    (cd "$run" && LANG=C LC_ALL= LC_MESSAGES= "$bin" office.txt >"$work/office.out" 2>&1) || status=$?
    expect "the example script exits with 0" test "$status" -eq 0
    expect "the example saves office.odb there" test -s "$run/office.odb"
    expect "wizard.log there reports the save" \
        grep -qx "Saved profile database: office.odb" "$run/wizard.log"

    status=0
    (cd "$run" && LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= "$bin" missing.txt >"$work/de.out" 2>&1) ||
        status=$?
    expect "a missing script exits with 1" test "$status" -eq 1
    expect "LANG=de_DE.UTF-8 finds the German resource module (German message)" \
        grep -q "Die Skriptdatei konnte nicht geöffnet werden: missing.txt" "$work/de.out"
    (cd "$run" && LANG=C LC_ALL= LC_MESSAGES= "$bin" missing.txt >"$work/en.out" 2>&1) || true
    expect "LANG=C keeps the built-in English message" \
        grep -q "Failed to open script file: missing.txt" "$work/en.out"

    if [ -f "$private/corvane-window.so" ]; then
        # The window stays up until it is closed: still running after a few seconds is success.
        status=0
        (cd "$run" && QT_QPA_PLATFORM=offscreen timeout 5 "$bin" office.odb \
            >"$work/window.out" 2>&1) || status=$?
        expect "window mode starts through /usr/bin/corvane (still running after 5 s)" \
            test "$status" -eq 124
        if grep -q "not available" "$work/window.out"; then
            fail "window mode did not find its module: $(cat "$work/window.out")"
        fi
    else
        echo "note: no window module in the packages; window start not checked"
    fi
    # Man page: renders at 80 columns without a groff warning and names every script command.
    local page="$share/man/man1/corvane.1.gz"
    if MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" &&
        [ ! -s "$work/man.err" ]; then
        pass "man page renders without warnings"
    else
        fail "man page warnings: $(cat "$work/man.err")"
    fi
    if [ "$root" = "" ]; then
        expect "man corvane finds the installed page" \
            cmp -s "$work/man.txt" <(MANWIDTH=80 man --warnings corvane 2>&1)
    fi
    local word missing=""
    for word in new load save set_name set_auth set_inner_auth set_initial_identity add_ca_cert \
        remove_ca_cert set_client_cert_pkey clear_client_cert_pkey set_username set_password \
        set_pkpassword; do
        # Each command heads an entry of its own: the word at the entry indent, then arguments.
        grep -qE "^       $word( |\$)" "$work/man.txt" || missing="$missing $word"
    done
    for word in --help --version --open wizard.log LC_MESSAGES Corvane_deDE.so "EXIT STATUS" EXAMPLE; do
        grep -q -- "$word" "$work/man.txt" || missing="$missing $word"
    done
    expect "man page covers the commands, exit status, log, languages and example${missing:+ (missing:$missing)}" \
        test -z "$missing"

    # Desktop entry and metainfo, with their validators.
    local desktop="$share/applications/$app_id.desktop"
    if desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 &&
        ! grep -qE ': (error|warning): ' "$work/desktop.out"; then
        pass "desktop-file-validate"
        sed 's/^/  /' "$work/desktop.out"
    else
        fail "desktop-file-validate: $(cat "$work/desktop.out")"
    fi
    expect "desktop entry opens its file in the window (corvane --open %f)" \
        grep -qx 'Exec=corvane --open %f' "$desktop"
    expect "desktop entry lists Network and Settings" grep -qx 'Categories=Network;Settings;' "$desktop"
    expect "desktop entry handles profile databases and provider configurations" \
        grep -qx "MimeType=$mime_type;application/eap-config;" "$desktop"
    if appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" >"$work/as.out" 2>&1; then
        pass "appstreamcli validate"
    else
        fail "appstreamcli validate: $(cat "$work/as.out")"
    fi
    expect "metainfo's newest release is the package version" \
        grep -q "<release version=\"$(dpkg-deb -f "$packages"/corvane_*.deb Version)\"" \
        "$share/metainfo/$app_id.metainfo.xml"

    # Icons: each hicolor size holds a picture of that size.
    local size icon
    for size in 16 24 32 48; do
        icon="$share/icons/hicolor/${size}x$size/apps/corvane.png"
        [ -f "$icon" ] || { [ -f "$source_dir/src/res/icons/corvane-$size.png" ] &&
            fail "icon $size px not installed"; continue; }
        expect "icon ${size}x$size" \
            grep -q "PNG image data, $size x $size" <(file -b "$icon")
    done

    if [ -f "$source_dir/src/res/art/corvane-icon.svg" ]; then
        expect "scalable icon" grep -q "SVG" \
            <(file -b "$share/icons/hicolor/scalable/apps/corvane.svg" 2>&1)
    fi

    # File type: a profile database is Corvane's, an OpenDocument database and any other .odb
    # file are not. With the real installed database (the shared-mime-info trigger ran) when
    # installed, else with a private XDG_DATA_HOME.
    local data_home="$work/xdg-data"
    mkdir -p "$data_home"
    if [ "$root" != "" ]; then
        mkdir -p "$data_home/mime/packages"
        cp "$share/mime/packages/corvane.xml" "$data_home/mime/packages/"
        XDG_DATA_HOME="$data_home" update-mime-database "$data_home/mime"
    fi
    local samples="$work/samples"
    mkdir -p "$samples"
    cp "$run/office.odb" "$samples/profile.odb"
    cp "$run/office.odb" "$samples/UPPER.ODB"
    (cd "$samples" && printf '%s' application/vnd.oasis.opendocument.base >mimetype &&
        zip -q -0 -X opendocument.odb mimetype && rm mimetype)
    printf 'not a database\n' >"$samples/text.odb"
    cp "$source_dir/examples/office.eap-config" "$samples/campus.eap-config"
    head -c 4096 /dev/zero >"$samples/zeros.odb"
    local file type
    for file in profile.odb UPPER.ODB opendocument.odb text.odb zeros.odb campus.eap-config; do
        type=$(cd "$samples" && XDG_DATA_HOME="$data_home" XDG_CURRENT_DESKTOP=GNOME \
            xdg-mime query filetype "$file")
        case $file in
        profile.odb | UPPER.ODB) expect "xdg-mime: $file is $mime_type (got $type)" \
            test "$type" = "$mime_type" ;;
        campus.eap-config) expect "xdg-mime: $file is application/eap-config (got $type)" \
            test "$type" = application/eap-config ;;
        *) expect "xdg-mime: $file is not Corvane's (got $type)" test "$type" != "$mime_type" ;;
        esac
    done
    if [ "$root" = "" ]; then
        type=$(XDG_DATA_HOME="$data_home" XDG_CURRENT_DESKTOP=GNOME \
            xdg-mime query default "$mime_type")
        expect "xdg-mime: profile databases open in $app_id.desktop (got $type)" \
            test "$type" = "$app_id.desktop"
    fi
}

# Inside the private mount namespace: overlay the system folders, install, check.
if [ "${1:-}" = "--inside" ]; then
    work=$2 packages=$3
    for dir in usr var etc; do
        mkdir -p "$work/cow/$dir" "$work/cow/$dir.work"
        mount -t overlay overlay \
            -o "lowerdir=/$dir,upperdir=$work/cow/$dir,workdir=$work/cow/$dir.work" "/$dir" ||
            exit 3 # no overlays here: the caller checks the unpacked packages instead
    done
    if DEBIAN_FRONTEND=noninteractive dpkg -i "$packages"/corvane_*.deb \
        "$packages"/corvane-window_*.deb >"$work/dpkg.out" 2>&1; then
        pass "dpkg -i of both packages (dependencies met by this system)"
    else
        fail "dpkg -i: $(cat "$work/dpkg.out")"
        exit 1
    fi
    installed_checks "" "$work" "$packages"
    if dpkg --purge corvane-window corvane >"$work/purge.out" 2>&1; then
        expect "dpkg --purge leaves neither the program folder nor the link" \
            test ! -e /usr/lib/corvane -a ! -L /usr/bin/corvane
    else
        fail "dpkg --purge: $(cat "$work/purge.out")"
    fi
    exit $((failures > 0))
fi

build_dir=${1:-$source_dir/build}
[ "$(id -u)" -eq 0 ] || { echo "run as root (dpkg -i in a private mount namespace)" >&2; exit 2; }

# The tools this check uses; the machine's package manager supplies any that are missing.
needed="lintian desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin scdoc \
man-db dpkg-dev fakeroot file zip"
missing=""
for p in $needed; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

[ -f "$build_dir/CMakeCache.txt" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja
cmake --build "$build_dir"

work=$(mktemp -d /tmp/corvane-install-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
packages="$work/packages"
(cd "$build_dir" && cpack -G DEB -B "$packages" >"$work/cpack.out" 2>&1) ||
    { cat "$work/cpack.out"; exit 1; }
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
expect "corvane_${version}_$arch.deb built" test -f "$packages/corvane_${version}_$arch.deb"
expect "corvane-window_${version}_$arch.deb built" \
    test -f "$packages/corvane-window_${version}_$arch.deb"

# Control fields: the script package pulls in no Qt; the window package needs the program.
depends=$(dpkg-deb -f "$packages/corvane_${version}_$arch.deb" Depends)
echo "corvane Depends: $depends"
expect "corvane depends on no Qt library" test -z "$(grep -io 'qt[^,]*' <<<"$depends")"
expect "corvane's dependencies come from its binaries (libssl3, libc6)" \
    grep -q 'libc6.*libssl3\|libssl3.*libc6' <<<"$depends"
expect "corvane depends on pugixml's library" grep -q 'libpugixml1v5' <<<"$depends"
window_depends=$(dpkg-deb -f "$packages/corvane-window_${version}_$arch.deb" Depends)
echo "corvane-window Depends: $window_depends"
expect "corvane-window depends on corvane (= $version)" \
    grep -qF "corvane (= $version)" <<<"$window_depends"
dpkg-deb -c "$packages/corvane_${version}_$arch.deb" >"$work/corvane.list"
dpkg-deb -c "$packages/corvane-window_${version}_$arch.deb" >"$work/corvane-window.list"
if grep -q corvane-window.so "$work/corvane-window.list"; then
    expect "corvane-window depends on Qt Widgets" grep -q 'libqt6widgets6' <<<"$window_depends"
    expect "corvane-window reads its help with libmspack" grep -q 'libmspack0' <<<"$window_depends"
fi
# Whatever was built goes into a package: the window module and the help file into the window's.
for built in corvane-window.so Corvane.chm; do
    if [ -f "$build_dir/$built" ]; then
        expect "corvane-window carries $built" \
            grep -q "/usr/lib/corvane/$built\$" "$work/corvane-window.list"
    fi
done
expect "corvane carries no Qt module" \
    test -z "$(grep -i 'window\|qt' "$work/corvane.list")"

# Lintian: no errors; the warnings it prints are listed in the log of this run.
if lintian --tag-display-limit 0 --fail-on error "$packages"/*.deb >"$work/lintian.out" 2>&1; then
    pass "lintian: no errors"
else
    fail "lintian reports errors"
fi
grep -E '^[EWI]: ' "$work/lintian.out" | sed 's/^/  /' || true

# AppStream across the unpacked packages: metainfo, its desktop entry and icons together.
for deb in "$packages"/*.deb; do dpkg-deb -x "$deb" "$work/tree"; done
if appstreamcli validate-tree --no-net "$work/tree" >"$work/tree.out" 2>&1; then
    pass "appstreamcli validate-tree of the packages"
else
    fail "appstreamcli validate-tree: $(cat "$work/tree.out")"
fi

# cmake --install with a prefix, staged under DESTDIR: everything lands under the prefix.
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build_dir" --prefix /usr >/dev/null
expect "cmake --install writes nothing outside the prefix" \
    test -z "$(find "$stage" -mindepth 1 -maxdepth 1 ! -name usr)"
expect "cmake --install: program in /usr/lib/corvane" test -x "$stage/usr/lib/corvane/corvane"
expect "cmake --install: /usr/bin/corvane links to it" \
    test "$(readlink "$stage/usr/bin/corvane")" = ../lib/corvane/corvane
mkdir -p "$work/stage-run"
(cd "$work/stage-run" && LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= "$stage/usr/bin/corvane" none.txt \
    >"$work/stage.out" 2>&1) || true
expect "staged program (prefix not /usr) finds its German module" \
    grep -q "Die Skriptdatei konnte nicht geöffnet werden" "$work/stage.out"

# The installed system, in a private mount namespace; without one, the unpacked packages.
status=0
if unshare -m true 2>/dev/null; then
    unshare -m --propagation private "$self" --inside "$work" "$packages" || status=$?
else
    status=3
fi
if [ "$status" -eq 3 ]; then
    echo "note: no private mount namespace with overlays here; checking the unpacked packages"
    installed_checks "$work/tree" "$work" "$packages"
elif [ "$status" -ne 0 ]; then
    failures=$((failures + 1))
fi

if [ "$failures" -gt 0 ]; then
    echo "install check: $failures failure(s)" >&2
    exit 1
fi
echo "install check: all passed"
