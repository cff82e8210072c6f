#!/bin/bash
# Makes the Windows installer and the portable zip from a Windows build's dist/ folder:
# <folder>/corvane-<version>-setup.exe and <folder>/corvane-<version>-win64.zip beside dist/.
# Adds the Windows README (CR LF line ends, for Notepad) to dist/ first.
#   packaging/windows/package.sh <Windows build folder>      (needs nsis and zip)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath "$1")
dist=$out/dist
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
[ -n "$version" ] || { echo "No project version in $out/CMakeCache.txt" >&2; exit 1; }

sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/README.txt.in" >"$dist/README.txt"

setup=$out/corvane-$version-setup.exe
icon=()
if [ -f "$out/windows/corvane.ico" ]; then icon=(-DICON="$out/windows/corvane.ico"); fi
makensis -V2 -WX -INPUTCHARSET UTF8 -DVERSION="$version" -DDIST="$dist" -DOUTFILE="$setup" \
    "${icon[@]}" "$here/corvane.nsi"

# The zip unpacks into a folder of its own, named like the installed one.
zip=$out/corvane-$version-win64.zip
stage=$(mktemp -d "$out/zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp -r "$dist" "$stage/Corvane"
rm -f "$zip"
(cd "$stage" && zip -q -9 -X -r "$zip" Corvane)
echo "Windows installer $setup and portable zip $zip"
