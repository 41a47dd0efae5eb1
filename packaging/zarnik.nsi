; Zarnik's installer. The build runs
;   makensis -DVERSION=x.y.z -DVERSION_QUAD=x.y.z.0 -DSTAGE=<folder of the packaged files>
;            -DOUTFILE=<setup.exe> -DICON=<zarnik.ico> zarnik.nsi
;
; Per user by default (no administrator rights): the program goes where the user can write, so
; its settings file and work files stay beside it, and it becomes the user's screen saver.
; /ALLUSERS (as administrator) puts the two program files into System32, where every user's
; Screen Saver Settings finds them, and makes it no one's screen saver: the hive at hand is the
; elevating administrator's, not the users'. /S installs and uninstalls silently. What the
; installer did, and what a Group Policy keeps it from doing, goes to install.log beside the
; uninstaller as well as to the details shown.

Unicode true
; A 64-bit installer. Then $SYSDIR is the 64-bit System32 itself; a 32-bit installer would be
; redirected to SysWOW64 and would need x64.nsh's DisableX64FSRedirection around the copy.
; Only 64-bit Windows programs can run in the test environment, too.
Target amd64-unicode

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarnik"
!define DESKTOP_KEY "Control Panel\Desktop"
!define POLICY_KEY "Software\Policies\Microsoft\Windows\Control Panel\Desktop"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define PUBLISHER "the Zarnik developers"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SENDCHANGE 2

Name "Zarnik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zarnik"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ShowInstDetails hide
ShowUninstDetails hide
BrandingText "Zarnik ${VERSION}"

!ifndef VERSION_QUAD
  !define VERSION_QUAD "${VERSION}.0"
!endif
VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Zarnik"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Zarnik ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
; The details stay up until Next: they say what was done, and what a policy did not allow.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
; For all users only: Zarnik is there for everyone and the screen saver of no one, so the last
; page offers Screen Saver Settings, where a user picks it.
!define MUI_PAGE_CUSTOMFUNCTION_PRE FinishPagePre
!define MUI_FINISHPAGE_TEXT "Zarnik is installed for every user of this computer. It is no one's screen saver yet: each user picks it in Screen Saver Settings."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers      ; 1 when installed for every user
Var ProgramDir    ; where Zarnik.scr and Quorvel.dll are: $INSTDIR, or System32 for all users
Var RoamingDir    ; the user's roaming folder, holding the settings' fallback folder Zarnik
Var LocalDir      ; the user's local folder, holding the work files' fallback folder Zarnik
Var Policy        ; what a Group Policy does to the screen saver; empty when it leaves it alone
Var IsAdmin       ; 1 when files in use can be left to the system to remove at restart
Var AtLogon       ; files in use, quoted, for the user's next logon to remove
Var InUse         ; files in use, one a line, for the user to be told

; ---------------------------------------------------------------------------------------------
; Shared by installer and uninstaller.

!macro RequireAdmin WHAT
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${WHAT} Zarnik for all users needs administrator rights." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; A line for whoever installs: in the details shown, and in install.log beside the uninstaller,
; which is all a silent install leaves to read.
!macro Say TEXT
  DetailPrint "${TEXT}"
  Push "${TEXT}"
  Call Say
!macroend

; The forms SCRNSAVE.EXE may hold for our .scr: Windows itself writes the short path.
!macro ScreenSaverPaths SHORT LONG
  StrCpy ${LONG} "$ProgramDir\Zarnik.scr"
  GetFullPathName /SHORT ${SHORT} ${LONG}
  ${If} ${SHORT} == ""
    StrCpy ${SHORT} ${LONG}
  ${EndIf}
!macroend

; ---------------------------------------------------------------------------------------------
; Installer

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}

  ${If} $AllUsers == 1
    !insertmacro RequireAdmin "Installing"
    ; The uninstaller and the documents go to Program Files unless /D= chose a folder. Compared
    ; before the context changes: for all users $LOCALAPPDATA names another folder.
    ${If} $INSTDIR == "$LOCALAPPDATA\Programs\Zarnik"
      StrCpy $INSTDIR "$PROGRAMFILES64\Zarnik"
    ${EndIf}
    SetShellVarContext all
    StrCpy $ProgramDir $SYSDIR
  ${Else}
    SetShellVarContext current
    StrCpy $ProgramDir $INSTDIR
  ${EndIf}
FunctionEnd

