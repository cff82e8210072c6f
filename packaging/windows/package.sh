#!/bin/bash
# Makes the Windows installer, the Windows Installer package and the portable zip from a Windows
# build's dist/ folder: <folder>/corvane-<version>-setup.exe, corvane-<version>-win64.msi and
# corvane-<version>-win64.zip beside dist/. Adds the Windows README (CR LF line ends, for
# Notepad) to dist/ first. With a code-signing certificate in the environment (see sign.sh) the
# installer, its uninstaller and the package are signed.
#   packaging/windows/package.sh <Windows build folder>      (needs nsis, wixl, msitools and zip)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath "$1")
dist=$out/dist
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
[ -n "$version" ] || { echo "No project version in $out/CMakeCache.txt" >&2; exit 1; }

sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/README.txt.in" >"$dist/README.txt"

setup=$out/corvane-$version-setup.exe
icon=$out/windows/corvane.ico
signing=()
sign=false
if [ -n "${CORVANE_SIGN_PKCS12:-}${CORVANE_SIGN_CERT:-}" ]; then
    signing=(-DSIGN="$here/sign.sh")
    sign=true
fi
makensis -V2 -WX -INPUTCHARSET UTF8 -DVERSION="$version" -DDIST="$dist" -DOUTFILE="$setup" \
    -DICON="$icon" "${signing[@]}" "$here/corvane.nsi"

# The package for managed deployment, from the same files.
msi=$out/corvane-$version-win64.msi
"$here/make-msi.sh" "$dist" "$icon" "$version" "$msi"
if $sign; then "$here/sign.sh" "$msi"; fi

# The zip unpacks into a folder of its own, named like the installed one.
zip=$out/corvane-$version-win64.zip
stage=$(mktemp -d "$out/zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp -r "$dist" "$stage/Corvane"
rm -f "$zip"
(cd "$stage" && zip -q -9 -X -r "$zip" Corvane)
echo "Windows installer $setup, package $msi and portable zip $zip"
