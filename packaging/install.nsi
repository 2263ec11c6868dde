; The installer proper: the wizard and the install steps. The setup program (vellumar.nsi) carries
; it, checks it and runs it from a folder that only administrators can write, passing its own
; command line on (with /S when silent). Built by scripts/packaging.sh (build_installer):
;   makensis -DVERSION=a.b.c.d -DARCH=x64|x86 -DSTAGE=<folder> -DART=<folder> -DUNINSTALLER=<uninstall.exe>
;            -DLICENCE=<licence page text> -DMAKER_HOST=<host> -DOUTFILE=<file> install.nsi
; STAGE holds vellumar.exe, vellumar.com, the OpenSSL DLLs and licenses\; ART the icon and the wizard's pictures.

!define PROGRAM_CHECKS
!include "${__FILEDIR__}\common.nsh"
!include MUI2.nsh
!include nsDialogs.nsh

!ifndef STAGE | ART | UNINSTALLER | LICENCE | MAKER_HOST
  !error "define STAGE, ART, UNINSTALLER, LICENCE and MAKER_HOST"
!endif

Caption "${PRODUCT} ${VERSION} Setup"
ShowInstDetails show
!insertmacro VersionInfo "${PRODUCT} installer"

Var OldDir          ; the installed copy's folder, or empty
Var OldVersion      ; its version
Var WelcomeText
Var FolderText
Var Moving          ; 1: the installed copy is in another folder and goes first

!define MUI_ICON "${ART}\vellumar.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}\wizard-96.bmp"
!define MUI_ABORTWARNING
!define MUI_CUSTOMFUNCTION_GUIINIT GuiInit
!define MUI_CUSTOMFUNCTION_ABORT UserAbort

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION} Setup"
!define MUI_WELCOMEPAGE_TEXT "$WelcomeText"
!insertmacro MUI_PAGE_WELCOME
!define MUI_LICENSEPAGE_TEXT_TOP "${PRODUCT}'s licence and the notices of the software it includes."
!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$FolderText"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FolderPageShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom RunningPage RunningPageLeave
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "Setup has installed ${PRODUCT} in $INSTDIR."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

!insertmacro RunningPageFunctions "Setup"

; ---- folders ------------------------------------------------------------------------------

; Removes a trailing backslash but a drive root's (pop: a folder; push: it without one).
Function TrimFolder
  Exch $0
  Push $1
  StrCpy $1 $0 1 -1
  ${If} $1 == "\"
    StrCpy $1 $0 1 -2
    ${If} $1 != ":"
      StrCpy $0 $0 -1
    ${EndIf}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; $R9 out: 1 when $INSTDIR lies inside Program Files, whose permissions already let only
; administrators change what is in it.
Function InProgramFiles
  Push $0
  Push $1
  StrCpy $R9 0
  StrLen $0 "$PROGRAMFILES64\"
  StrCpy $1 $INSTDIR $0
  ${If} $1 == "$PROGRAMFILES64\"
    StrCpy $R9 1
  ${EndIf}
  StrLen $0 "$PROGRAMFILES32\"
  StrCpy $1 $INSTDIR $0
  ${If} $1 == "$PROGRAMFILES32\"
    StrCpy $R9 1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; $R9 out: "" when $INSTDIR may take the program, else why not. A drive's root is refused, and
; so is a folder that holds other files: the uninstaller removes only its own files, and the
; folder's permissions are set for the program alone.
Function CheckFolder
  Push $0
  Push $1
  Push $2
  StrCpy $R9 ""
  ${GetRoot} $INSTDIR $0
  ${If} $INSTDIR == $0
  ${OrIf} $INSTDIR == "$0\"
    StrCpy $R9 "$0\ is the root of a drive. Please choose a folder of its own for ${PRODUCT}."
  ${ElseIf} ${FileExists} "$INSTDIR\*.*"
  ${AndIfNot} ${FileExists} "$INSTDIR\vellumar.exe"
    ; What an uninstall that has just ended may leave for a moment does not count.
    FindFirst $0 $1 "$INSTDIR\*.*"
    ${DoWhile} $1 != ""
      StrCpy $2 $1 14
      ${If} $1 != "."
      ${AndIf} $1 != ".."
      ${AndIf} $1 != "plugins.tmp"
      ${AndIf} $2 != "uninstall.exe."
        StrCpy $R9 "$INSTDIR already holds other files. Please choose an empty folder, or a new one, for ${PRODUCT}."
        ${ExitDo}
      ${EndIf}
      FindNext $0 $1
    ${Loop}
    FindClose $0
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Outside Program Files a folder keeps the permissions of where it is, often writable by every
; user, who could then replace the program that administrators run. This gives it its own:
; administrators and SYSTEM full control, users read and execute. $R9 out: "" or the failure.
Function SecureFolder
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $R9 ""
  CreateDirectory $INSTDIR
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", i 1, *p .r0, p 0) i .r1'
  ${If} $1 == 0
    StrCpy $R9 "no security descriptor"
  ${Else}
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r0, *p .r1, *i .r3)'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r0, *i .r3, *p .r2, *i .r3)'
    Push $INSTDIR
    System::Call 'advapi32::SetNamedSecurityInfoW(w s, i 1, i 0x80000005, p r1, p 0, p r2, p 0) i .r3'
    System::Call 'kernel32::LocalFree(p r0)'
    ${If} $3 != 0
      StrCpy $R9 "error $3"
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; ---- start ----------------------------------------------------------------------------------

