; The Windows installer: one setup.exe that installs Corvane for all users (Program Files, the
; 64-bit registry view, HKLM) or for the current user alone (AppData\Local\Programs, HKCU). The
; installer asks which; a silent install (/S) takes /ALLUSERS or /CURRENTUSER, /D=<folder> for a
; folder of its own, and /PATH adds the program folder to PATH (off unless asked for). An install
; of the same mode that is there already is installed over in its folder, whatever /D= says, so
; that no copy is left without its uninstaller. The program itself edits PATH (corvane.exe
; --add-to-path / --remove-from-path): the installer's strings hold 1,024 characters, less than
; many a PATH. Windows 10 version 1607 or later, as the program needs. The uninstaller removes
; what this script made and nothing else: profiles and wizard.log in the folder keep the folder.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0 -DDIST=<folder with the files> \
;            -DOUTFILE=<setup.exe> [-DICON=<corvane.ico>] [-DSIGN=<signing command>] corvane.nsi

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef DIST
  !error "DIST (the folder with the program files) is not defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE is not defined"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
Name "Corvane"
OutFile "${OUTFILE}"
BrandingText "Corvane ${VERSION}"

!define PUBLISHER "Corvane developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define PROGID "Corvane.ProfileDatabase"
!define CLASSES "Software\Classes"
; Windows 10 version 1607: the first with GetDpiForWindow, which the program imports.
!define MIN_WINDOWS_BUILD 14393
!define SHCNE_ASSOCCHANGED 0x08000000
; The Windows Installer package's UpgradeCode (corvane.wxs): it owns the same folder and file type
; as an all-users install.
!define MSI_UPGRADE_CODE "{B3C90277-E3D2-4521-A078-FF6877FAD80E}"

; What the installer puts into the program folder, besides the uninstaller; the uninstaller
; deletes exactly these.
!macro CORVANE_FILES OP
  !insertmacro ${OP} corvane.exe
  !insertmacro ${OP} corvane.com
  !insertmacro ${OP} Corvane_deDE.dll
  !insertmacro ${OP} Corvane.chm
  !insertmacro ${OP} LICENSE
  !insertmacro ${OP} README.txt
!macroend
!macro INSTALL_FILE NAME
  File "${DIST}\${NAME}"
!macroend
!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Corvane"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_NOUNINSTALL
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "$(AllUsersNotPossible)"
!define MULTIUSER_INSTALLMODE_FUNCTION InstallModeChosen
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinVer.nsh

; Signs the uninstaller as it is written and the installer once made, when a certificate is given.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"'
  !finalize '"${SIGN}" "%1"'
!endif

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
; An install of this mode that is there already keeps its folder: the page is not shown.
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderOfExistingInstall
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; the installer picks German when the user's language is.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString SecProgramName ${LANG_ENGLISH} "Corvane"
LangString SecProgramName ${LANG_GERMAN} "Corvane"
LangString SecProgramText ${LANG_ENGLISH} "The program, its German texts, the help file, a Start menu entry and the file type that offers Corvane in the Open with list of .odb files."
LangString SecProgramText ${LANG_GERMAN} "Das Programm, seine deutschen Texte, die Hilfedatei, ein Eintrag im Startmenü und der Dateityp, der Corvane in der Liste „Öffnen mit“ von .odb-Dateien anbietet."
LangString SecPathName ${LANG_ENGLISH} "Add to PATH"
LangString SecPathName ${LANG_GERMAN} "Zum PATH hinzufügen"
LangString SecPathText ${LANG_ENGLISH} "Adds the program folder to PATH, so that corvane script.txt runs in any console."
LangString SecPathText ${LANG_GERMAN} "Fügt den Programmordner zum PATH hinzu, damit corvane script.txt in jeder Konsole läuft."
LangString FileTypeName ${LANG_ENGLISH} "Corvane profile database"
LangString FileTypeName ${LANG_GERMAN} "Corvane-Profildatenbank"
LangString ShortcutText ${LANG_ENGLISH} "Prepare 802.1X wireless-network profiles for Orvo handhelds"
LangString ShortcutText ${LANG_GERMAN} "802.1X-WLAN-Profile für Orvo-Handhelds vorbereiten"
LangString PathNotAdded ${LANG_ENGLISH} "The program folder could not be added to PATH; PATH is unchanged."
LangString PathNotAdded ${LANG_GERMAN} "Der Programmordner konnte nicht zum PATH hinzugefügt werden; PATH ist unverändert."
LangString PathNotRemoved ${LANG_ENGLISH} "The program folder could not be removed from PATH."
LangString PathNotRemoved ${LANG_GERMAN} "Der Programmordner konnte nicht aus dem PATH entfernt werden."
LangString PackageInstalled ${LANG_ENGLISH} "Corvane is installed for all users from its Windows Installer package already. Uninstall it first, or install for the current user alone."
LangString PackageInstalled ${LANG_GERMAN} "Corvane ist bereits aus seinem Windows Installer-Paket für alle Benutzer installiert. Deinstallieren Sie es zuerst, oder installieren Sie nur für den aktuellen Benutzer."
LangString WindowsTooOld ${LANG_ENGLISH} "Corvane needs Windows 10 version 1607 or later."
LangString WindowsTooOld ${LANG_GERMAN} "Corvane benötigt Windows 10 Version 1607 oder neuer."
LangString AllUsersNotPossible ${LANG_ENGLISH} "Your user account does not have sufficient privileges to install or remove Corvane for all users of this computer."
LangString AllUsersNotPossible ${LANG_GERMAN} "Ihr Benutzerkonto hat nicht die nötigen Rechte, um Corvane für alle Benutzer dieses Computers zu installieren oder zu entfernen."

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Corvane"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Corvane Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "2026 ${PUBLISHER}"

