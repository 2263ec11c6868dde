; Vellumar's installer and uninstaller, built by scripts/build-installer with Debian's makensis:
;   makensis -DVERSION=1.6.3.18 -DARCH=x64|x86 -DSTAGE=<folder> -DOUTFILE=<setup.exe> [-DSIGN=<command>] vellumar.nsi
; STAGE holds vellumar.exe, the OpenSSL DLLs and licenses\. SIGN, when given, signs the uninstaller
; before it is packed ("%1" is the file).
;
; Command line (the program's own update runs "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=..."):
;   /VERYSILENT, /SILENT, /S    no window at all
;   /NOICONS                    no Start-menu shortcut
;   /LOG="path"                 a plain-text log of the steps, written to path
;   /FORCECLOSEAPPLICATIONS     close a running Vellumar (WM_CLOSE, up to 10 s) instead of stopping
;   /D=folder                   the install folder (last on the line, unquoted)
; Exit codes: 0 done, 1 cancelled by the user, 2 stopped (Vellumar running, a file not written).

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!ifndef VERSION | ARCH | STAGE | OUTFILE
  !error "define VERSION, ARCH (x64 or x86), STAGE and OUTFILE"
!endif

; The names come from the program's own header.
!searchparse /file "${__FILEDIR__}/../src/common/product_version.h" '#define VELLUMAR_COMPANY_NAME "' MAKER '"'
!searchparse /file "${__FILEDIR__}/../src/common/product_version.h" '#define VELLUMAR_PRODUCT_NAME "' PRODUCT '"'
!define DISPLAY_NAME "${MAKER} ${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${DISPLAY_NAME}"
!define MAKER_KEY "Software\${MAKER}"
; Every window of the program has this class; the main window is the one without an owner.
!define WINDOW_CLASS "VellumarWindow"
!define CLOSE_WAIT_MS 10000
!define EXIT_STOPPED 2

!if "${ARCH}" == "x64"
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
  !define OPENSSL_SUFFIX "-x64"
!else if "${ARCH}" == "x86"
  Target x86-unicode
  InstallDir "$PROGRAMFILES\${MAKER}\${PRODUCT}"
  !define OPENSSL_SUFFIX ""
!else
  !error "ARCH must be x64 or x86"
!endif

!ifdef SIGN
  !uninstfinalize '${SIGN}'
!endif

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
OutFile "${OUTFILE}"
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${MAKER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var LogFile      ; empty: no log
Var LogText
Var NoIcons      ; 1: no shortcut
Var ForceClose   ; 1: close a running Vellumar

; ---- log and command line, shared by the installer and the uninstaller -------------------

; Appends one line, with the local time, to the log named by /LOG (nothing without one).
!macro LogLine text
  ${If} $LogFile != ""
    StrCpy $LogText "${text}"  ; before the registers below change
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
    FileOpen $7 $LogFile a
    ${IfNot} ${Errors}
      FileSeek $7 0 END
      FileWrite $7 "$2-$1-$0 $4:$5:$6  $LogText$\r$\n"
      FileClose $7
    ${EndIf}
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
  ${EndIf}
!macroend
!define LogLine "!insertmacro LogLine"

; Reads the switches; starts the log afresh when /LOG is given.
!macro ReadCommandLine
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/VERYSILENT" $R1
  ${IfNot} ${Errors}
    SetSilent silent
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SILENT" $R1
  ${IfNot} ${Errors}
    SetSilent silent
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOICONS" $R1
  ${IfNot} ${Errors}
    StrCpy $NoIcons 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/FORCECLOSEAPPLICATIONS" $R1
  ${IfNot} ${Errors}
    StrCpy $ForceClose 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LOG=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 != ""
    StrCpy $LogFile $R1
    ClearErrors
    FileOpen $R2 $LogFile w
    ${If} ${Errors}
      StrCpy $LogFile ""  ; an unwritable log must not stop the install
    ${Else}
      FileClose $R2
    ${EndIf}
  ${EndIf}
  ${LogLine} "$EXEFILE ${VERSION} (${ARCH}), command line: $R0"
!macroend

!macro UseRegistryView
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
!macroend

; ---- installer ----------------------------------------------------------------------------

Function .onInit
  !insertmacro ReadCommandLine
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      ${LogLine} "Stopped: this installer needs 64-bit Windows"
      MessageBox MB_ICONSTOP "This installer is for 64-bit Windows. Please use the 32-bit installer." /SD IDOK
      SetErrorLevel ${EXIT_STOPPED}
      Quit
    ${EndIf}
  !endif
  !insertmacro UseRegistryView
  ; An installed copy is upgraded where it is.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\vellumar.exe"
    StrCpy $INSTDIR $R0
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${LogLine} "Found version $R1 in $INSTDIR"
  ${EndIf}
FunctionEnd

; Stops when a Vellumar main window is open, or closes it with /FORCECLOSEAPPLICATIONS and
; waits up to 10 s for its process to end. Sets $R9 to 1 when the install may go on.
Function CloseRunningProgram
  StrCpy $R9 1
  StrCpy $R0 0  ; last window looked at
  ${Do}
    FindWindow $R0 "${WINDOW_CLASS}" "" 0 $R0
    ${If} $R0 == 0
      ${ExitDo}
    ${EndIf}
    System::Call 'user32::GetWindow(p $R0, i 4) p .R1'  ; GW_OWNER
    ${If} $R1 != 0
      ${Continue}
    ${EndIf}
    ${If} $ForceClose != 1
      ${LogLine} "Stopped: Vellumar is running"
      MessageBox MB_ICONSTOP "Vellumar is running. Please close it and run this installer again." /SD IDOK
      StrCpy $R9 0
      Return
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p $R0, *i 0 R2)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i $R2) p .R3'  ; SYNCHRONIZE
    ${LogLine} "Closing the running Vellumar (process $R2)"
    System::Call 'user32::PostMessageW(p $R0, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $R3 == 0
      ; No handle on the process: wait for the window to go instead.
      StrCpy $R4 258  ; WAIT_TIMEOUT
      ${For} $R5 1 100
        System::Call 'user32::IsWindow(p $R0) i .R6'
        ${If} $R6 == 0
          StrCpy $R4 0
          ${ExitFor}
        ${EndIf}
        Sleep 100
      ${Next}
    ${Else}
      System::Call 'kernel32::WaitForSingleObject(p $R3, i ${CLOSE_WAIT_MS}) i .R4'
      System::Call 'kernel32::CloseHandle(p $R3)'
    ${EndIf}
    ${If} $R4 != 0
      ${LogLine} "Stopped: Vellumar did not close within 10 seconds"
      MessageBox MB_ICONSTOP "Vellumar did not close. Please close it and run this installer again." /SD IDOK
      StrCpy $R9 0
      Return
    ${EndIf}
    ${LogLine} "Vellumar closed"
    StrCpy $R0 0  ; look again from the start
  ${Loop}
