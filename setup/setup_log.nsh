; The setup program's and the uninstaller's own log: each step, each installer word with its exit
; code and the installer's log lines in full. It goes to the file /LOG=<file> names, else (or when
; that file cannot be written) to <default name> in the work folder's %TEMP% (work_folder.nsh);
; every line also goes to the details view.

Var LogFile  ; the open log, "" when none could be opened
Var LogPath

; Writes one line to the log and the details view.
!macro QV_LOG TEXT
  Push `${TEXT}`
  !ifdef __UNINSTALL__
    Call un.LogLine
  !else
    Call LogLine
  !endif
!macroend

!macro QV_SETUP_LOG_FUNCTIONS PREFIX DEFAULT_NAME PROGRAM
Function ${PREFIX}LogLine
  Exch $0
  DetailPrint $0
  ${If} $LogFile != ""
    FileWrite $LogFile "$0$\r$\n"
  ${EndIf}
  Pop $0
FunctionEnd

Function ${PREFIX}OpenLog
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/LOG=" $LogPath
  ${If} ${Errors}
  ${OrIf} $LogPath == ""
    StrCpy $LogPath "$TEMP\${DEFAULT_NAME}"
  ${EndIf}
  ClearErrors
  FileOpen $LogFile $LogPath w
  ${If} ${Errors}
    StrCpy $LogPath "$TEMP\${DEFAULT_NAME}"
    ClearErrors
    FileOpen $LogFile $LogPath w
    ${If} ${Errors}
      StrCpy $LogFile ""
    ${EndIf}
  ${EndIf}
  ${GetTime} "" "L" $1 $2 $3 $4 $5 $6 $7
  !insertmacro QV_LOG "${PRODUCT_NAME} ${PROGRAM} ${QV_VERSION}, $3-$2-$1 $5:$6:$7, command line: $R0"
FunctionEnd

; The installer's log of its last run ($PLUGINSDIR\qvinstall.log), line by line; none for the
; words that write no log.
Function ${PREFIX}LogInstallerLines
  ClearErrors
  FileOpen $R8 "$PLUGINSDIR\qvinstall.log" r
  ${If} ${Errors}
    Return
  ${EndIf}
  ${Do}
    ClearErrors
    FileRead $R8 $R7
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
    ${TrimNewLines} $R7 $R7
    !insertmacro QV_LOG "  | $R7"
  ${Loop}
  FileClose $R8
FunctionEnd
!macroend
