; The Orvanta setup program: installs the delivered files for all users,
; upgrades an installed Orvanta in place and removes it again, interactively
; or silently. Built by scripts/package from an install layout:
;
;   makensis -DDIST=<install layout> [-DVERSION=x.y.z] [-DOUTFILE=<setup.exe>] installer/Orvanta.nsi
;
; VERSION defaults to the version resource of the layout's Orvanta.exe,
; OUTFILE to Orvanta-<version>-setup.exe beside this script (makensis works
; in the script's folder).
;
; Command line of the setup program (NSIS's own /S and /D= plus ours):
;   /S        silent: no window, no question; the exit code tells the outcome
;   /D=DIR    install folder of a new installation (last, never quoted); an
;             installed Orvanta is always upgraded where it is
;   /NORUN    a silent install leaves the driver stopped (it still starts at
;             every log-on)
; Exit codes: 0 done, 1 cancelled by the user, 2 failed, 3 refused because a
; newer version is installed. Every run appends what it did, and why it
; failed, to %TEMP%\Orvanta-setup.log (UTF-16).
;
; The uninstaller (Uninstall.exe in the install folder, registered for
; "Apps" in the settings) takes /S as well and returns the same codes.

Unicode true
ManifestDPIAware true
; Program Files, HKLM and the all-users Start-up folder need an
; administrator.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh

!ifndef DIST
  !error "DIST must name the install layout: makensis -DDIST=build/dist installer/Orvanta.nsi"
!endif
!ifndef VERSION
  !getdllversion "${DIST}\Orvanta.exe" ORVANTA_VERSION_
  !define VERSION "${ORVANTA_VERSION_1}.${ORVANTA_VERSION_2}.${ORVANTA_VERSION_3}"
!endif
!ifndef OUTFILE
  !define OUTFILE "Orvanta-${VERSION}-setup.exe"
!endif

!define PRODUCT "Orvanta"
!define PUBLISHER "Orvanta"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanta"
!define UNINSTALLER "Uninstall.exe"
!define STARTUP_LINK "Orvanta.lnk"
!define LOG_NAME "Orvanta-setup.log"
; The driver's application window (identities/WindowIdentities.h): a close
; request to it ends the driver.
!define DRIVER_APP_CLASS "ThunderRT6Main"
!define DRIVER_APP_TITLE "Orvanta"
; The Users group by its SID, so that the grant works on every language.
!define USERS_SID "*S-1-5-32-545"

!define EXIT_FAILED 2
!define EXIT_NEWER_INSTALLED 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The delivered programs are 32-bit (the panel vendor's library is):
; "Program Files (x86)" on 64-bit Windows.
InstallDir "$PROGRAMFILES32\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Orvanta Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

Var InstalledVersion   ; DisplayVersion of an installed Orvanta, empty if none
Var NoRun              ; 1 with /NORUN

; ---------------------------------------------------------------- pages

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunAndSettings)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartDriverAndSettings
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for systems whose language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString RunAndSettings ${LANG_ENGLISH} "Start Orvanta and open its settings"
LangString RunAndSettings ${LANG_JAPANESE} "Orvanta を起動して設定を開く"
LangString NewerInstalled ${LANG_ENGLISH} "Orvanta $InstalledVersion is installed. This setup holds the older version ${VERSION} and does not replace it."
LangString NewerInstalled ${LANG_JAPANESE} "Orvanta $InstalledVersion がインストールされています。このセットアップは古いバージョン ${VERSION} のため、インストールしません。"
LangString DriverNotStopped ${LANG_ENGLISH} "The running Orvanta could not be stopped. Exit Orvanta (or sign out its other users) and run this program again."
LangString DriverNotStopped ${LANG_JAPANESE} "実行中の Orvanta を終了できませんでした。Orvanta を終了して (他のユーザーもサインアウトして)、もう一度実行して下さい。"
LangString CannotWrite ${LANG_ENGLISH} "Cannot write $0."
LangString CannotWrite ${LANG_JAPANESE} "$0 に書き込めません。"
LangString RightsNotSet ${LANG_ENGLISH} "Cannot give the Users group the right to change $0 (icacls exit code $1)."
LangString RightsNotSet ${LANG_JAPANESE} "$0 の変更権限を Users グループに設定できません (icacls 終了コード $1)。"
LangString RegistrationFailed ${LANG_ENGLISH} "Cannot register Orvanta for removal (registry key HKLM\${UNINST_KEY})."
LangString RegistrationFailed ${LANG_JAPANESE} "Orvanta の削除用の登録 (レジストリ HKLM\${UNINST_KEY}) を書き込めません。"

; ------------------------------------------------- shared by both programs

; Appends a line with a time stamp to the log in %TEMP% and to the details
; list. The text is on the stack.
!macro DEFINE_LOG un
Function ${un}Log
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  DetailPrint "$0"
  ${GetTime} "" "L" $1 $2 $3 $4 $5 $6 $7
  ClearErrors
  FileOpen $8 "$TEMP\${LOG_NAME}" a
  ${IfNot} ${Errors}
    FileSeek $8 0 END
    FileWriteUTF16LE /BOM $8 "$3-$2-$1 $5:$6:$7 $0$\r$\n"
    FileClose $8
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_LOG ""
!insertmacro DEFINE_LOG "un."

!macro LOG un text
  Push "${text}"
  Call ${un}Log
!macroend

; Ends the run as failed: the reason goes to the log, the user sees the
; message (not in silent mode), the exit code is EXIT_FAILED.
!macro FAIL un reason message
  !insertmacro LOG "${un}" "failed: ${reason}"
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort
!macroend

; Stops the driver as the pre-uninstall program does: a close request to its
; application window, up to 5 s for the window to go, then the process is
; terminated; either way the process must have ended within 5 s more, as its
; files stay locked until then. Only a driver of this session has a window
; this program can find. Pushes 1 when no driver window is left, else 0.
!macro DEFINE_STOP_DRIVER un
Function ${un}StopDriver
  Push $0
  Push $1
  Push $2
  Push $3
  FindWindow $0 "${DRIVER_APP_CLASS}" "${DRIVER_APP_TITLE}"
  ${If} $0 = 0
    StrCpy $3 1
  ${Else}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; Synchronise and terminate rights.
    System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i r1) p .r2'
    !insertmacro LOG "${un}" "stopping the running driver (process $1)"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
    StrCpy $3 0
    wait_for_close:
    IsWindow $0 0 closed
    ${If} $3 < 50
      IntOp $3 $3 + 1
      Sleep 100
      Goto wait_for_close
    ${EndIf}
    !insertmacro LOG "${un}" "the driver did not close within 5 s: terminating it"
    ${If} $2 <> 0
      System::Call 'kernel32::TerminateProcess(p r2, i 0) i'
    ${EndIf}
    closed:
    StrCpy $3 1
    ${If} $2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 5000) i .r1'
      System::Call 'kernel32::CloseHandle(p r2)'
      ${If} $1 <> 0
        !insertmacro LOG "${un}" "the driver's process did not end within 5 s"
        StrCpy $3 0
      ${EndIf}
    ${EndIf}
    FindWindow $0 "${DRIVER_APP_CLASS}" "${DRIVER_APP_TITLE}"
    ${If} $0 <> 0
      StrCpy $3 0
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
  Exch $3
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_DRIVER ""
!insertmacro DEFINE_STOP_DRIVER "un."