FunctionEnd

; A program whose window has gone may still be ending (writing its log): waits up to 10 s
; for its file to become writable. Sets $R9 to 1 when the install may go on.
Function WaitForProgramFile
  StrCpy $R9 1
  ${IfNot} ${FileExists} "$INSTDIR\vellumar.exe"
    Return
  ${EndIf}
  ${For} $R5 1 100
    ClearErrors
    FileOpen $R6 "$INSTDIR\vellumar.exe" a
    ${IfNot} ${Errors}
      FileClose $R6
      Return
    ${EndIf}
    Sleep 100
  ${Next}
  ${LogLine} "Stopped: $INSTDIR\vellumar.exe is in use"
  MessageBox MB_ICONSTOP "Vellumar is still running from $INSTDIR. Please close it and run this installer again." /SD IDOK
  StrCpy $R9 0
FunctionEnd

Section "Vellumar" SecProgram
  SectionIn RO
  ${LogLine} "Installing into $INSTDIR"
  Call CloseRunningProgram
  ${If} $R9 == 1
    Call WaitForProgramFile
  ${EndIf}
  ${If} $R9 != 1
    SetErrorLevel ${EXIT_STOPPED}
    Quit
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  ClearErrors
  File "${STAGE}\vellumar.exe"
  File "${STAGE}\libcrypto-3${OPENSSL_SUFFIX}.dll"
  File "${STAGE}\libssl-3${OPENSSL_SUFFIX}.dll"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    ${LogLine} "Stopped: could not write the program's files"
    MessageBox MB_ICONSTOP "Could not write the program's files into $INSTDIR." /SD IDOK
    SetErrorLevel ${EXIT_STOPPED}
    Quit
  ${EndIf}
  ${LogLine} "Copied vellumar.exe, the OpenSSL libraries and the licence texts"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${LogLine} "Wrote $INSTDIR\uninstall.exe"

  ; All users' Start menu; an earlier shortcut goes when this install asks for none.
  SetShellVarContext all
  ${If} $NoIcons == 1
    ${LogLine} "No shortcut (/NOICONS)"
  ${Else}
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\vellumar.exe" "" "$INSTDIR\vellumar.exe" 0
    ${LogLine} "Created the shortcut $SMPROGRAMS\${PRODUCT}.lnk"
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vellumar.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${LogLine} "Wrote the uninstall entry ${DISPLAY_NAME} ${VERSION} ($0 KiB)"
  ${LogLine} "Done"
SectionEnd

Function .onInstFailed
  ${LogLine} "Install failed"
FunctionEnd

Function .onUserAbort
  ${LogLine} "Cancelled by the user"
FunctionEnd

; ---- uninstaller ----------------------------------------------------------------------------

Function un.onInit
  !insertmacro ReadCommandLine
  !insertmacro UseRegistryView
FunctionEnd

; The user's settings (HKCU\Software\Quintavo\Vellumar) and data folder (log, downloads) stay.
Section "Uninstall"
  ${LogLine} "Removing Vellumar from $INSTDIR"
  Delete "$INSTDIR\vellumar.exe"
  Delete "$INSTDIR\libcrypto-3${OPENSSL_SUFFIX}.dll"
  Delete "$INSTDIR\libssl-3${OPENSSL_SUFFIX}.dll"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The maker's folder goes too when nothing else of the maker's is in it.
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} "$0" $1
  ${If} $1 == "${MAKER}"
    RMDir "$0"
  ${EndIf}

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The path value every program of the maker records; the key goes only when empty.
  DeleteRegValue HKCU "${MAKER_KEY}" "${PRODUCT}"
  DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
  ${LogLine} "Removed the program, the shortcut and the uninstall entry"
SectionEnd
