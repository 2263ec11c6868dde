; Shared by the setup program (vellumar.nsi), the installer inside it (install.nsi) and the
; uninstaller (uninstall.nsi). All three are NSIS installers: each runs where it is and waits
; for its work, so its exit code is the result.
;
; Command line (the program's own update runs "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=..."):
;   /VERYSILENT, /SILENT, /S    no window at all (the uninstaller's /S also closes a running Vellumar)
;   /NOICONS                    no Start-menu shortcut
;   /LOG="path"                 a plain-text log of the steps, written to path (never through a link)
;   /FORCECLOSEAPPLICATIONS     close a running Vellumar (WM_CLOSE, up to 10 s) instead of stopping
;   /ALLOWDOWNGRADE             install over a newer version
;   /PURGE                      (uninstaller) also remove the user's settings and log
;   /?, /HELP                   the switches: a message box, or the log and nothing else when silent
;   /D=folder                   the install folder (last on the line, unquoted)
; Exit codes: see the EXIT_ names below and README.md.

Unicode true
; Not solid: each file is unpacked straight from the program file, with no temporary copy of the
; data in the user's temporary folder.
SetCompressor lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include WordFunc.nsh
!include x64.nsh

!ifndef VERSION | ARCH | OUTFILE
  !error "define VERSION, ARCH (x64 or x86) and OUTFILE"
!endif

; The names come from the program's own header.
!searchparse /file "${__FILEDIR__}/../src/common/product_version.h" '#define VELLUMAR_COMPANY_NAME "' MAKER '"'
!searchparse /file "${__FILEDIR__}/../src/common/product_version.h" '#define VELLUMAR_PRODUCT_NAME "' PRODUCT '"'
!define DISPLAY_NAME "${MAKER} ${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${DISPLAY_NAME}"
!define MAKER_KEY "Software\${MAKER}"
!define PRODUCT_KEY "Software\${MAKER}\${PRODUCT}"
; Every window of the program has this class; the main window is the one without an owner.
!define WINDOW_CLASS "VellumarWindow"
!define CLOSE_WAIT_MS 10000

!define EXIT_CANCELLED 1  ; the user cancelled
!define EXIT_STOPPED 2    ; Vellumar runs (and may not be closed) or did not close, a file could not be written or removed
!define EXIT_NEWER 3      ; a newer version is installed (and no /ALLOWDOWNGRADE)
!define EXIT_DAMAGED 4    ; the setup file is damaged (or incomplete)
!define EXIT_FOLDER 5     ; the install folder is refused: a drive's root, a folder of other files, or it could not be secured

!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define OPENSSL_SUFFIX "-x64"
  !define PROGRAM_FILES "$PROGRAMFILES64"
!else if "${ARCH}" == "x86"
  Target x86-unicode
  !define OPENSSL_SUFFIX ""
  !define PROGRAM_FILES "$PROGRAMFILES"
!else
  !error "ARCH must be x64 or x86"
!endif

OutFile "${OUTFILE}"
Name "${PRODUCT}"
; A drive's root reaches the script, which refuses it with a reason (NSIS would drop it silently).
AllowRootDirInstall true
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"

!macro VersionInfo description
  VIProductVersion "${VERSION}"
  VIFileVersion "${VERSION}"
  VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
  VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
  VIAddVersionKey /LANG=1033 "FileDescription" "${description}"
  VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
  VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
  VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${MAKER}"
!macroend

Var Params          ; the command line after the program's name (NSIS has taken /D= off)
Var Silent          ; 1: /VERYSILENT, /SILENT or /S
Var SwitchS         ; 1: /S itself
Var NoIcons
Var ForceClose
Var AllowDowngrade
Var Purge
Var Help
Var LogPath
Var LogHandle       ; 0 or empty: no log
Var LogText
Var Unknown         ; switches this program does not know, for the log

; ---- command line ---------------------------------------------------------------------------

; Notes one switch of the command line (popped from the stack).
Function TakeSwitch
  Exch $0
  Push $1
  StrCpy $1 $0 5
  ${If} $0 == "/VERYSILENT"
  ${OrIf} $0 == "/SILENT"
    StrCpy $Silent 1
  ${ElseIf} $0 == "/S"
    StrCpy $Silent 1
    StrCpy $SwitchS 1
  ${ElseIf} $0 == "/NOICONS"
    StrCpy $NoIcons 1
  ${ElseIf} $0 == "/FORCECLOSEAPPLICATIONS"
    StrCpy $ForceClose 1
  ${ElseIf} $0 == "/ALLOWDOWNGRADE"
    StrCpy $AllowDowngrade 1
  ${ElseIf} $0 == "/PURGE"
    StrCpy $Purge 1
  ${ElseIf} $0 == "/?"
  ${OrIf} $0 == "/HELP"
    StrCpy $Help 1
  ${ElseIf} $1 == "/LOG="
    StrCpy $LogPath $0 "" 5
    ${WordReplace} $LogPath '"' "" "+" $LogPath
  ${ElseIf} $0 == "/NCRC"
    ; NSIS's own
  ${Else}
    StrCpy $1 $0 3
    ${If} $1 != "_?="  ; an earlier uninstaller's "run in place"
      StrCpy $Unknown "$Unknown $0"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Reads the command line switch by switch; a quoted part (/LOG="C:\a b\x.log") stays in its switch.
Function ReadSwitches
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  ${GetParameters} $Params
  StrCpy $0 "$Params "
  StrCpy $1 0   ; position
  StrCpy $3 ""  ; the switch so far
  StrCpy $4 0   ; 1: inside quotes
  ${Do}
    StrCpy $2 $0 1 $1
    ${If} $2 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $2 == '"'
      IntOp $4 1 - $4
      StrCpy $3 "$3$2"
    ${ElseIf} $2 == " "
    ${AndIf} $4 == 0
      ${If} $3 != ""
        Push $3
        Call TakeSwitch
      ${EndIf}
      StrCpy $3 ""
    ${Else}
      StrCpy $3 "$3$2"
    ${EndIf}
  ${Loop}
  ${If} $3 != ""  ; an unclosed quote
    Push $3
    Call TakeSwitch
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; ---- log ----------------------------------------------------------------------------------

; Appends one line, with the local time, to the log (nothing without one).
!macro LogLine text
  StrCpy $LogText "${text}"
  Call WriteLogLine
!macroend
!define LogLine "!insertmacro LogLine"

Function WriteLogLine
  ${If} $LogHandle == ""
  ${OrIf} $LogHandle == 0
    Return
  ${EndIf}
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  ; Another step of the same run (setup and installer) may have written since.
  FileSeek $LogHandle 0 END
  FileWrite $LogHandle "$2-$1-$0 $4:$5:$6  $LogText$\r$\n"
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Opens $LogPath and keeps it open for the whole run (pop: 1 starts it afresh, 0 appends). An
; elevated run must write only where the path leads: a symbolic link, a hard link or a junction
; on the way is refused, and then there is no log. An unwritable log never stops the run either.
Function OpenLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $LogHandle 0
  ${If} $LogPath == ""
    Goto done
  ${EndIf}
  Push $LogPath
  System::Call 'kernel32::GetFullPathNameW(w s, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r3'
  ${If} $3 == 0
    Goto done
  ${EndIf}
  ; An existing file is opened as it is (the setup holds it open for the installer); a new one
  ; with the right to remove it again, which the next opener must then share.
  StrCpy $3 0
  System::Call 'kernel32::CreateFileW(w r1, i 0xC0000000, i 7, p 0, i 3, i 0x00200080, p 0) p .r2'
  ${If} $2 == -1
    StrCpy $3 1
    System::Call 'kernel32::CreateFileW(w r1, i 0xC0010000, i 3, p 0, i 1, i 0x00200080, p 0) p .r2'
  ${EndIf}
  ${If} $2 == -1
    Goto done
  ${EndIf}
  System::Alloc 52  ; BY_HANDLE_FILE_INFORMATION
  Pop $4
  System::Call 'kernel32::GetFileInformationByHandle(p r2, p r4) i .r5'
  System::Call '*$4(i .r5, i, i, i, i, i, i, i, i, i, i .r6)'
  System::Free $4
  IntOp $5 $5 & 0x410  ; a reparse point or a folder
  ; Where the handle really leads, against the path given with its short names made long.
  System::Call 'kernel32::GetFinalPathNameByHandleW(p r2, w .r7, i ${NSIS_MAX_STRLEN}, i 0) i .r4'
  StrCpy $4 $7 8
  ${If} $4 == "\\?\UNC\"
    StrCpy $7 $7 "" 8
    StrCpy $7 "\\$7"
  ${Else}
    StrCpy $4 $7 4
    ${If} $4 == "\\?\"
      StrCpy $7 $7 "" 4
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::GetLongPathNameW(w r1, w .r4, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 == 0
    StrCpy $4 ""
  ${EndIf}
  ${If} $5 != 0
  ${OrIf} $6 != 1
  ${OrIf} $7 != $4
    ${If} $3 == 1
      System::Call 'kernel32::SetFileInformationByHandle(p r2, i 4, *i 1, i 4)'  ; FileDispositionInfo: remove what we made
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
    Goto done
  ${EndIf}
  ${If} $0 == 1
    System::Call 'kernel32::SetFilePointer(p r2, i 0, p 0, i 0)'
    System::Call 'kernel32::SetEndOfFile(p r2)'
  ${EndIf}
  StrCpy $LogHandle $2
done:
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; ---- a running Vellumar (the installer and the uninstaller define PROGRAM_CHECKS) ---------------
!ifdef PROGRAM_CHECKS


; $R9 out: the main window of a running Vellumar, or 0.
Function FindProgramWindow
  Push $0
  Push $1
  StrCpy $0 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}" "" 0 $0
    ${If} $0 == 0
      ${ExitDo}
    ${EndIf}
    System::Call 'user32::GetWindow(p r0, i 4) p .r1'  ; GW_OWNER
    ${If} $1 == 0
      ${ExitDo}
    ${EndIf}
  ${Loop}
  StrCpy $R9 $0
  Pop $1
  Pop $0
FunctionEnd

; Closes the Vellumar whose main window is $R9 as a user would (WM_CLOSE: it saves its settings
; and log) and waits up to 10 s for its process to end. $R9 out: 1 when it ended.
Function CloseProgramWindow
  Push $0
  Push $1
  Push $2
  Push $3
  System::Call 'user32::GetWindowThreadProcessId(p R9, *i 0 r0)'
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r0) p .r1'  ; SYNCHRONIZE
  ${LogLine} "Closing the running Vellumar (process $0)"
  System::Call 'user32::PostMessageW(p R9, i ${WM_CLOSE}, p 0, p 0)'
  ${If} $1 == 0
    ; No handle on the process: wait for the window to go instead.
    StrCpy $2 258  ; WAIT_TIMEOUT
    ${For} $3 1 100
      System::Call 'user32::IsWindow(p R9) i .r0'
      ${If} $0 == 0
        StrCpy $2 0
        ${ExitFor}
      ${EndIf}
      Sleep 100
    ${Next}
  ${Else}
    System::Call 'kernel32::WaitForSingleObject(p r1, i ${CLOSE_WAIT_MS}) i .r2'
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  ${If} $2 == 0
    ${LogLine} "Vellumar closed"
    StrCpy $R9 1
  ${Else}
    ${LogLine} "Vellumar did not close within 10 seconds"
    StrCpy $R9 0
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Before files are touched: a running Vellumar is closed when $ForceClose is 1, asked about when
; the run is interactive, and stops a silent run otherwise. $R9 out: 1 when none runs any more.
Function EnsureProgramClosed
  ${Do}
    Call FindProgramWindow
    ${If} $R9 == 0
      StrCpy $R9 1
      Return
    ${EndIf}
    ${If} $ForceClose == 1
      Call CloseProgramWindow
      ${If} $R9 != 1
        ${LogLine} "Stopped: Vellumar did not close"
        StrCpy $R9 0
        Return
      ${EndIf}
    ${ElseIf} ${Silent}
      ${LogLine} "Stopped: Vellumar is running (/FORCECLOSEAPPLICATIONS closes it)"
      StrCpy $R9 0
      Return
    ${ElseIfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Vellumar is running.$\r$\n$\r$\nClose it, then choose Retry." /SD IDCANCEL IDRETRY`
      ${LogLine} "Stopped: Vellumar is running"
      StrCpy $R9 0
      Return
    ${EndIf}
  ${Loop}
FunctionEnd

; A program whose window has gone may still be ending (writing its log): waits up to 10 s for
; $INSTDIR\vellumar.exe to become writable. $R9 out: 1 when it is (or is not there).
Function WaitForProgramFile
  Push $0
  Push $1
  StrCpy $R9 1
  ${If} ${FileExists} "$INSTDIR\vellumar.exe"
    StrCpy $R9 0
    ${For} $0 1 100
      ClearErrors
      FileOpen $1 "$INSTDIR\vellumar.exe" a
      ${IfNot} ${Errors}
        FileClose $1
        StrCpy $R9 1
        ${ExitFor}
      ${EndIf}
      Sleep 100
    ${Next}
    ${If} $R9 != 1
      ${LogLine} "Stopped: $INSTDIR\vellumar.exe is in use"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Ends a run that could not do its work with an exit code: a silent one at once, an interactive
; one on its progress page, which shows why (the user closes it).
!macro Stop code
  SetErrorLevel ${code}
  ${If} ${Silent}
    Quit
  ${EndIf}
  Abort
!macroend

; The wizard's side picture for the screen's DPI (MUI has put the 96-DPI one in place).
Function GuiInit
  System::Call 'user32::GetDC(p 0) p .r0'
  System::Call 'gdi32::GetDeviceCaps(p r0, i 90) i .r1'  ; LOGPIXELSY
  System::Call 'user32::ReleaseDC(p 0, p r0)'
  ${If} $1 > 120
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ART}\wizard-144.bmp"
  ${EndIf}
FunctionEnd

; ---- the page shown while Vellumar runs (Retry / Close it / Cancel) --------------------------

Var RunningLabel

!macro RunningPageFunctions ACTION
  Function RunningPage
    Call FindProgramWindow
    ${If} $R9 == 0
      Abort  ; nothing runs: no page
    ${EndIf}
    !insertmacro MUI_HEADER_TEXT "Vellumar is running" "Close it to go on."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 64u "Vellumar is running. ${ACTION} cannot go on while it runs.$\r$\n$\r$\nClose Vellumar and choose Retry, or choose Close it: Vellumar then closes as when you close it, keeping its settings and log."
    Pop $RunningLabel
    ${NSD_CreateButton} 0 72u 80u 15u "Close &it"
    Pop $0
    ${NSD_OnClick} $0 RunningPageCloseIt
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:&Retry"
    nsDialogs::Show
  FunctionEnd

  Function RunningPageCloseIt
    Pop $0
    Call FindProgramWindow
    ${If} $R9 != 0
      ${NSD_SetText} $RunningLabel "Closing Vellumar..."
      Call CloseProgramWindow
      ${If} $R9 != 1
        ${NSD_SetText} $RunningLabel "Vellumar did not close within 10 seconds.$\r$\n$\r$\nClose it yourself and choose Retry, or choose Cancel."
        Return
      ${EndIf}
    ${EndIf}
    SendMessage $HWNDPARENT 0x408 1 0  ; on to the next page
  FunctionEnd

  Function RunningPageLeave
    Call FindProgramWindow
    ${If} $R9 != 0
      ${NSD_SetText} $RunningLabel "Vellumar is still running.$\r$\n$\r$\nClose Vellumar and choose Retry, or choose Close it."
      Abort
    ${EndIf}
  FunctionEnd
!macroend

!endif

; ---- help (the setup program and the uninstaller define WITH_HELP) -----------------------------
!ifdef WITH_HELP


; Shows the switches (pop: the text): a message box, or the log alone when silent.
Function ShowHelp
  Exch $0
  ${If} $Silent == 1
    ${LogLine} "Switches:$\r$\n$0"
  ${Else}
    MessageBox MB_OK|MB_ICONINFORMATION "$0"
  ${EndIf}
  Pop $0
FunctionEnd

!endif

; ---- the run's own folder -------------------------------------------------------------------

; The plug-ins (DLLs) of an elevated run are unpacked into $PLUGINSDIR; by default that is in
; the user's temporary folder, which the user's other programs can write. This makes it a new
; folder inside the given one, which only administrators can write, before any plug-in is used.
!macro PrivatePluginsDir parent
  CreateDirectory "${parent}\plugins.tmp"
  ${If} ${FileExists} "${parent}\plugins.tmp\*.*"
    UnsafeStrCpy $PLUGINSDIR "${parent}\plugins.tmp"
  ${EndIf}
!macroend