; ---------------------------------------------------------------- install

Function .onInit
  SetShellVarContext all
  ${GetParameters} $0
  StrCpy $NoRun 0
  ClearErrors
  ${GetOptions} "$0" "/NORUN" $1
  ${IfNot} ${Errors}
    StrCpy $NoRun 1
  ${EndIf}

  ; A folder given with /D= that NSIS cannot use (a file stands in its path,
  ; a relative or quoted path) is silently replaced by the default folder; an
  ; administrator who named a folder must learn that it was not used instead.
  ; NSIS cuts /D= off $CMDLINE, the process's own command line still has it.
  System::Call 'kernel32::GetCommandLineW() t .r1'
  ${WordFind} "$1" " /D=" "E+1}" $2
  ${IfNot} ${Errors}
    ${If} $2 != $INSTDIR
    ${AndIf} $2 != "$INSTDIR\"
      !insertmacro LOG "" "failed: the folder given with /D= cannot be used: $2"
      StrCpy $0 $2
      MessageBox MB_OK|MB_ICONSTOP "$(CannotWrite)" /SD IDOK
      SetErrorLevel ${EXIT_FAILED}
      Quit
    ${EndIf}
  ${EndIf}

  ReadRegStr $InstalledVersion HKLM "${UNINST_KEY}" "DisplayVersion"
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $InstalledVersion == ""
    !insertmacro LOG "" "Orvanta ${VERSION} setup: new installation"
    Return
  ${EndIf}
  !insertmacro LOG "" "Orvanta ${VERSION} setup: Orvanta $InstalledVersion is installed in $1"
  ${VersionCompare} "${VERSION}" "$InstalledVersion" $2
  ${If} $2 = 2
    !insertmacro LOG "" "refused: the installed version $InstalledVersion is newer than ${VERSION}"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NewerInstalled)" /SD IDOK
    SetErrorLevel ${EXIT_NEWER_INSTALLED}
    Quit
  ${EndIf}
  ; An upgrade replaces the programs where they are, beside the user's
  ; settings and calibration; a folder given with /D= does not move them.
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
    !insertmacro LOG "" "upgrading where Orvanta is installed, not in $INSTDIR"
    StrCpy $INSTDIR $1
  ${EndIf}
