; The uninstaller, uninstall.exe in the install folder. It is an NSIS installer of its own, not
; NSIS's uninstaller (which copies itself to the temporary folder, returns at once and leaves
; that folder behind): it runs where it is, waits for its work and returns the result. What it
; cannot delete while it runs, itself and the emptied folders, a hidden command interpreter of the
; system removes once it has ended. Built by scripts/packaging.sh (build_installer):
;   makensis -DVERSION=a.b.c.d -DARCH=x64|x86 -DART=<folder> -DOUTFILE=<uninstall.exe> uninstall.nsi

!define PROGRAM_CHECKS
!define WITH_HELP
!include "${__FILEDIR__}\common.nsh"
!include MUI2.nsh
!include nsDialogs.nsh

!ifndef ART
  !error "define ART"
!endif

Caption "${PRODUCT} ${VERSION} Uninstall"
ShowInstDetails show
CompletedText "Removed"
!insertmacro VersionInfo "${PRODUCT} uninstaller"

Var PurgeBox

!define MUI_ICON "${ART}\vellumar.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}\wizard-96.bmp"
!define MUI_CUSTOMFUNCTION_GUIINIT GuiInit
!define MUI_CUSTOMFUNCTION_ABORT UserAbort

Page custom ConfirmPage ConfirmPageLeave
Page custom RunningPage RunningPageLeave
!define MUI_PAGE_HEADER_TEXT "Removing ${PRODUCT}"
!define MUI_PAGE_HEADER_SUBTEXT "Please wait while ${PRODUCT} is removed."
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "Removed"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "${PRODUCT} has been removed."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Not removed"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "${PRODUCT} could not be removed."
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} has been removed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been removed from this computer."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

!insertmacro RunningPageFunctions "The uninstall"

!define HELP "${PRODUCT} ${VERSION} Uninstall$\r$\n$\r$\n\
/VERYSILENT or /SILENT: no window; a running Vellumar stops it$\r$\n\
/S: no window; a running Vellumar is closed$\r$\n\
/FORCECLOSEAPPLICATIONS: close a running Vellumar$\r$\n\
/PURGE: also remove your settings and log$\r$\n\
/LOG=$\"file$\": a log of the steps$\r$\n\
/? or /HELP: this help$\r$\n$\r$\n\
Exit codes:$\r$\n\
0  removed$\r$\n\
1  cancelled$\r$\n\
2  stopped: Vellumar runs or did not close, a file was not removed"

Function .onInit
  ; Its plug-ins in the install folder, which only administrators can write, not in the user's
  ; temporary folder; NSIS removes them when it ends.
  !insertmacro PrivatePluginsDir "$EXEDIR"
  StrCpy $LogHandle 0
  Call ReadSwitches
  ${If} $Silent == 1
    SetSilent silent
  ${EndIf}
  Push 1
  Call OpenLog
  ${LogLine} "$EXEFILE ${VERSION} (${ARCH}), command line: $Params"
  ${If} $Unknown != ""
    ${LogLine} "Unknown switches, ignored:$Unknown"
  ${EndIf}
  ${If} $Help == 1
    Push "${HELP}"
    Call ShowHelp
    SetErrorLevel 0
    Quit
  ${EndIf}
  ; The silent uninstall that uninstall entries offer (/S) may close the program.
  ${If} $SwitchS == 1
    StrCpy $ForceClose 1
  ${EndIf}
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
  StrCpy $INSTDIR $EXEDIR
FunctionEnd

Function ConfirmPage
  !insertmacro MUI_HEADER_TEXT "Uninstall ${PRODUCT}" "Remove ${PRODUCT} ${VERSION} from this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "${PRODUCT} ${VERSION} will be removed from this folder:$\r$\n$\r$\n$INSTDIR"
  Pop $0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "Also remove my &settings and log"
  Pop $PurgeBox
  ${If} $Purge == 1
    ${NSD_Check} $PurgeBox
  ${EndIf}
  ${NSD_CreateLabel} 12u 62u -12u 30u "Without this, your settings and the log stay on this computer for a later install of ${PRODUCT}."
  Pop $0
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:&Uninstall"
  nsDialogs::Show
FunctionEnd

Function ConfirmPageLeave
  ${NSD_GetState} $PurgeBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Purge 1
  ${Else}
    StrCpy $Purge 0
  ${EndIf}
FunctionEnd

Function UserAbort
  ${LogLine} "Cancelled by the user"
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd

; Removes the user's settings (the registry key) and the files the program writes into the
; user's data folder; other files stay, and so does a folder that is not empty then.
Function PurgeUserData
  DeleteRegKey HKCU "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
  StrCpy $0 "$APPDATA\${MAKER}\${PRODUCT}"
  ${If} ${FileExists} "$0\*.*"
    Delete "$0\${PRODUCT}.log"
    Delete "$0\vellumar.ini"
    Delete "$0\update.log"
    Delete "$0\update.exe"
    RMDir "$0"
    RMDir "$APPDATA\${MAKER}"
  ${EndIf}
  ${LogLine} "Removed the settings (HKCU\${PRODUCT_KEY}) and the log in $0 (/PURGE)"
