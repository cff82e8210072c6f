#!/bin/bash
# Makes the Windows Installer package from a folder with the program files (corvane.wxs).
# wixl takes no launch conditions of our own, so they are added to its table afterwards.
#   packaging/windows/make-msi.sh <dist folder> <corvane.ico> <version> <output.msi>
#   (needs wixl and msitools)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$(realpath "$1")
icon=$(realpath "$2")
version=$3
msi=$(realpath -m "$4")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# wixl finds sources relative to the folder it runs in.
ln -s "$dist" "$stage/dist"
ln -s "$icon" "$stage/corvane.ico"
(cd "$stage" && wixl -a x64 -D Version="$version" -D Dist=dist -D Icon=corvane.ico \
    -o "$stage/package.msi" "$here/corvane.wxs")
condition() { # condition, message
    msibuild "$stage/package.msi" -q "INSERT INTO \`LaunchCondition\` (\`Condition\`, \`Description\`)
        VALUES ('$1', '$2')"
}
condition 'Installed OR WINDOWSBUILDNUMBER >= 14393' 'Corvane needs Windows 10 version 1607 or later.'
condition 'Installed OR NOT SETUPINSTALL' \
    'Corvane is installed for all users by its setup program already. Uninstall it first.'
mv "$stage/package.msi" "$msi"