FunctionEnd

Function SkipFolderOnUpgrade
  ${If} $InstalledVersion != ""
    Abort
  ${EndIf}
FunctionEnd

; Copies one delivered file; a file that cannot be written (locked by a
; driver of another session, a full disk) fails the run with its name.
!macro INSTALL_FILE relative
  ClearErrors
  File "/oname=${relative}" "${DIST}\${relative}"
  ${If} ${Errors}
    StrCpy $0 "$INSTDIR\${relative}"
    !insertmacro FAIL "" "cannot write $0" "$(CannotWrite)"
  ${EndIf}
!macroend

; Makes a file the driver writes, empty, when it is missing: the driver takes
; an empty settings file and an empty calibration file as absent ones (every
; value from its defaults and the delivered layout), and the Users group can
; only be given rights on a file that exists.
!macro CREATE_IF_MISSING relative
  ${IfNot} ${FileExists} "$INSTDIR\${relative}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${relative}" w
    ${If} ${Errors}
      StrCpy $0 "$INSTDIR\${relative}"
      !insertmacro FAIL "" "cannot create $0" "$(CannotWrite)"
    ${EndIf}
    FileClose $0
  ${EndIf}
!macroend

; Gives the Users group modify rights on one path with icacls. A failing
; icacls fails the run. Wine's icacls is a stub that answers 0 and changes
; nothing; it also writes nothing for /save, which is how it is told from
; the real one (Windows always writes the saved ACL).
!macro GRANT_USERS relative rights
  StrCpy $0 "$INSTDIR\${relative}"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$0" /grant ${USERS_SID}:${rights}'
  Pop $1
  ${If} $1 != 0
    !insertmacro FAIL "" "icacls could not give the Users group modify rights on $0 (exit code $1)" "$(RightsNotSet)"
  ${EndIf}
  Delete "$PLUGINSDIR\acl.txt"
  nsExec::Exec '"$SYSDIR\icacls.exe" "$0" /save "$PLUGINSDIR\acl.txt"'
  Pop $1
  ${If} ${FileExists} "$PLUGINSDIR\acl.txt"
    !insertmacro LOG "" "the Users group may change $0"
  ${Else}
    !insertmacro LOG "" "icacls is a stub here (as under Wine): it changed nothing on $0"
  ${EndIf}
!macroend

