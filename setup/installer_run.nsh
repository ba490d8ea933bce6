; Running the installer (qvinstall.exe) with one command word and the setup window as the owner of
; its log window, and turning its exit code into the setup program's.

; Runs "<exe>" <word> <owner window>; the exit code in $0, or "" when it could not be started.
!macro QV_RUN_INSTALLER EXE WORD
  ClearErrors
  ExecWait '"${EXE}" ${WORD} $HWNDPARENT' $0
  ${If} ${Errors}
    StrCpy $0 ""
  ${EndIf}
!macroend

; Ends the setup program or the uninstaller with 1603 and a message (silent: the exit code only).
!macro QV_FAIL TEXT
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
; errors the log window has shown (100), or anything else.
!macro QV_TAKE_OUTCOME SUCCESS ERRORS_TEXT
  ${If} $0 = ${QV_RESTART_TO_FINISH}
    SetRebootFlag true
  ${ElseIf} $0 = ${QV_ERRORS_LOGGED}
    !insertmacro QV_FAIL "${ERRORS_TEXT}"
  ${ElseIf} $0 <> ${SUCCESS}
    !insertmacro QV_FAIL "${MSG_UNEXPECTED} $0."
  ${EndIf}
!macroend

; After a successful run: 3010 when Windows must restart to finish (interactive: the offer to
; restart now), else 0.
!macro QV_FINISH
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
    ${IfNot} ${Silent}
      MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_RESTART_TO_FINISH}" IDNO +2
      Reboot
    ${EndIf}
  ${Else}
    SetErrorLevel ${EXIT_SUCCESS}
  ${EndIf}
!macroend