; "AllUsers" or "CurrentUser" in the uninstaller (the installer keeps MultiUser's own).
Var Mode
; The folder /D= named ("" without), and the folder of an install of the chosen mode that is
; there already ("" without).
Var RequestedDir
Var ExistingDir

Section "$(SecProgramName)" SecProgram
  SectionIn RO
  ${If} $MultiUser.InstallMode == "AllUsers"
    ; 0 (ERROR_SUCCESS) when a product with the package's UpgradeCode is installed.
    System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
    ${If} $0 == 0
      DetailPrint "$(PackageInstalled)"
      MessageBox MB_OK|MB_ICONSTOP "$(PackageInstalled)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  SetOutPath "$INSTDIR"
  !insertmacro CORVANE_FILES INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Corvane.lnk" "$INSTDIR\corvane.exe" "" "$INSTDIR\corvane.exe" 0 \
      SW_SHOWNORMAL "" "$(ShortcutText)"

  ; The file type: offered in the Open with list of .odb files, never the extension's default,
  ; which belongs to whatever the user chose (an office suite uses .odb too).
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "$(FileTypeName)"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\corvane.exe,0"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\corvane.exe" --open "%1"'
  WriteRegNone SHCTX "${CLASSES}\.odb\OpenWithProgids" "${PROGID}"
  WriteRegNone SHCTX "${CLASSES}\.eap-config\OpenWithProgids" "${PROGID}"

  ; The entry in Apps and features. The uninstall strings carry the mode, so that removing one of
  ; two installs (all users and current user) never touches the other.
  SectionGetSize ${SecProgram} $0
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "Corvane"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\corvane.exe,0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" \
      '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" \
      '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'

  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Section /o "$(SecPathName)" SecPath
  ClearErrors
  ExecWait '"$INSTDIR\corvane.exe" --add-to-path $MultiUser.InstallMode $INSTDIR' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "$(PathNotAdded)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathNotAdded)" /SD IDOK
    ; A deployment must see that the install is not what was asked for.
    SetErrorLevel 2
    Return
  ${EndIf}
  ; Remembered for the uninstaller, which takes out this entry and no other.
  WriteRegStr SHCTX "${UNINST_KEY}" "PathEntry" "$INSTDIR"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(SecProgramText)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "$(SecPathText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Called by MultiUser whenever the mode is set: an install of that mode that is there already
; is installed over in its folder; otherwise the folder /D= named, or the mode's own.
Function InstallModeChosen
  ${If} $MultiUser.InstallMode == "AllUsers"
    ReadRegStr $ExistingDir HKLM "${UNINST_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $ExistingDir HKCU "${UNINST_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $ExistingDir != ""
    StrCpy $INSTDIR $ExistingDir
  ${ElseIf} $RequestedDir != ""
    StrCpy $INSTDIR $RequestedDir
  ${EndIf}
FunctionEnd

Function SkipFolderOfExistingInstall
  ${If} $ExistingDir != ""
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  ${IfNot} ${AtLeastWin10}
  ${OrIfNot} ${AtLeastBuild} ${MIN_WINDOWS_BUILD}
    MessageBox MB_OK|MB_ICONSTOP "$(WindowsTooOld)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetRegView 64
  ; NSIS has put /D= into $INSTDIR; MultiUser sets its own folder next.
  StrCpy $RequestedDir $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PATH" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "AllUsers"
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
      StrCpy $Mode "CurrentUser"
    ${Else}
      ; Started from the folder without a mode: the entry that names this folder tells which.
      ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
      ${If} $0 == $INSTDIR
        StrCpy $Mode "AllUsers"
      ${Else}
        StrCpy $Mode "CurrentUser"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $Mode == "AllUsers"
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "$(AllUsersNotPossible)" /SD IDOK
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The program takes its folder out of PATH, so it goes before the files.
  ReadRegStr $3 SHCTX "${UNINST_KEY}" "PathEntry"
  ${If} $3 != ""
    ClearErrors
    ExecWait '"$INSTDIR\corvane.exe" --remove-from-path $Mode $3' $0
    ${If} ${Errors}
    ${OrIf} $0 != 0
      DetailPrint "$(PathNotRemoved)"
      SetErrorLevel 2
    ${EndIf}
  ${EndIf}

  !insertmacro CORVANE_FILES REMOVE_FILE
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: profiles and wizard.log the user left here stay, and so does the folder.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Corvane.lnk"

  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegValue SHCTX "${CLASSES}\.odb\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.odb\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.odb"
  DeleteRegValue SHCTX "${CLASSES}\.eap-config\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.eap-config\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.eap-config"
  DeleteRegKey SHCTX "${UNINST_KEY}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