FunctionEnd

; uninstall.exe cannot delete itself while it runs, but it can rename itself: to a name of this
; run, so that a new install into the folder is never touched. The system's command interpreter,
; started without a window, removes that file and the emptied folders once this process has
; ended (it tries about once a second, for a minute).
Function RemoveSelfLater
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  StrCpy $3 "$EXEPATH.$0"
  ClearErrors
  Rename $EXEPATH $3
  ${If} ${Errors}
    StrCpy $3 $EXEPATH
  ${EndIf}
  ${GetParent} $INSTDIR $1
  StrCpy $2 ""
  ${GetFileName} $1 $0
  ${If} $0 == "${MAKER}"
    StrCpy $2 ' & rd "$1" 2>nul'
  ${EndIf}
  StrCpy $0 'cmd.exe /d /q /c for /l %i in (1,1,60) do (ping -n 2 127.0.0.1 >nul & del /f /q "$3" 2>nul & rd "$INSTDIR" 2>nul$2 & if not exist "$3" exit)'
  SetDetailsPrint none
  SetOutPath $SYSDIR  ; our working folder must not hold on to the install folder either
  SetDetailsPrint both
  !if "${ARCH}" == "x64"
    System::Alloc 104  ; STARTUPINFOW
  !else
    System::Alloc 68
  !endif
  Pop $3
  !if "${ARCH}" == "x64"
    System::Call '*$3(i 104)'
  !else
    System::Call '*$3(i 68)'
  !endif
  System::Alloc 24  ; PROCESS_INFORMATION
  Pop $4
  ; CREATE_NO_WINDOW: no console window, even for a moment.
  System::Call 'kernel32::CreateProcessW(w "$SYSDIR\cmd.exe", w r0, p 0, p 0, i 0, i 0x08000000, p 0, w "$SYSDIR", p r3, p r4) i .r5'
  ${If} $5 != 0
    System::Call '*$4(p .r6, p .r7)'
    System::Call 'kernel32::CloseHandle(p r6)'
    System::Call 'kernel32::CloseHandle(p r7)'
  ${Else}
    ${LogLine} "Could not start the removal of $EXEPATH"
  ${EndIf}
  System::Free $3
  System::Free $4
FunctionEnd

Section "Remove"
  ${LogLine} "Removing ${PRODUCT} from $INSTDIR"
  Call EnsureProgramClosed
  ${If} $R9 != 1
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}
  Call WaitForProgramFile
  ${If} $R9 != 1
    MessageBox MB_ICONSTOP "Vellumar is still ending.$\r$\n$\r$\nPlease wait a moment and try again." /SD IDOK
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}

  ; The program's files by name; nothing else in the folder is touched.
  Delete "$INSTDIR\vellumar.exe"
  Delete "$INSTDIR\vellumar.com"
  Delete "$INSTDIR\libcrypto-3${OPENSSL_SUFFIX}.dll"
  Delete "$INSTDIR\libssl-3${OPENSSL_SUFFIX}.dll"
  Delete "$INSTDIR\licenses\LICENSE.txt"
  Delete "$INSTDIR\licenses\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\licenses\OpenSSL-LICENSE.txt"
  Delete "$INSTDIR\licenses\mingw-w64-runtime.txt"
  RMDir "$INSTDIR\licenses"
  ${If} ${FileExists} "$INSTDIR\vellumar.exe"
  ${OrIf} ${FileExists} "$INSTDIR\vellumar.com"
  ${OrIf} ${FileExists} "$INSTDIR\libssl-3${OPENSSL_SUFFIX}.dll"
  ${OrIf} ${FileExists} "$INSTDIR\libcrypto-3${OPENSSL_SUFFIX}.dll"
    ; The entry and the shortcut stay with the files, so that the uninstall can be tried again.
    ${LogLine} "Stopped: could not remove the program's files from $INSTDIR"
    MessageBox MB_ICONSTOP "Setup could not remove ${PRODUCT}'s files from this folder:$\r$\n$\r$\n$INSTDIR" /SD IDOK
    !insertmacro Stop ${EXIT_STOPPED}
  ${EndIf}
  ${LogLine} "Removed the program's files"

  ; The entry and the shortcut belong to this copy only when the entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
  ${OrIf} $0 == "$INSTDIR\"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; The path value every program of the maker records; the key goes only when empty.
    DeleteRegValue HKCU "${MAKER_KEY}" "${PRODUCT}"
    DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
    ${LogLine} "Removed the shortcut and the uninstall entry"
  ${Else}
    ${LogLine} "The uninstall entry names another folder ($0): entry and shortcut kept"
  ${EndIf}
  ${If} $Purge == 1
    SetShellVarContext current
    Call PurgeUserData
  ${EndIf}
  Call RemoveSelfLater
  ${LogLine} "Done"
SectionEnd