Function .onInit
  !insertmacro PrivatePluginsDir "$EXEDIR"
  StrCpy $LogHandle 0
  Call ReadSwitches
  ${If} $Silent == 1
    SetSilent silent
  ${EndIf}
  Push 0
  Call OpenLog
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      ${LogLine} "Stopped: this installer needs 64-bit Windows"
      MessageBox MB_ICONSTOP "This installer is for 64-bit Windows.$\r$\n$\r$\nPlease use the 32-bit installer." /SD IDOK
      SetErrorLevel ${EXIT_STOPPED}
      Quit
    ${EndIf}
    SetRegView 64
  !endif

  ; The copy installed already, and its version (its program file's, else the uninstall entry's).
  ReadRegStr $OldDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $OldDir != ""
  ${AndIf} ${FileExists} "$OldDir\vellumar.exe"
    Push $OldDir
    Call TrimFolder
    Pop $OldDir
    ClearErrors
    GetDLLVersion "$OldDir\vellumar.exe" $R0 $R1
    ${If} ${Errors}
      ReadRegStr $OldVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${Else}
      IntOp $R2 $R0 >> 16
      IntOp $R3 $R0 & 0xFFFF
      IntOp $R4 $R1 >> 16
      IntOp $R5 $R1 & 0xFFFF
      StrCpy $OldVersion "$R2.$R3.$R4.$R5"
    ${EndIf}
    ${LogLine} "Found version $OldVersion in $OldDir"
  ${Else}
    StrCpy $OldDir ""
  ${EndIf}

  ; An older version does not replace a newer one unless asked to.
  ${If} $OldDir != ""
    ${VersionCompare} $OldVersion ${VERSION} $R0
    ${If} $R0 == 1
      ${If} $AllowDowngrade != 1
        ${LogLine} "Stopped: version $OldVersion is installed, newer than ${VERSION} (/ALLOWDOWNGRADE installs this one anyway)"
        MessageBox MB_ICONSTOP "A newer version of ${PRODUCT}, $OldVersion, is installed.$\r$\n$\r$\nSetup stops, so that the newer version stays. To install version ${VERSION} anyway, run Setup with /ALLOWDOWNGRADE." /SD IDOK
        SetErrorLevel ${EXIT_NEWER}
        Quit
      ${EndIf}
      ${LogLine} "Replacing the newer version $OldVersion with ${VERSION} (/ALLOWDOWNGRADE)"
      StrCpy $WelcomeText "${PRODUCT} $OldVersion is installed in $OldDir.$\r$\n$\r$\nSetup will replace it with an older version: $OldVersion → ${VERSION}. Your settings and log are kept."
    ${ElseIf} $R0 == 0
      StrCpy $WelcomeText "${PRODUCT} ${VERSION} is installed in $OldDir already.$\r$\n$\r$\nSetup will install it again: your settings and log are kept."
    ${Else}
      StrCpy $WelcomeText "${PRODUCT} $OldVersion is installed in $OldDir.$\r$\n$\r$\nSetup will upgrade it: $OldVersion → ${VERSION}. Your settings and log are kept."
    ${EndIf}
    StrCpy $FolderText "${PRODUCT} is installed in the folder below. Setup upgrades it there. To move it, choose another folder: Setup then removes the copy in $OldDir first."
  ${Else}
    StrCpy $WelcomeText "Setup will install ${PRODUCT} ${VERSION}, the Wi-Fi survey tool, on this computer."
    StrCpy $FolderText "Setup will install ${PRODUCT} in the folder below. To install it in another folder, choose Browse."
  ${EndIf}
  StrCpy $WelcomeText "$WelcomeText$\r$\n$\r$\nChoose Next to continue."

  ; The folder: the one given with /D=, else the installed copy's, else Program Files.
  ${If} $INSTDIR == ""
    ${If} $OldDir != ""
      StrCpy $INSTDIR $OldDir
    ${Else}
      StrCpy $INSTDIR "${PROGRAM_FILES}\${MAKER}\${PRODUCT}"
    ${EndIf}
  ${Else}
    Push $INSTDIR
    Call TrimFolder
    Pop $INSTDIR
    ${LogLine} "Folder given: $INSTDIR (/D=)"
  ${EndIf}