Section "Zarnik"
  ; $INSTDIR may have changed on the way (/D=).
  ${If} $AllUsers != 1
    StrCpy $ProgramDir $INSTDIR
  ${EndIf}

  SetOverwrite on
  SetOutPath $ProgramDir
  File "${STAGE}/Zarnik.scr"
  File "${STAGE}/Quorvel.dll"
  ; Quorvel.ini is never part of the package: an upgrade leaves the user's settings as they are.

  SetOutPath $INSTDIR
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  !insertmacro Say "Zarnik ${VERSION} installed: $ProgramDir\Zarnik.scr"
  Call ReadScreenSaverPolicy
  ${If} $AllUsers == 1
    ; Only the elevating administrator's settings are at hand here, not the users'.
    !insertmacro Say "Installed for every user of this computer; no one's screen saver was changed."
  ${ElseIf} $Policy == ""
    Call MakeCurrentScreenSaver
    !insertmacro Say "Zarnik is now your screen saver."
  ${EndIf}
  ${If} $Policy != ""
    !insertmacro Say "$Policy Zarnik was not made the screen saver."
  ${EndIf}
  ; Last of the files: its size counts the log too.
  Call WriteUninstallEntry

  ${If} $Policy != ""
    MessageBox MB_OK|MB_ICONINFORMATION "$Policy$\r$\n$\r$\nZarnik is installed, but it was not made the screen saver. It can be picked in Screen Saver Settings once the policy allows it." /SD IDOK
  ${EndIf}
SectionEnd

Function Say
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 "$INSTDIR\install.log" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; A Group Policy that names the screen saver or turns it off (for the computer or for this
; user) decides for the user: Zarnik cannot be made the screen saver then.
Function ReadScreenSaverPolicy
  StrCpy $Policy ""
  ReadRegStr $0 HKLM "${POLICY_KEY}" "SCRNSAVE.EXE"
  ReadRegStr $1 HKCU "${POLICY_KEY}" "SCRNSAVE.EXE"
  ReadRegStr $2 HKLM "${POLICY_KEY}" "ScreenSaveActive"
  ReadRegStr $3 HKCU "${POLICY_KEY}" "ScreenSaveActive"
  ${If} $0 != ""
    StrCpy $Policy "A Group Policy sets the screen saver of this computer to $0."
  ${ElseIf} $1 != ""
    StrCpy $Policy "A Group Policy sets your screen saver to $1."
  ${ElseIf} $2 == "0"
    StrCpy $Policy "A Group Policy turns the screen saver off on this computer."
  ${ElseIf} $3 == "0"
    StrCpy $Policy "A Group Policy turns your screen saver off."
  ${EndIf}
FunctionEnd

Function FinishPagePre
  ${If} $AllUsers != 1
    Abort
  ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
  ClearErrors
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${IfNot} ${Errors}
    !insertmacro Say "Screen Saver Settings opened."
  ${EndIf}
FunctionEnd

; Remembers the screen saver we replace (once: a reinstall or upgrade finds Zarnik already
; current and keeps what was remembered before), then makes Zarnik the current one.
Function MakeCurrentScreenSaver
  !insertmacro ScreenSaverPaths $0 $1
  ClearErrors
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} ${Errors}
    StrCpy $3 0
  ${Else}
    StrCpy $3 1
  ${EndIf}
  ReadRegStr $4 SHCTX "${UNINSTALL_KEY}" "ZarnikScreenSaver"

  StrCpy $6 0
  ${If} $3 == 1
    ${If} $2 == $0
    ${OrIf} $2 == $1
      StrCpy $6 1
    ${ElseIf} $4 != ""
    ${AndIf} $2 == $4
      StrCpy $6 1
    ${EndIf}
  ${EndIf}

  ${If} $6 == 1
    DetailPrint "Zarnik is already the current screen saver."
  ${Else}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaver" $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "HadPreviousScreenSaver" $3
    ClearErrors
    ReadRegStr $5 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "HadPreviousScreenSaveActive" 0
    ${Else}
      WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaveActive" $5
      WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "HadPreviousScreenSaveActive" 1
    ${EndIf}
  ${EndIf}

  ; ScreenSaveTimeOut stays as the user set it.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "ZarnikScreenSaver" $0
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})'
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Zarnik"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$ProgramDir\Zarnik.scr,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1

  ; In kilobytes, as Programs and Features shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${If} $AllUsers == 1
    ${GetSize} "$ProgramDir" "/M=Zarnik.scr /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    ${GetSize} "$ProgramDir" "/M=Quorvel.dll /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller

Function un.onInit
  SetShellVarContext current
  StrCpy $RoamingDir $APPDATA
  StrCpy $LocalDir $LOCALAPPDATA
  ; Only an administrator can leave a file to the system to remove at restart.
  UserInfo::GetAccountType
  Pop $0
  StrCpy $IsAdmin 0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
  ; An all-users uninstaller lives where the machine-wide entry says.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    StrCpy $AllUsers 1
  ${EndIf}

  ${If} $AllUsers == 1
    !insertmacro RequireAdmin "Uninstalling"
    SetShellVarContext all
    StrCpy $ProgramDir $SYSDIR
  ${Else}
    StrCpy $ProgramDir $INSTDIR
  ${EndIf}
