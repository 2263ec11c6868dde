; Vellumar's setup program: what users and the program's own update run. Before anything else it
; reads the command line, opens the log and checks its own file, so that a damaged download under
; any silent switch ends with a log line and an exit code, never a window. It then unpacks the
; installer proper (install.nsi) into a new folder in Program Files, which only administrators
; can write, runs it from there with the same command line and returns its exit code.
; Built by scripts/packaging.sh (build_installer), which appends the digest this file checks:
;   makensis -DVERSION=a.b.c.d -DARCH=x64|x86 -DART=<folder> -DINSTALLER=<installer.exe> -DOUTFILE=<file> vellumar.nsi
; The switches and exit codes: common.nsh and README.md.

!define WITH_HELP
!include "${__FILEDIR__}\common.nsh"

!ifndef ART | INSTALLER
  !error "define ART and INSTALLER"
!endif

; No window of NSIS's own, not even for a damaged file (NSIS would ask about one only without /S);
; the check below is this script's, the wizard the installer's.
SilentInstall silent
CRCCheck off
SetCompress off  ; the installer inside is compressed already
Icon "${ART}\vellumar.ico"
Caption "${PRODUCT} ${VERSION} Setup"
!insertmacro VersionInfo "${PRODUCT} installer"

; The digest block that scripts/packaging.sh appends: this text (15 characters and a zero), the
; length of what makensis wrote (8 bytes), then the SHA-256 of that from byte 512 on (32 bytes).
!define DIGEST_MAGIC "VellumarDigest1"
!define DIGEST_SIZE 56
; The bytes before 512 are the headers that signing changes (checksum, certificate table).
!define DIGEST_FROM 512

!define HELP "${PRODUCT} ${VERSION} Setup$\r$\n$\r$\n\
/VERYSILENT, /SILENT or /S: no window at all$\r$\n\
/NOICONS: no Start-menu shortcut$\r$\n\
/LOG=$\"file$\": a log of the steps$\r$\n\
/FORCECLOSEAPPLICATIONS: close a running Vellumar$\r$\n\
/ALLOWDOWNGRADE: install over a newer version$\r$\n\
/D=folder: the install folder (last, without quotes)$\r$\n\
/? or /HELP: this help$\r$\n$\r$\n\
Exit codes:$\r$\n\
0  done$\r$\n\
1  cancelled$\r$\n\
2  stopped: Vellumar runs or did not close, a file was not written$\r$\n\
3  a newer version is installed$\r$\n\
4  this setup file is damaged$\r$\n\
5  the folder is refused"

Var RunDir

; Reads $R3 bytes at offset $R2 of the file $R0 into the buffer $R1. $R3 out: 1 when all were read.
Function ReadAt
  Push $0
  StrCpy $0 $R3
  System::Call 'kernel32::SetFilePointerEx(p R0, l R2, p 0, i 0) i .R3'
  ${If} $R3 != 0
    System::Call 'kernel32::ReadFile(p R0, p R1, i r0, *i .R3, p 0)'
    ${If} $R3 == $0
      StrCpy $R3 1
    ${Else}
      StrCpy $R3 0
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