Section "Orvanta"
  InitPluginsDir
  ${If} $InstalledVersion != ""
    !insertmacro LOG "" "upgrading Orvanta $InstalledVersion to ${VERSION} in $INSTDIR"
  ${Else}
    !insertmacro LOG "" "installing Orvanta ${VERSION} into $INSTDIR"
  ${EndIf}

  Call StopDriver
  Pop $0
  ${If} $0 != 1
    !insertmacro FAIL "" "the running driver could not be stopped" "$(DriverNotStopped)"
  ${EndIf}

  ClearErrors
  CreateDirectory "$INSTDIR\Data"
  ${IfNot} ${FileExists} "$INSTDIR\Data\*.*"
    StrCpy $0 "$INSTDIR\Data"
    !insertmacro FAIL "" "cannot create $0" "$(CannotWrite)"
  ${EndIf}
  SetOutPath "$INSTDIR"
  ; Replaced whenever they cannot be written as well, never skipped.
  SetOverwrite try
  !insertmacro INSTALL_FILE "Orvanta.exe"
  !insertmacro INSTALL_FILE "OrvantaLink.exe"
  !insertmacro INSTALL_FILE "OrvantaUninst.exe"
  !insertmacro INSTALL_FILE "Orvanta.wav"
  !insertmacro INSTALL_FILE "Orvanta.dat"
  !insertmacro INSTALL_FILE "Data\QV-LK2048.def"
  SetOverwrite on
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    StrCpy $0 "$INSTDIR\${UNINSTALLER}"
    !insertmacro FAIL "" "cannot write $0" "$(CannotWrite)"
  ${EndIf}

  ; The settings and the calibration are the user's: an upgrade keeps them.
  ; The driver's manifest runs it with the rights of whoever started it, so
  ; a standard user could not save either in Program Files without these
  ; grants: exactly these files and the Data folder, nothing more. The log
  ; is where the driver records faults it survived.
  !insertmacro CREATE_IF_MISSING "Orvanta.ini"
  !insertmacro CREATE_IF_MISSING "Orvanta.log"
  !insertmacro CREATE_IF_MISSING "Data\QV-LK2048.dat"
  !insertmacro GRANT_USERS "Orvanta.ini" "(M)"
  !insertmacro GRANT_USERS "Orvanta.log" "(M)"
  !insertmacro GRANT_USERS "Data\QV-LK2048.dat" "(M)"
  !insertmacro GRANT_USERS "Data" "(M)"

  ; Every user's log-on starts the driver.
  ClearErrors
  CreateShortcut "$SMSTARTUP\${STARTUP_LINK}" "$INSTDIR\Orvanta.exe"
  ${If} ${Errors}
    StrCpy $0 "$SMSTARTUP\${STARTUP_LINK}"
    !insertmacro FAIL "" "cannot write $0" "$(CannotWrite)"
  ${EndIf}

  ; The registration for "Apps" in the settings. The uninstaller runs in
  ; place (_?=) so that whoever starts it waits for the removal and gets its
  ; exit code; it moves itself out of the folder at the end.
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  ClearErrors
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $1
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${If} ${Errors}
    !insertmacro FAIL "" "cannot write the registration HKLM\${UNINST_KEY}" "$(RegistrationFailed)"
  ${EndIf}
  !insertmacro LOG "" "installed Orvanta ${VERSION} in $INSTDIR"

  ${If} ${Silent}
    ${If} $NoRun = 1
      !insertmacro LOG "" "/NORUN: the driver starts at the next log-on"
    ${Else}
      Call StartDriver
      Pop $0
    ${EndIf}
  ${EndIf}
  SetErrorLevel 0
SectionEnd

; Starts the installed driver for the user of this session and pushes 1 once
; its application window is there (at most 15 s), else 0.
; A driver started by this elevated program would run elevated as well, and
; the user's own programs could then no longer send it messages (OrvantaLink
; from a shortcut, Explorer's drag and drop onto its settings). When this
; program is the user's elevated self (UAC), the shell starts the driver
; instead, with the user's own rights. In session 0 (a deployment tool
; running as SYSTEM) no user is there to start it for.
Function StartDriver
  Push $0
  Push $1
  Push $2
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  System::Call 'kernel32::ProcessIdToSessionId(i r0, *i .r1) i .r2'
  ${If} $2 <> 0
  ${AndIf} $1 = 0
    !insertmacro LOG "" "no user session (session 0): the driver starts at the next log-on"
    StrCpy $0 0
    Goto done
  ${EndIf}
  ; TokenElevationType (18): 2 is an elevated token with a limited twin.
  StrCpy $1 0
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r0) i .r2'
  ${If} $2 <> 0
    System::Call 'advapi32::GetTokenInformation(p r0, i 18, *i .r1, i 4, *i .r2) i'
    System::Call 'kernel32::CloseHandle(p r0)'
  ${EndIf}
  SetOutPath "$INSTDIR"
  ${If} $1 = 2
    !insertmacro LOG "" "starting the driver through the shell, with the user's own rights"
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Orvanta.exe"'
  ${Else}
    !insertmacro LOG "" "starting the driver"
    Exec '"$INSTDIR\Orvanta.exe"'
  ${EndIf}
  StrCpy $2 0
  ${Do}
    FindWindow $0 "${DRIVER_APP_CLASS}" "${DRIVER_APP_TITLE}"
    ${If} $0 <> 0
      !insertmacro LOG "" "the driver is running"
      StrCpy $0 1
      Goto done
    ${EndIf}
    IntOp $2 $2 + 1
    ${If} $2 >= 150
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  !insertmacro LOG "" "the driver did not come up within 15 s"
  StrCpy $0 0
  done:
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The finish page's offer: the driver, then its settings dialog. OrvantaLink
; runs from here with this program's rights, which may send to the driver's
; lower ones.
Function StartDriverAndSettings
  Call StartDriver
  Pop $0
  ${If} $0 = 1
    Exec '"$INSTDIR\OrvantaLink.exe" Cmd_Setting'
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------- remove