FunctionEnd

Function FolderPageShow
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
FunctionEnd

Function FolderPageLeave
  Push $INSTDIR
  Call TrimFolder
  Pop $INSTDIR
  ${If} $INSTDIR == $OldDir
    Return
  ${EndIf}
  Call CheckFolder
  ${If} $R9 != ""
    MessageBox MB_ICONEXCLAMATION "$R9"
    Abort
  ${EndIf}
FunctionEnd

Function RunProgram
  ; The shell starts it: as the signed-in user would, not with the installer's rights where it can.
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\vellumar.exe"'
FunctionEnd

Function .onInstFailed
  ${LogLine} "Install failed"
FunctionEnd

Function UserAbort
  ${LogLine} "Cancelled by the user"
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd

; ---- install --------------------------------------------------------------------------------

; Writes one packed file (a new file: one left by someone else keeps neither owner nor
; permissions); asks Retry or Cancel when it cannot, instead of NSIS's own box. $R9 out: 1 when written.
!macro InstallFile source target
  SetDetailsPrint none
  Delete "${target}"
  SetDetailsPrint both
  SetOverwrite try
  ClearErrors
  File "/oname=${target}" "${source}"
  ${If} ${Errors}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Setup cannot write this file:$\r$\n$\r$\n${target}$\r$\n$\r$\nClose the program that uses it, then choose Retry." /SD IDCANCEL IDRETRY`
      Delete "${target}"
      ClearErrors
      File "/oname=${target}" "${source}"
    ${EndIf}
  ${EndIf}
  ${If} ${Errors}
    ${LogLine} "Stopped: could not write ${target}"
    StrCpy $R9 0
  ${EndIf}
!macroend

