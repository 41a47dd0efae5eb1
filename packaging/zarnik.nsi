; Zarnik's installer. The build runs
;   makensis -DVERSION=x.y.z -DVERSION_QUAD=x.y.z.0 -DSTAGE=<folder of the packaged files>
;            -DOUTFILE=<setup.exe> -DICON=<zarnik.ico> zarnik.nsi
;
; Per user by default (no administrator rights): the program goes where the user can write, so
; its settings file and work files stay beside it. /ALLUSERS (as administrator) puts the two
; program files into System32, where every user's Screen Saver Settings finds them.
; /S installs and uninstalls silently.

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
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers      ; 1 when installed for every user
Var ProgramDir    ; where Zarnik.scr and Quorvel.dll are: $INSTDIR, or System32 for all users
Var RoamingDir    ; the user's roaming folder, holding the fallback folder Zarnik

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
    SetShellVarContext all
    ; The uninstaller and the documents go to Program Files unless /D= chose a folder.
    ${If} $INSTDIR == "$LOCALAPPDATA\Programs\Zarnik"
      StrCpy $INSTDIR "$PROGRAMFILES64\Zarnik"
    ${EndIf}
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

  Call MakeCurrentScreenSaver
  Call WriteUninstallEntry
SectionEnd

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

!macro DeleteWorkFiles FOLDER
  Delete "${FOLDER}\Quorvel.bmp"
  Delete "${FOLDER}\Quorvel.jpg"
  Delete "${FOLDER}\Quorvel-*.bmp"
  Delete "${FOLDER}\Quorvel-*.jpg"
!macroend

Section "Uninstall"
  Call un.RestoreScreenSaver

  Delete "$ProgramDir\Zarnik.scr"
  Delete "$ProgramDir\Quorvel.dll"
  !insertmacro DeleteWorkFiles "$ProgramDir"
  !insertmacro DeleteWorkFiles "$RoamingDir\Zarnik"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\Uninstall.exe"

  ; The settings are the user's: asked about, and kept by a silent uninstall.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Remove your Zarnik settings too?$\r$\n$\r$\n$ProgramDir\Quorvel.ini$\r$\n$RoamingDir\Zarnik" \
    /SD IDNO IDNO keep_settings
    Delete "$ProgramDir\Quorvel.ini"
    RMDir /r "$RoamingDir\Zarnik"
  keep_settings:
  ; Folders go only when nothing of the user's is left in them.
  RMDir "$RoamingDir\Zarnik"
  RMDir "$INSTDIR"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
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