FunctionEnd

; A file in use (a preview running the program, a scanner holding a work file) cannot go now:
; it goes at the next restart, or for a user who may not ask that of the system, at the next
; logon; either way the user is told.
!macro RemoveFile FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    ${If} $IsAdmin == 1
      Delete /REBOOTOK "${FILE}"
    ${Else}
      StrCpy $AtLogon '$AtLogon "${FILE}"'
    ${EndIf}
    StrCpy $InUse "$InUse$\r$\n${FILE}"
  ${EndIf}
!macroend

!macro DeleteWorkFiles FOLDER
  !insertmacro RemoveFile "${FOLDER}\Quorvel.bmp"
  !insertmacro RemoveFile "${FOLDER}\Quorvel.jpg"
  !insertmacro RemoveFile "${FOLDER}\Quorvel-*.bmp"
  !insertmacro RemoveFile "${FOLDER}\Quorvel-*.jpg"
!macroend

Section "Uninstall"
  Call un.RestoreScreenSaver

  !insertmacro RemoveFile "$ProgramDir\Zarnik.scr"
  !insertmacro RemoveFile "$ProgramDir\Quorvel.dll"
  !insertmacro DeleteWorkFiles "$ProgramDir"
  ; Work files that could not stay beside the program went to the local folder; older
  ; versions put them in the roaming one.
  !insertmacro DeleteWorkFiles "$LocalDir\Zarnik"
  !insertmacro DeleteWorkFiles "$RoamingDir\Zarnik"
  RMDir "$LocalDir\Zarnik"
  !insertmacro RemoveFile "$INSTDIR\README.txt"
  !insertmacro RemoveFile "$INSTDIR\LICENSE.txt"
  !insertmacro RemoveFile "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  !insertmacro RemoveFile "$INSTDIR\install.log"
  !insertmacro RemoveFile "$INSTDIR\Uninstall.exe"

  ; The settings are the user's: asked about, and kept by a silent uninstall.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Remove your Zarnik settings too?$\r$\n$\r$\n$ProgramDir\Quorvel.ini$\r$\n$RoamingDir\Zarnik" \
    /SD IDNO IDNO keep_settings
    Delete "$ProgramDir\Quorvel.ini"
    RMDir /r "$RoamingDir\Zarnik"
  keep_settings:
  ; Folders go only when nothing of the user's is left in them; one that holds a file in use
  ; goes with it.
  RMDir "$RoamingDir\Zarnik"
  ${If} $InUse == ""
    RMDir "$INSTDIR"
  ${ElseIf} $IsAdmin == 1
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ${If} $InUse != ""
    ${If} $AtLogon != ""
      WriteRegStr HKCU "${RUNONCE_KEY}" "Zarnik" '"$SYSDIR\cmd.exe" /c del /f /q$AtLogon & rmdir "$INSTDIR"'
      StrCpy $0 "when you next sign in"
    ${Else}
      StrCpy $0 "when Windows restarts"
    ${EndIf}
    DetailPrint "In use, removed $0:$InUse"
    MessageBox MB_OK|MB_ICONINFORMATION "These files of Zarnik are in use and will be removed $0:$\r$\n$InUse" /SD IDOK
  ${EndIf}
SectionEnd

; Puts back the screen saver Zarnik replaced, unless the user has chosen another one since.
Function un.RestoreScreenSaver
  !insertmacro ScreenSaverPaths $0 $1
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ReadRegStr $3 SHCTX "${UNINSTALL_KEY}" "ZarnikScreenSaver"
  ${If} $2 == ""
    Return
  ${EndIf}
  ${If} $2 != $0
  ${AndIf} $2 != $1
  ${AndIf} $2 != $3
    Return
  ${EndIf}

  ReadRegDWORD $4 SHCTX "${UNINSTALL_KEY}" "HadPreviousScreenSaver"
  ${If} $4 == 1
    ReadRegStr $5 SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaver"
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $5
  ${Else}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  ReadRegDWORD $4 SHCTX "${UNINSTALL_KEY}" "HadPreviousScreenSaveActive"
  ${If} $4 == 1
    ReadRegStr $5 SHCTX "${UNINSTALL_KEY}" "PreviousScreenSaveActive"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $5
    IntOp $5 $5 + 0
  ${Else}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    StrCpy $5 0
  ${EndIf}
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i r5, p 0, i ${SPIF_SENDCHANGE})'
FunctionEnd