; Before anything changes: every file that the install replaces must be writable, so that a
; file in use stops the install before it is half done. $R9 out: 1 when all are.
!macro CheckWritable target
  ${If} $R9 == 1
  ${AndIf} ${FileExists} "${target}"
    ${Do}
      ClearErrors
      FileOpen $0 "${target}" a
      ${IfNot} ${Errors}
        FileClose $0
        ${ExitDo}
      ${EndIf}
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "This file is in use:$\r$\n$\r$\n${target}$\r$\n$\r$\nClose the program that uses it, then choose Retry." /SD IDCANCEL IDRETRY`
        ${LogLine} "Stopped: ${target} is in use"
        StrCpy $R9 0
        ${ExitDo}
      ${EndIf}
    ${Loop}
  ${EndIf}
!macroend

; Removes the copy in $OldDir with its own uninstaller, which earlier versions also run in place with
; _?=. $R9 out: 1 when it is gone.
Function RemoveOldCopy
  Push $0
  ${LogLine} "Moving ${PRODUCT} from $OldDir to $INSTDIR: removing the copy in $OldDir"
  StrCpy $R9 1
  ${If} ${FileExists} "$OldDir\uninstall.exe"
    ClearErrors
    ExecWait '"$OldDir\uninstall.exe" /S _?=$OldDir' $0
    ${If} ${Errors}
      StrCpy $0 "not started"
    ${EndIf}
    ${LogLine} "The uninstaller of the copy in $OldDir ended: $0"
  ${EndIf}
  ; What an uninstaller that runs in place leaves: itself and its folder.
  Delete "$OldDir\uninstall.exe"
  RMDir "$OldDir"
  ${If} ${FileExists} "$OldDir\vellumar.exe"
    ${LogLine} "Stopped: the copy in $OldDir could not be removed"
    StrCpy $R9 0
  ${EndIf}
  Pop $0
FunctionEnd

Section "Vellumar" SecProgram
  SectionIn RO
  ${LogLine} "Installing into $INSTDIR"
  Call EnsureProgramClosed
  ${If} $R9 != 1
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}
  Call WaitForProgramFile
  ${If} $R9 != 1
    MessageBox MB_ICONSTOP "Vellumar is still ending.$\r$\n$\r$\nPlease wait a moment and run Setup again." /SD IDOK
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}
  !insertmacro CheckWritable "$INSTDIR\libcrypto-3${OPENSSL_SUFFIX}.dll"
  !insertmacro CheckWritable "$INSTDIR\libssl-3${OPENSSL_SUFFIX}.dll"
  !insertmacro CheckWritable "$INSTDIR\uninstall.exe"
  ${If} $R9 != 1
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}

  StrCpy $Moving 0
  ${If} $OldDir != ""
  ${AndIf} $OldDir != $INSTDIR
    StrCpy $Moving 1
  ${EndIf}
  ${If} $INSTDIR != $OldDir
    Call CheckFolder
    ${If} $R9 != ""
      ${LogLine} "Stopped: $R9"
      MessageBox MB_ICONSTOP "$R9" /SD IDOK
      !insertmacro Stop ${EXIT_FOLDER}
    ${EndIf}
  ${EndIf}
  Call InProgramFiles
  ${If} $R9 != 1
    Call SecureFolder
    ${If} $R9 != ""
      ${LogLine} "Stopped: could not set the permissions of $INSTDIR ($R9)"
      MessageBox MB_ICONSTOP "Setup could not set the permissions of this folder:$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nPlease choose a folder in Program Files." /SD IDOK
      !insertmacro Stop ${EXIT_FOLDER}
    ${EndIf}
    ${LogLine} "Secured $INSTDIR: administrators and SYSTEM full control, users read and execute"
  ${EndIf}
  ${If} $Moving == 1
    Call RemoveOldCopy
    ${If} $R9 != 1
      MessageBox MB_ICONSTOP "Setup could not remove ${PRODUCT} from this folder:$\r$\n$\r$\n$OldDir" /SD IDOK
      !insertmacro Stop ${EXIT_STOPPED}
    ${EndIf}
  ${EndIf}

  StrCpy $R9 1
  SetOutPath "$INSTDIR"
  Delete "$INSTDIR\uninstall.exe.*"  ; an earlier uninstaller's, renamed as it ended
  !insertmacro InstallFile "${STAGE}\vellumar.exe" "$INSTDIR\vellumar.exe"
  !insertmacro InstallFile "${STAGE}\vellumar.com" "$INSTDIR\vellumar.com"
  !insertmacro InstallFile "${STAGE}\libcrypto-3${OPENSSL_SUFFIX}.dll" "$INSTDIR\libcrypto-3${OPENSSL_SUFFIX}.dll"
  !insertmacro InstallFile "${STAGE}\libssl-3${OPENSSL_SUFFIX}.dll" "$INSTDIR\libssl-3${OPENSSL_SUFFIX}.dll"
  !insertmacro InstallFile "${UNINSTALLER}" "$INSTDIR\uninstall.exe"
  CreateDirectory "$INSTDIR\licenses"
  !insertmacro InstallFile "${STAGE}\licenses\LICENSE.txt" "$INSTDIR\licenses\LICENSE.txt"
  !insertmacro InstallFile "${STAGE}\licenses\THIRD-PARTY-NOTICES.txt" "$INSTDIR\licenses\THIRD-PARTY-NOTICES.txt"
  !insertmacro InstallFile "${STAGE}\licenses\OpenSSL-LICENSE.txt" "$INSTDIR\licenses\OpenSSL-LICENSE.txt"
  !insertmacro InstallFile "${STAGE}\licenses\mingw-w64-runtime.txt" "$INSTDIR\licenses\mingw-w64-runtime.txt"
  ${If} $R9 != 1
    MessageBox MB_ICONSTOP "Setup could not write the program's files into this folder:$\r$\n$\r$\n$INSTDIR" /SD IDOK
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}
  ${LogLine} "Copied vellumar.exe, vellumar.com, the OpenSSL libraries, uninstall.exe and the licence texts"

  ; All users' Start menu. /NOICONS makes none but leaves one there (the program's update passes it).
  SetShellVarContext all
  ${If} $NoIcons == 1
    ${LogLine} "No shortcut (/NOICONS)"
  ${Else}
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\vellumar.exe" "" "$INSTDIR\vellumar.exe" 0
    ${LogLine} "Created the shortcut $SMPROGRAMS\${PRODUCT}.lnk"
  ${EndIf}

  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vellumar.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallDate" "$2$1$0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://${MAKER_HOST}/"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "https://${MAKER_HOST}/forum"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${LogLine} "Wrote the uninstall entry ${DISPLAY_NAME} ${VERSION} ($0 KiB)"
  ${LogLine} "Done"
SectionEnd