; Checks this file against the digest behind NSIS's data (and before a signature). $R9 out: ""
; when it is intact, else what is wrong.
Function CheckIntegrity
  StrCpy $R9 ""
  System::Call 'kernel32::CreateFileW(w "$EXEPATH", i 0x80000000, i 1, p 0, i 3, i 0, p 0) p .R0'
  ${If} $R0 == -1
    StrCpy $R9 "it cannot be read"
    Return
  ${EndIf}
  System::Alloc 1048576
  Pop $R1
  System::Call 'kernel32::GetFileSizeEx(p R0, *l .R4)'
  ; The end of the data: the certificate table of a signed file, else the file's end.
  StrCpy $R5 $R4
  StrCpy $R2 0
  StrCpy $R3 64
  Call ReadAt
  ${If} $R3 == 1
    IntPtrOp $R6 $R1 + 0x3C
    System::Call '*$R6(i .R6)'  ; e_lfanew
    ${If} $R6 > 0
    ${AndIf} $R6 < 4000
      StrCpy $R2 $R6
      StrCpy $R3 26
      Call ReadAt
      IntPtrOp $R8 $R1 + 24  ; after "PE\0\0" and the file header: the optional header's kind
      System::Call '*$R8(&i2 .R8)'
      ${If} $R8 = 0x20B
        IntOp $R2 $R6 + 168  ; PE32+: the security directory
      ${Else}
        IntOp $R2 $R6 + 152  ; PE32
      ${EndIf}
      StrCpy $R3 8
      Call ReadAt
      System::Call '*$R1(i .R6, i .R7)'
      ${If} $R3 == 1
      ${AndIf} $R7 != 0
        StrCpy $R5 $R6
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ; The digest block, maybe followed by up to 7 zero bytes that align a signature.
  StrCpy $R7 ""
  ${ForEach} $R8 0 7 + 1
    IntOp $R2 $R5 - ${DIGEST_SIZE}
    IntOp $R2 $R2 - $R8
    ${If} $R2 < ${DIGEST_FROM}
      ${Break}
    ${EndIf}
    StrCpy $R3 ${DIGEST_SIZE}
    Call ReadAt
    ${If} $R3 == 1
      System::Call '*$R1(&m16 .R6)'
      ${If} $R6 S== "${DIGEST_MAGIC}"
        StrCpy $R7 $R2
        ${Break}
      ${EndIf}
    ${EndIf}
  ${Next}
  ${If} $R7 == ""
    StrCpy $R9 "no digest: the file is incomplete"
    Goto close
  ${EndIf}
  IntPtrOp $R6 $R1 + 16
  System::Call '*$R6(l .R8)'
  ${If} $R8 < ${DIGEST_FROM}
  ${OrIf} $R8 > $R7
    StrCpy $R9 "its digest is damaged"
    Goto close
  ${EndIf}
  ; The expected digest, kept beside the buffer's end.
  IntPtrOp $R6 $R1 + 24
  IntPtrOp $R2 $R1 + 1048512
  System::Call 'kernel32::RtlMoveMemory(p R2, p R6, i 32)'
  ; SHA-256 of bytes DIGEST_FROM to $R8.
  System::Call 'bcrypt::BCryptOpenAlgorithmProvider(*p .R6, w "SHA256", p 0, i 0) i .R3'
  ${If} $R3 != 0
    StrCpy $R9 "SHA-256 is not available ($R3)"
    Goto close
  ${EndIf}
  System::Call 'bcrypt::BCryptCreateHash(p R6, *p .R7, p 0, i 0, p 0, i 0, i 0) i .R3'
  System::Call 'kernel32::SetFilePointerEx(p R0, l ${DIGEST_FROM}, p 0, i 0)'
  IntOp $R8 $R8 - ${DIGEST_FROM}
  ${DoWhile} $R8 > 0
    StrCpy $R4 1048448  ; a multiple of 64 that leaves the expected digest alone
    ${If} $R8 < $R4
      StrCpy $R4 $R8
    ${EndIf}
    System::Call 'kernel32::ReadFile(p R0, p R1, i R4, *i .R3, p 0)'
    ${If} $R3 != $R4
      StrCpy $R9 "it is shorter than its digest says"
      ${ExitDo}
    ${EndIf}
    System::Call 'bcrypt::BCryptHashData(p R7, p R1, i R4, i 0)'
    IntOp $R8 $R8 - $R4
  ${Loop}
  System::Call 'bcrypt::BCryptFinishHash(p R7, p R1, i 32, i 0)'
  System::Call 'bcrypt::BCryptDestroyHash(p R7)'
  System::Call 'bcrypt::BCryptCloseAlgorithmProvider(p R6, i 0)'
  ${If} $R9 == ""
    IntPtrOp $R2 $R1 + 1048512
    System::Call 'ntdll::RtlCompareMemory(p R1, p R2, p 32) p .R3'
    ${If} $R3 != 32
      StrCpy $R9 "its content does not match its digest"
    ${EndIf}
  ${EndIf}
