; The Windows installer: one setup.exe that installs Corvane for all users (Program Files, the
; 64-bit registry view, HKLM) or for the current user alone (AppData\Local\Programs, HKCU). The
; installer asks which; a silent install (/S) takes /ALLUSERS or /CURRENTUSER, and /PATH adds the
; program folder to PATH (off unless asked for). The uninstaller removes what this script made
; and nothing else: profiles and wizard.log in the folder keep the folder.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0 -DDIST=<folder with the files> \
;            -DOUTFILE=<setup.exe> [-DICON=<corvane.ico>] corvane.nsi

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
!define SYSTEM_ENV "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define USER_ENV "Environment"
!define SHCNE_ASSOCCHANGED 0x08000000

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
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
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
LangString PathTooLong ${LANG_ENGLISH} "PATH is too long to be changed safely. The program folder was not added to it."
LangString PathTooLong ${LANG_GERMAN} "PATH ist zu lang, um sicher geändert zu werden. Der Programmordner wurde nicht hinzugefügt."
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
; The environment Path value as read, and whether reading it worked.
Var EnvPath

!macro READ_ENV_PATH MODE
  ClearErrors
  ${If} ${MODE} == "AllUsers"
    ReadRegStr $EnvPath HKLM "${SYSTEM_ENV}" "Path"
  ${Else}
    ReadRegStr $EnvPath HKCU "${USER_ENV}" "Path"
  ${EndIf}
!macroend

!macro WRITE_ENV_PATH MODE
  ${If} ${MODE} == "AllUsers"
    ${If} $EnvPath == ""
      DeleteRegValue HKLM "${SYSTEM_ENV}" "Path"
    ${Else}
      WriteRegExpandStr HKLM "${SYSTEM_ENV}" "Path" $EnvPath
    ${EndIf}
  ${Else}
    ${If} $EnvPath == ""
      DeleteRegValue HKCU "${USER_ENV}" "Path"
    ${Else}
      WriteRegExpandStr HKCU "${USER_ENV}" "Path" $EnvPath
    ${EndIf}
  ${EndIf}
  ; Consoles started from Explorer from now on see the new value.
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

; Whether the environment key has a Path value at all ($0: 1 or 0). ReadRegStr fails both for a
; missing value and for one longer than the installer's strings; only the first may be written.
!macro ENV_PATH_EXISTS MODE
  StrCpy $0 0
  StrCpy $1 0
  ${Do}
    ${If} ${MODE} == "AllUsers"
      EnumRegValue $2 HKLM "${SYSTEM_ENV}" $1
    ${Else}
      EnumRegValue $2 HKCU "${USER_ENV}" $1
    ${EndIf}
    ${If} $2 == ""
      ${Break}
    ${EndIf}
    ${If} $2 == "Path"
      StrCpy $0 1
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
!macroend

Section "$(SecProgramName)" SecProgram
  SectionIn RO
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
  !insertmacro READ_ENV_PATH $MultiUser.InstallMode
  ${If} ${Errors}
    !insertmacro ENV_PATH_EXISTS $MultiUser.InstallMode
    ${If} $0 == 1
      DetailPrint "$(PathTooLong)"
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathTooLong)" /SD IDOK
      Return
    ${EndIf}
    StrCpy $EnvPath ""
  ${EndIf}
  Push $EnvPath
  Push $INSTDIR
  Call PathWithout
  Pop $EnvPath
  StrLen $1 $EnvPath
  StrLen $2 $INSTDIR
  IntOp $1 $1 + $2
  IntOp $1 $1 + 2
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "$(PathTooLong)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(PathTooLong)" /SD IDOK
    Return
  ${EndIf}
  ${If} $EnvPath == ""
    StrCpy $EnvPath "$INSTDIR"
  ${Else}
    StrCpy $EnvPath "$EnvPath;$INSTDIR"
  ${EndIf}
  !insertmacro WRITE_ENV_PATH $MultiUser.InstallMode
  ; Remembered for the uninstaller, which takes out this entry and no other.
  WriteRegStr SHCTX "${UNINST_KEY}" "PathEntry" "$INSTDIR"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(SecProgramText)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "$(SecPathText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A PATH list without the given entry (case ignored, as Windows compares paths), and without
; empty entries. Stack: list, entry (top) -> list.
!macro PATH_WITHOUT_FUNCTION PREFIX
Function ${PREFIX}PathWithout
  Exch $R1 ; entry
  Exch
  Exch $R0 ; list
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  StrCpy $R2 "" ; result
  StrCpy $R3 "" ; current entry
  StrCpy $R4 0  ; index
  ${Do}
    StrCpy $R5 $R0 1 $R4
    ${If} $R5 == ";"
    ${OrIf} $R5 == ""
      ${If} $R3 != ""
      ${AndIf} $R3 != $R1
      ${AndIf} $R3 != "$R1\"
        ${If} $R2 == ""
          StrCpy $R2 $R3
        ${Else}
          StrCpy $R2 "$R2;$R3"
        ${EndIf}
      ${EndIf}
      StrCpy $R3 ""
      ${If} $R5 == ""
        ${Break}
      ${EndIf}
    ${Else}
      StrCpy $R3 "$R3$R5"
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
  StrCpy $R0 $R2
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT_FUNCTION ""
!insertmacro PATH_WITHOUT_FUNCTION "un."

Function .onInit
  SetRegView 64
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
  ReadRegStr $3 SHCTX "${UNINST_KEY}" "PathEntry"
  ${If} $3 != ""
    !insertmacro READ_ENV_PATH $Mode
    ${IfNot} ${Errors}
      Push $EnvPath
      Push $3
      Call un.PathWithout
      Pop $EnvPath
      !insertmacro WRITE_ENV_PATH $Mode
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
