; Running the installer (qvinstall.exe) with one command word, the setup window as the owner and
; its log into the temporary folder (/log=, so that its log window never opens and waits), and
; turning its exit code into the setup program's.

Var InstallerExe
Var InstallerWord
Var Failed  ; 1 once the run has failed: a later cancel does not change its code

; Runs "<exe>" <word> <owner window> /log=...; the exit code in $0, or "" when it could not be
; started. The word, its exit code and the installer's log go to the setup's log.
!macro QV_RUN_INSTALLER EXE WORD
  StrCpy $InstallerExe `${EXE}`
  StrCpy $InstallerWord `${WORD}`
  !ifdef __UNINSTALL__
    Call un.RunInstaller
  !else
    Call RunInstaller
  !endif
!macroend

!macro QV_INSTALLER_RUN_FUNCTIONS PREFIX
Function ${PREFIX}RunInstaller
  Delete "$PLUGINSDIR\qvinstall.log"
  ClearErrors
  ExecWait '"$InstallerExe" $InstallerWord $HWNDPARENT "/log=$PLUGINSDIR\qvinstall.log"' $0
  ${If} ${Errors}
    StrCpy $0 ""
    !insertmacro QV_LOG "qvinstall $InstallerWord: could not be started ($InstallerExe)"
  ${Else}
    !insertmacro QV_LOG "qvinstall $InstallerWord: exit code $0"
    Call ${PREFIX}LogInstallerLines
  ${EndIf}
FunctionEnd
!macroend

; Ends the setup program or the uninstaller with 1603, the text in its log and a message (silent:
; the log and the exit code only).
!macro QV_FAIL TEXT
  StrCpy $Failed 1
  !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${TEXT}"
  MessageBox MB_ICONSTOP|MB_OK "${TEXT}" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort
!macroend

; Fails unless the installer, started as $0 tells, ended with one of its own codes.
!macro QV_FAIL_UNLESS_STARTED EXE
  ${If} $0 == ""
    !insertmacro QV_FAIL "${MSG_NOT_STARTED}: ${EXE}"
  ${EndIf}
!macroend

; The outcome of an install or uninstall run in $0: success (SUCCESS), a restart to finish (101),
; errors logged (100: their lines are in the details and the log), or anything else.
!macro QV_TAKE_OUTCOME SUCCESS ERRORS_TEXT
  ${If} $0 = ${QV_RESTART_TO_FINISH}
    SetRebootFlag true
  ${ElseIf} $0 = ${QV_ERRORS_LOGGED}
    SetDetailsView show
    !insertmacro QV_FAIL "${ERRORS_TEXT} $LogPath"
  ${ElseIf} $0 <> ${SUCCESS}
    !insertmacro QV_FAIL "${MSG_UNEXPECTED} $0."
  ${EndIf}
!macroend

; At the end of a successful run: 3010 when Windows must restart to finish; interactive, the offer
; to restart now, 1641 when the person accepts it. Else 0.
!macro QV_FINISH
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
    !insertmacro QV_LOG "Done (${EXIT_RESTART_NEEDED}): Windows must restart to finish"
    ${IfNot} ${Silent}
      ${If} ${Cmd} `MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_RESTART_TO_FINISH}" IDYES`
        SetErrorLevel ${EXIT_RESTART_STARTED}
        !insertmacro QV_LOG "Restart accepted (${EXIT_RESTART_STARTED})"
        Reboot
      ${EndIf}
    ${EndIf}
  ${Else}
    SetErrorLevel ${EXIT_SUCCESS}
    !insertmacro QV_LOG "Done (${EXIT_SUCCESS})"
  ${EndIf}
!macroend

; A person cancels (before anything was run or between pages): 1602.
!macro QV_ON_CANCEL
  ${If} $Failed != 1
    SetErrorLevel ${EXIT_CANCELLED}
    !insertmacro QV_LOG "Cancelled by the person (${EXIT_CANCELLED})"
  ${EndIf}
!macroend