close:
  System::Free $R1
  System::Call 'kernel32::CloseHandle(p R0)'
FunctionEnd

; Ends the run with an exit code; a message box only when not silent (this program is silent to
; NSIS itself, so /SD would hide every box).
!macro Finish code message
  ${If} $Silent != 1
  ${AndIf} "${message}" != ""
    MessageBox MB_ICONSTOP "${message}"
  ${EndIf}
  SetErrorLevel ${code}
  Quit
!macroend

Function .onInit
  StrCpy $LogHandle 0
  Call ReadSwitches
  ; A new folder in Program Files, made before any plug-in is unpacked: the plug-ins and the
  ; installer run from there. Only an administrator can make it.
  ClearErrors
  GetTempFileName $RunDir "${PROGRAM_FILES}"
  ${IfNot} ${Errors}
    Delete $RunDir
    CreateDirectory $RunDir
  ${EndIf}
  ${IfNot} ${FileExists} "$RunDir\*.*"
    ; Not elevated: nothing runs with more rights than the user's, so the log is opened as it is.
    ${If} $LogPath != ""
      FileOpen $LogHandle $LogPath w
    ${EndIf}
    ${LogLine} "$EXEFILE ${VERSION} (${ARCH}), command line: $Params"
    ${LogLine} "Stopped: administrator rights are needed (cannot write to ${PROGRAM_FILES})"
    !insertmacro Finish ${EXIT_STOPPED} "Setup needs administrator rights.$\r$\n$\r$\nPlease run it as an administrator."
  ${EndIf}
  UnsafeStrCpy $PLUGINSDIR $RunDir  ; NSIS removes it, with all in it, when this program ends
  SetFileAttributes $RunDir HIDDEN
  Push 1
  Call OpenLog
  ${LogLine} "$EXEFILE ${VERSION} (${ARCH}), command line: $Params"
  ${If} $Unknown != ""
    ${LogLine} "Unknown switches, ignored:$Unknown"
  ${EndIf}
  ${If} $Help == 1
    Push "${HELP}"
    Call ShowHelp
    !insertmacro Finish 0 ""
  ${EndIf}

  Call CheckIntegrity
  ${If} $R9 != ""
    ${LogLine} "Stopped: this setup file is damaged ($R9); please download it again"
    !insertmacro Finish ${EXIT_DAMAGED} "This setup file is damaged: $R9.$\r$\n$\r$\nPlease download it again."
  ${EndIf}

  ClearErrors
  SetOutPath $RunDir
  SetOverwrite try  ; a failure sets the error flag instead of asking (this program has no /SD)
  File "/oname=$RunDir\setup.exe" "${INSTALLER}"
  ${If} ${Errors}
    ${LogLine} "Stopped: could not write $RunDir\setup.exe"
    !insertmacro Finish ${EXIT_STOPPED} "Setup could not unpack the installer into this folder:$\r$\n$\r$\n$RunDir"
  ${EndIf}
  SetOutPath $SYSDIR  ; the folder must not be the working folder when it is removed
  StrCpy $0 '"$RunDir\setup.exe" '
  ${If} $Silent == 1
    StrCpy $0 "$0/S "  ; NSIS's own silent switch, so that not even its checks show a window
  ${EndIf}
  StrCpy $0 "$0$Params"
  ${If} $INSTDIR != ""
    StrCpy $0 "$0 /D=$INSTDIR"
    StrCpy $2 $INSTDIR 1 -1
    ${If} $2 == ":"
      StrCpy $0 "$0\"  ; NSIS hands a drive's root on as "C:", which the installer would not take
    ${EndIf}
  ${EndIf}
  ClearErrors
  ExecWait $0 $1
  ${If} ${Errors}
    ${LogLine} "Stopped: could not start $RunDir\setup.exe"
    !insertmacro Finish ${EXIT_STOPPED} "Setup could not start the installer."
  ${EndIf}
  Delete "$RunDir\setup.exe"
  ${LogLine} "Exit code $1"
  !insertmacro Finish $1 ""
FunctionEnd

Section
SectionEnd