Function un.onInit
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} "$0" "/CLEANUP=" $1
  ${IfNot} ${Errors}
    ; The copy that finishes a removal run in place: once the uninstaller
    ; (process $1) has ended, its file and the folder go. The copy itself
    ; goes at the next restart, as NSIS's own temporary copies do.
    System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r1) p .r2'
    ${If} $2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 30000) i'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
    Call un.RemoveUninstallerAndFolder
    Delete /REBOOTOK "$EXEPATH"
    SetErrorLevel 0
    Quit
  ${EndIf}
  !insertmacro LOG "un." "Orvanta uninstaller: removing Orvanta from $INSTDIR"
FunctionEnd

; Deletes the uninstaller's file in the install folder (retried for up to
; 5 s while the process that ran it lets go of it) and the folder.
Function un.RemoveUninstallerAndFolder
  StrCpy $0 0
  ${Do}
    ClearErrors
    Delete "$INSTDIR\${UNINSTALLER}"
    ${IfNot} ${Errors}
    ${OrIf} $0 >= 50
      ${Break}
    ${EndIf}
    IntOp $0 $0 + 1
    Sleep 100
  ${Loop}
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    !insertmacro LOG "un." "left $INSTDIR in place: it holds files this setup did not install"
  ${Else}
    !insertmacro LOG "un." "removed $INSTDIR"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.StopDriver
  Pop $0
  ${If} $0 != 1
    !insertmacro FAIL "un." "the running driver could not be stopped" "$(DriverNotStopped)"
  ${EndIf}

  Delete "$SMSTARTUP\${STARTUP_LINK}"
  ; The delivered files, then the two the driver writes.
  Delete "$INSTDIR\Orvanta.exe"
  Delete "$INSTDIR\OrvantaLink.exe"
  Delete "$INSTDIR\OrvantaUninst.exe"
  Delete "$INSTDIR\Orvanta.wav"
  Delete "$INSTDIR\Orvanta.dat"
  Delete "$INSTDIR\Data\QV-LK2048.def"
  Delete "$INSTDIR\Orvanta.ini"
  Delete "$INSTDIR\Orvanta.log"
  Delete "$INSTDIR\Data\QV-LK2048.dat"
  RMDir "$INSTDIR\Data"

  ; Run in place (_?=, as the registration runs it) this program cannot
  ; delete its own file while it runs, and Wine does not even let it move the
  ; file away as Windows would: a copy in %TEMP% waits for this process to
  ; end, then deletes the file and the folder. Run from NSIS's own temporary
  ; copy, it deletes the original as soon as that has ended.
  SetOutPath "$TEMP"
  ${If} $EXEPATH == "$INSTDIR\${UNINSTALLER}"
    GetTempFileName $1
    StrCpy $2 "$1.exe"
    CopyFiles /SILENT "$EXEPATH" "$2"
    Delete $1
    System::Call 'kernel32::GetCurrentProcessId() i .r3'
    ClearErrors
    Exec '"$2" /S /CLEANUP=$3 _?=$INSTDIR'
    ${If} ${Errors}
      Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
      RMDir /REBOOTOK "$INSTDIR"
      !insertmacro LOG "un." "$INSTDIR\${UNINSTALLER} and the folder go at the next restart"
    ${Else}
      !insertmacro LOG "un." "$INSTDIR\${UNINSTALLER} and the folder go once this program has ended"
    ${EndIf}
  ${Else}
    Call un.RemoveUninstallerAndFolder
  ${EndIf}

  DeleteRegKey HKLM "${UNINST_KEY}"
  !insertmacro LOG "un." "removed Orvanta"
  SetErrorLevel 0
SectionEnd
