#!/bin/bash
# The Windows installer as a user meets it, under Wine in a fresh prefix: silent installs for the
# current user (German, /PATH) and for all users (English) side by side, read back with
# `wine reg query`; the installed corvane.com at work; the portable zip; then both silent
# uninstalls, which must leave nothing of ours and everything of the user's.
#   tests/windows/installer_check.sh [linux build folder] [windows build folder]
#   (after the Linux build and tools/build-windows.sh)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(realpath "${1:-$source_dir/build}")
win=$(realpath "${2:-$source_dir/build-win}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
setup=$win/corvane-$version-setup.exe
portable=$win/corvane-$version-win64.zip
files="corvane.exe corvane.com Corvane_deDE.dll Corvane.chm LICENSE README.txt"
uninst='Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
progid=Corvane.ProfileDatabase
type_key="Software\\Classes\\$progid"
# The office suite that also uses .odb: its default and its own "Open with" entry must survive.
office_progid=Office.Database
user_path='C:\Tools'

failures=0
expect() { # description, command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2 && failures=$((failures + 1)); fi
}
# Two saves of one profile differ only in the creation and modification dates, bytes 36 to 43.
same_apart_from_dates() { cmp -s <(head -c 36 "$1" && tail -c +45 "$1") <(head -c 36 "$2" && tail -c +45 "$2"); }
same() { [ "$1" = "$2" ] || { echo "  got:      $1" >&2 && echo "  expected: $2" >&2 && false; }; }

work=$(mktemp -d "$win/installer-check.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
# Wine's user language follows LC_ALL even where the locale is not generated; LANG alone does not
# make GetUserDefaultUILanguage German then.
german() { LC_ALL=de_DE.UTF-8 "$@"; }
english() { LC_ALL=C.UTF-8 "$@"; }

wineboot -i >/dev/null 2>&1
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# "TYPE VALUE" of one registry value ("" for the key's default value), or nothing when missing.
reg_value() {
    local name=${2:-(Default)} which=(/ve)
    [ -z "$2" ] || which=(/v "$2")
    wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
        grep -F "    $name    REG_" | sed -e "s/^    .*    \(REG_[A-Z_]*\)    \{0,1\}/\1 /" -e 's/ *$//'
}
reg_key_gone() { ! wine reg query "$1" >/dev/null 2>&1; }
run_waiting() { "$@" && wineserver -w; } # the uninstaller hands over to a copy of itself

wine reg add 'HKLM\Software\Classes\.odb' /ve /d "$office_progid" /f >/dev/null
wine reg add 'HKLM\Software\Classes\.odb\OpenWithProgids' /v "$office_progid" /d "" /f >/dev/null
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$user_path" /f >/dev/null
system_env='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path=$(reg_value "$system_env" Path)

expect "the current-user install (German) exits with 0" run_waiting german wine "$setup" /S /CURRENTUSER /PATH
expect "the all-users install (English) exits with 0" run_waiting english wine "$setup" /S /ALLUSERS

# Per mode: registry root, the folder the install belongs in, the Start menu, the file type name.
local_appdata=$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')
check_install() { # root folder start_menu type_name mode
    local root=$1 folder=$2 menu=$3 type_name=$4 mode=$5 dir key name want
    dir=$(unix_path "$folder")
    for f in $files uninstall.exe; do
        expect "$root: $f installed" test -s "$dir/$f"
    done
    expect "$root: Start menu shortcut" test -s "$(unix_path "$menu")/Corvane.lnk"
    expect "$root: EstimatedSize is set" test "$(reg_value "$root\\$uninst" EstimatedSize)" != "REG_DWORD 0x0"
    while IFS='|' read -r key name want; do
        expect "$root\\$key: ${name:-(Default)}" same "$(reg_value "$root\\$key" "$name")" "$want"
    done <<EOT
$uninst|InstallLocation|REG_SZ $folder
$uninst|DisplayName|REG_SZ Corvane
$uninst|DisplayVersion|REG_SZ $version
$uninst|Publisher|REG_SZ Corvane developers
$uninst|DisplayIcon|REG_SZ $folder\corvane.exe,0
$uninst|UninstallString|REG_SZ "$folder\uninstall.exe" /$mode
$uninst|QuietUninstallString|REG_SZ "$folder\uninstall.exe" /S /$mode
$type_key||REG_SZ $type_name
$type_key\DefaultIcon||REG_SZ $folder\corvane.exe,0
$type_key\shell\open\command||REG_SZ "$folder\corvane.exe" --open "%1"
Software\Classes\.odb\OpenWithProgids|$progid|REG_NONE
Software\Classes\.eap-config\OpenWithProgids|$progid|REG_NONE
EOT
}
check_install HKCU "$local_appdata\\Programs\\Corvane" \
    "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" \
    "Corvane-Profildatenbank" CurrentUser
check_install HKLM 'C:\Program Files\Corvane' 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' \
    "Corvane profile database" AllUsers
office_intact() {
    same "$(reg_value 'HKLM\Software\Classes\.odb' '')" "REG_SZ $office_progid" &&
        same "$(reg_value 'HKLM\Software\Classes\.odb\OpenWithProgids' $office_progid)" "REG_SZ"
}
expect "the office suite keeps .odb's default and its Open with entry" office_intact
expect "/PATH appends the user's install folder to the user's PATH" same \
    "$(reg_value 'HKCU\Environment' Path)" "REG_EXPAND_SZ $user_path;$local_appdata\\Programs\\Corvane"
expect "the system PATH is unchanged without /PATH" same "$(reg_value "$system_env" Path)" "$system_path"

# The example run by the installed program from another folder, against the Linux build.
user_dir=$(unix_path "$local_appdata\\Programs\\Corvane")
all_dir=$(unix_path 'C:\Program Files\Corvane')
for d in linux run; do
    mkdir "$work/$d" && cp "$source_dir/examples/office.txt" "$source_dir/examples/example-ca.pem" "$work/$d/"
done
(cd "$work/linux" && "$linux/corvane" office.txt >/dev/null)
in_run() { (cd "$work/run" && "$@" >"$work/out" 2>&1); }
expect "the installed corvane.com runs the example with exit code 0" \
    in_run english wine "$all_dir/corvane.com" office.txt
expect "it writes the Linux build's .odb bytes apart from the dates" \
    same_apart_from_dates "$work/run/office.odb" "$work/linux/office.odb"
status=0
in_run german wine cmd /c 'corvane missing.txt' || status=$?
expect "corvane, found through PATH in cmd, exits with 1 for a missing script" test "$status" -eq 1
expect "German messages under a German user language" \
    grep -q "Die Skriptdatei konnte nicht geöffnet werden: missing.txt" "$work/out"

# The portable zip: the installed files, byte for byte, and nothing else.
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$portable")
expect "the zip holds the installed files" diff -r -x uninstall.exe "$work/zip/Corvane" "$all_dir"

# What the user made: profiles beside both install folders, a log inside one.
cp "$work/run/office.odb" "${user_dir%/*}/saved.odb"
cp "$work/run/office.odb" "${all_dir%/*}/saved.odb"
cp "$work/run/wizard.log" "$all_dir/wizard.log"

quiet_uninstall() { # root: runs the entry's QuietUninstallString, "program" arguments
    local command program
    command=$(reg_value "$1\\$uninst" QuietUninstallString | sed 's/^REG_SZ //')
    program=${command#\"}
    program=${program%%\"*}
    # shellcheck disable=SC2086 # the arguments are words
    run_waiting wine "$program" ${command#\""$program"\" }
}
expect "the current user's quiet uninstall exits with 0" quiet_uninstall HKCU
expect "the all users' quiet uninstall exits with 0" quiet_uninstall HKLM
for dir in "$user_dir" "$all_dir"; do
    expect "the profile saved beside $dir is still there" cmp -s "${dir%/*}/saved.odb" "$work/run/office.odb"
done
expect "the emptied current-user folder is gone" test ! -e "$user_dir"
expect "only the user's wizard.log is left in the all-users folder" same "$(ls -A "$all_dir")" wizard.log
expect "the user's wizard.log is unchanged" cmp -s "$all_dir/wizard.log" "$work/run/wizard.log"
expect "nothing named Corvane is left but the folder with the user's log" same \
    "$(cd "$WINEPREFIX/drive_c" && find . -iname '*corvane*')" "./Program Files/Corvane"
for root in HKCU HKLM; do
    expect "$root: uninstall entry gone" reg_key_gone "$root\\$uninst"
    expect "$root: file type gone" reg_key_gone "$root\\$type_key"
    expect "$root: gone from .odb's Open with list" same "$(reg_value "$root\\Software\\Classes\\.odb\\OpenWithProgids" $progid)" ""
done
expect "the user's .odb key we made is gone, empty" reg_key_gone 'HKCU\Software\Classes\.odb'
expect "the office suite still has .odb's default and its Open with entry" office_intact
expect "the user's PATH is back as it was" same "$(reg_value 'HKCU\Environment' Path)" "REG_EXPAND_SZ $user_path"

if [ "$failures" -ne 0 ]; then
    echo "$failures installer check(s) failed" >&2
    exit 1
fi
echo "installer checks passed"
