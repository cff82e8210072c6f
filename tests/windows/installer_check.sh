#!/bin/bash
# The Windows installer as a user meets it, under Wine in a fresh prefix: both installers refuse
# an older Windows; silent installs for the current user (German, /PATH to a PATH of 2,000
# characters, /D= a folder of its own) and for all users (English) side by side, each installed
# over in place again, read back with `wine reg query`; the installed corvane.com at work; the
# portable zip; then both silent uninstalls, which must leave nothing of ours and everything of
# the user's. Then the Windows Installer package: installed, upgraded in place by a later
# version, uninstalled, with msiexec.
#   tests/windows/installer_check.sh [linux build folder] [windows build folder]
#   (after the Linux build and tools/build-windows.sh)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(realpath "${1:-$source_dir/build}")
win=$(realpath "${2:-$source_dir/build-win}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
setup=$win/corvane-$version-setup.exe
portable=$win/corvane-$version-win64.zip
msi=$win/corvane-$version-win64.msi
files="corvane.exe corvane.com Corvane_deDE.dll Corvane.chm LICENSE README.txt"
uninstall_root='Software\Microsoft\Windows\CurrentVersion\Uninstall'
uninst=$uninstall_root\\Corvane
progid=Corvane.ProfileDatabase
type_key="Software\\Classes\\$progid"
# The office suite that also uses .odb: its default and its own "Open with" entry must survive.
office_progid=Office.Database
# An administrator's PATH, longer than the installer's own strings (1,024 characters).
user_path='C:\Tools'
while [ ${#user_path} -lt 2000 ]; do user_path="$user_path;C:\Program Files\Vendor ${#user_path}\bin"; done
# The current user's install goes where /D= says.
user_folder='C:\Apps\My Corvane'

failures=0
expect() { # description, command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2 && failures=$((failures + 1)); fi
}
# Two saves of one profile differ only in the creation and modification dates, bytes 36 to 43.
same_apart_from_dates() { cmp -s <(head -c 36 "$1" && tail -c +45 "$1") <(head -c 36 "$2" && tail -c +45 "$2"); }
same() { [ "$1" = "$2" ] || { echo "  got:      $1" >&2 && echo "  expected: $2" >&2 && false; }; }
not() { ! "$@"; }
exits_with() { local want=$1 status=0; shift; "$@" || status=$?; same "$status" "$want"; } # code command...

work=$(mktemp -d "$win/installer-check.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
# Wine's user language follows LC_ALL even where the locale is not generated; LANG alone does not
# make GetUserDefaultUILanguage German then.
german() { LC_ALL=de_DE.UTF-8 "$@"; }
english() { LC_ALL=C.UTF-8 "$@"; }

wineboot -i >/dev/null 2>&1
# Debian's Wine calls itself Windows 7 unless told otherwise; the installers need Windows 10 1607.
wine winecfg -v win10
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

# Windows 8.1: both installers refuse and install nothing.
wine winecfg -v win81
expect "the setup program refuses Windows 8.1" not run_waiting english wine "$setup" /S /ALLUSERS
expect "the package refuses Windows 8.1" not wine msiexec /i "$msi" /qn
wine winecfg -v win10
expect "nothing installed on Windows 8.1" same "$(cd "$WINEPREFIX/drive_c" && find . -iname '*corvane*')" ""

# /D= takes the rest of the command line as it stands, blanks and all, so it cannot come through
# Wine's quoting of an argument: it goes through a batch file, as deployments run it.
setup_in_batch() { # setup.exe arguments, as one line
    printf '@"%s" %s\r\n@exit /b %%ERRORLEVEL%%\r\n' "$(wine winepath -w "$setup" | tr -d '\r')" "$1" \
        >"$work/setup.bat"
    wine cmd /c "$(wine winepath -w "$work/setup.bat" | tr -d '\r')" && wineserver -w
}
expect "the current-user install (German) exits with 0" \
    german setup_in_batch "/S /CURRENTUSER /PATH /D=$user_folder"
expect "the all-users install (English) exits with 0" run_waiting english wine "$setup" /S /ALLUSERS
# Again, as an upgrade would: each over its own install, in its folder, whatever /D= says.
expect "the current-user install again exits with 0" \
    run_waiting german wine "$setup" /S /CURRENTUSER /PATH
expect "the all-users install again exits with 0" \
    run_waiting english wine "$setup" /S /ALLUSERS '/D=C:\Elsewhere'
expect "neither went to another folder" same "$(cd "$WINEPREFIX/drive_c" && ls -d Elsewhere \
    users/*/AppData/Local/Programs/Corvane 2>/dev/null)" ""

# A PATH that cannot take one more entry (an environment variable holds 32,767 characters): a
# silent install says so with exit code 2 and leaves PATH as it was.
path_before=$(reg_value 'HKCU\Environment' Path | sed 's/^REG_EXPAND_SZ //')
full_path=$(printf 'C:\\\\Full;%.0s' $(seq 4094))C:\\\\Full
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Environment]\r\n"Path"="%s"\r\n' \
    "$full_path" >"$work/full-path.reg"
wine regedit /s "$(wine winepath -w "$work/full-path.reg" | tr -d '\r')"
expect "a silent install that cannot add to a full PATH exits with 2" \
    exits_with 2 run_waiting german wine "$setup" /S /CURRENTUSER /PATH
expect "and leaves that PATH as it was" same "$(reg_value 'HKCU\Environment' Path)" \
    "REG_SZ ${full_path//\\\\/\\}"
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null

# Per mode: registry root, the folder the install belongs in, the Start menu, the file type name.
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
check_install HKCU "$user_folder" \
    "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" \
    "Corvane-Profildatenbank" CurrentUser
check_install HKLM 'C:\Program Files\Corvane' 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' \
    "Corvane profile database" AllUsers
office_intact() {
    same "$(reg_value 'HKLM\Software\Classes\.odb' '')" "REG_SZ $office_progid" &&
        same "$(reg_value 'HKLM\Software\Classes\.odb\OpenWithProgids' $office_progid)" "REG_SZ"
}
expect "the office suite keeps .odb's default and its Open with entry" office_intact
expect "/PATH appends the user's install folder to the user's long PATH, once" same \
    "$(reg_value 'HKCU\Environment' Path)" "REG_EXPAND_SZ $user_path;$user_folder"
expect "the system PATH is unchanged without /PATH" same "$(reg_value "$system_env" Path)" "$system_path"

# The example run by the installed program from another folder, against the Linux build.
user_dir=$(unix_path "$user_folder")
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
# Wine cuts the PATH it builds from the registry at about 1,000 characters (Windows takes 32,767),
# so the console gets the user's PATH value as the installer left it.
path_value=$(reg_value 'HKCU\Environment' Path | sed 's/^REG_EXPAND_SZ //')
in_run german wine cmd /c "set PATH=$path_value& corvane missing.txt" || status=$?
expect "corvane, found through PATH in cmd, exits with 1 for a missing script" test "$status" -eq 1
# Redirected, the console writes in its OEM code page, which type and find read: 850 in German.
expect "German messages under a German user language, in the console's code page" \
    sh -c 'iconv -f CP850 -t UTF-8 "$1" | grep -q "Die Skriptdatei konnte nicht geöffnet werden: missing.txt"' _ "$work/out"

# The portable zip: the installed files, byte for byte, and nothing else.
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$portable")
expect "the zip holds the installed files" diff -r -x uninstall.exe "$work/zip/Corvane" "$all_dir"

# What the user made: profiles beside both install folders, a log inside one.
cp "$work/run/office.odb" "${user_dir%/*}/saved.odb"
cp "$work/run/office.odb" "${all_dir%/*}/saved.odb"
cp "$work/run/wizard.log" "$all_dir/wizard.log"

expect "the package refuses to install beside the setup program's all-users install" \
    not wine msiexec /i "$msi" /qn

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

# The Windows Installer package, where the setup program's installs were: installed, then
# upgraded in place by a later version made from the same files, then uninstalled.
later=$work/corvane-later.msi
"$source_dir/packaging/windows/make-msi.sh" "$win/dist" "$win/windows/corvane.ico" "$version.1" "$later"
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
check_package() { # msi version
    local entry key name want
    entry="HKLM\\$uninstall_root\\$(product_code "$1")"
    for f in $files; do
        expect "package $2: $f installed as built" cmp -s "$win/dist/$f" "$all_dir/$f"
    done
    # In the Start menu of all users on Windows; Wine's msiexec puts a per-machine package's
    # ProgramMenuFolder in the user's own.
    expect "package $2: Start menu shortcut" same "$(cd "$WINEPREFIX/drive_c" &&
        find ProgramData/Microsoft/Windows users/*/AppData/Roaming/Microsoft/Windows \
            -path '*/Start Menu/Programs/Corvane.lnk' -size +0 | wc -l)" 1
    while IFS='|' read -r key name want; do
        expect "package $2: $key: ${name:-(Default)}" same "$(reg_value "$key" "$name")" "$want"
    done <<EOT
$entry|DisplayName|REG_SZ Corvane
$entry|DisplayVersion|REG_SZ $2
HKLM\\$type_key||REG_SZ Corvane profile database
HKLM\\$type_key\\shell\\open\\command||REG_SZ "C:\\Program Files\\Corvane\\corvane.exe" --open "%1"
HKLM\\Software\\Classes\\.odb\\OpenWithProgids|$progid|REG_SZ
EOT
}
expect "msiexec installs the package" wine msiexec /i "$msi" /qn
check_package "$msi" "$version"
expect "the installed corvane.com runs from the package" in_run english wine "$all_dir/corvane.com" office.txt
expect "the setup program refuses to install for all users beside the package, with 2" \
    exits_with 2 run_waiting english wine "$setup" /S /ALLUSERS
expect "and makes no entry of its own" reg_key_gone "HKLM\\$uninst"
expect "msiexec installs the later version over it" wine msiexec /i "$later" /qn
check_package "$later" "$version.1"
expect "the earlier version's entry is gone" reg_key_gone "HKLM\\$uninstall_root\\$(product_code "$msi")"
expect "msiexec uninstalls the package" wine msiexec /x "$later" /qn
expect "only the user's wizard.log is left in the folder after the package" same "$(ls -A "$all_dir")" wizard.log
expect "no Start menu entry is left by the package" same "$(cd "$WINEPREFIX/drive_c" && find . -iname 'corvane.lnk')" ""
expect "the package's entry is gone" reg_key_gone "HKLM\\$uninstall_root\\$(product_code "$later")"
expect "the package's file type is gone" reg_key_gone "HKLM\\$type_key"
expect "the package is gone from .odb's Open with list" same "$(reg_value 'HKLM\Software\Classes\.odb\OpenWithProgids' $progid)" ""
expect "the office suite still has .odb's default and its Open with entry after the package" office_intact

if [ "$failures" -ne 0 ]; then
    echo "$failures installer check(s) failed" >&2
    exit 1
fi
echo "installer checks passed"
