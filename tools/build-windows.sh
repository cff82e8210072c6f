#!/bin/bash
# Builds the native 64-bit Windows Corvane with Debian's MinGW-w64 cross compiler and leaves the
# program and everything that lies beside it in <folder>/dist/ (default build-win/), without
# debugging sections (their symbols in <folder>/symbols/), then the installer, the Windows
# Installer package and the portable zip beside it.
#   tools/build-windows.sh [folder]
# With a code-signing certificate named in the environment (CORVANE_SIGN_PKCS12, or
# CORVANE_SIGN_CERT and CORVANE_SIGN_KEY; see packaging/windows/sign.sh) every program file, the
# installer, its uninstaller and the package are signed with osslsigncode.
# Run as root on Debian 12: it installs what it needs from Debian's own packages. OpenSSL's
# libcrypto, pugixml and GoogleTest are built from Debian's source once, into a cache outside the clone
# (CORVANE_WIN_CACHE, default /var/cache/corvane) that later builds reuse.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-build-win}")
cache=${CORVANE_WIN_CACHE:-/var/cache/corvane}
jobs=${CORVANE_JOBS:-2}
host=x86_64-w64-mingw32

packages="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools wine64 wine \
googletest nlohmann-json3-dev cmake ninja-build perl make dpkg-dev fp-utils openssl xvfb xdotool nsis zip \
unzip msitools wixl osslsigncode"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing
fi

# OpenSSL: the source of the version the release ships today (its security updates included),
# fetched by apt, which verifies it against Debian's signed archive.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        >/etc/apt/sources.list.d/corvane-src.sources
    apt-get update -qq
fi
# The newest source the archive offers; a version the mirror no longer carries is skipped.
versions=$(apt-cache showsrc openssl | sed -n 's/^Version: //p' | sort -rV)
ssl=""
for v in $versions; do
    if [ -f "$cache/openssl-mingw64-$v/lib/libcrypto.a" ]; then ssl="$cache/openssl-mingw64-$v"; break; fi
done
if [ -z "$ssl" ]; then
    mkdir -p "$cache"
    work=$(mktemp -d "$cache/openssl-src.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    for v in $versions; do
        if (cd "$work" && apt-get source -qq "openssl=$v" >/dev/null 2>&1); then version=$v; break; fi
    done
    [ -n "${version:-}" ] || { echo "No openssl source package could be fetched" >&2; exit 1; }
    ssl="$cache/openssl-mingw64-$version"
    tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'openssl-*' | head -n1)
    echo "Building libcrypto $version for Windows (once, into $ssl)"
    rm -rf "$ssl.part"
    (cd "$tree" &&
        ./Configure mingw64 no-shared no-tests no-engine no-dso --cross-compile-prefix=$host- \
            --prefix="$ssl.part" --libdir=lib >/dev/null &&
        make -s -j"$jobs" build_libs >/dev/null &&
        mkdir -p "$ssl.part/lib" &&
        cp libcrypto.a "$ssl.part/lib/" &&
        cp -r include "$ssl.part/")
    rm -rf "$work"
    mv "$ssl.part" "$ssl"
fi

# pugixml from Debian's source, fetched and verified by apt like OpenSSL's: its one source file
# built with the cross compiler into a static library.
pugi_versions=$(apt-cache showsrc pugixml | sed -n 's/^Version: //p' | sort -rV)
pugixml=""
for v in $pugi_versions; do
    if [ -f "$cache/pugixml-mingw64-$v/lib/libpugixml.a" ]; then pugixml="$cache/pugixml-mingw64-$v"; break; fi
done
if [ -z "$pugixml" ]; then
    mkdir -p "$cache"
    work=$(mktemp -d "$cache/pugixml-src.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    for v in $pugi_versions; do
        if (cd "$work" && apt-get source -qq "pugixml=$v" >/dev/null 2>&1); then pugi_version=$v; break; fi
    done
    [ -n "${pugi_version:-}" ] || { echo "No pugixml source package could be fetched" >&2; exit 1; }
    pugixml="$cache/pugixml-mingw64-$pugi_version"
    tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'pugixml-*' | head -n1)
    echo "Building pugixml $pugi_version for Windows (once, into $pugixml)"
    rm -rf "$pugixml.part"
    mkdir -p "$pugixml.part/lib" "$pugixml.part/include"
    $host-g++-posix -std=c++20 -O2 -fstack-protector-strong -c "$tree/src/pugixml.cpp" \
        -o "$work/pugixml.o"
    $host-ar rcs "$pugixml.part/lib/libpugixml.a" "$work/pugixml.o"
    cp "$tree/src/pugixml.hpp" "$tree/src/pugiconfig.hpp" "$pugixml.part/include/"
    rm -rf "$work"
    mv "$pugixml.part" "$pugixml"
fi

# GoogleTest from Debian's googletest source, built with the cross compiler.
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gtest="$cache/googletest-mingw64-$gtest_version"
if [ ! -f "$gtest/lib/libgtest.a" ]; then
    rm -rf "$gtest.build"
    cmake -S /usr/src/googletest -B "$gtest.build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$gtest.part" -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build "$gtest.build" -j"$jobs" >/dev/null
    cmake --install "$gtest.build" >/dev/null
    rm -rf "$gtest.build"
    mv "$gtest.part" "$gtest"
fi

# nlohmann-json is header-only: Debian's headers, copied into a root of their own so that the
# cross build finds them without the host's include folder and its other headers.
json_version=$(dpkg-query -W -f='${Version}' nlohmann-json3-dev)
json="$cache/nlohmann-json-$json_version"
if [ ! -f "$json/include/nlohmann/json.hpp" ]; then
    rm -rf "$json.part"
    mkdir -p "$json.part/include"
    cp -r /usr/include/nlohmann "$json.part/include/"
    mv "$json.part" "$json"
fi

cmake -S "$src" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DOPENSSL_USE_STATIC_LIBS=ON \
    -DCORVANE_WINDOWS_ROOTS="$ssl;$gtest;$json;$pugixml"
cmake --build "$out" -j"$jobs"

# Everything is linked in: the programs may import only DLLs that Windows itself ships.
for program in corvane.exe corvane.com; do
    foreign=$($host-objdump -p "$out/$program" | sed -n 's/^\s*DLL Name: //p' |
        grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ws2_32|crypt32|bcrypt|msvcrt|ole32|comctl32|comdlg32|shlwapi|hhctrl\.ocx|uxtheme|msimg32)(\.dll)?$' || true)
    if [ -n "$foreign" ]; then
        echo "$program imports DLLs that Windows does not ship: $foreign" >&2
        exit 1
    fi
done

rm -rf "$out/dist" "$out/symbols"
mkdir -p "$out/dist" "$out/symbols"
# What ships has no debugging sections; their symbols stay beside the build, each file linked to
# its own by name and checksum for a debugger.
for file in corvane.exe corvane.com Corvane_deDE.dll; do
    $host-objcopy --only-keep-debug "$out/$file" "$out/symbols/$file.debug"
    $host-objcopy --strip-all --add-gnu-debuglink="$out/symbols/$file.debug" "$out/$file" \
        "$out/dist/$file"
done
cp "$out/Corvane.chm" "$src/LICENSE" "$out/dist/"
if [ -n "${CORVANE_SIGN_PKCS12:-}${CORVANE_SIGN_CERT:-}" ]; then
    "$src/packaging/windows/sign.sh" "$out/dist/corvane.exe" "$out/dist/corvane.com" \
        "$out/dist/Corvane_deDE.dll"
fi
echo "Windows build in $out/dist"
"$src/packaging/windows/package.sh" "$out"
