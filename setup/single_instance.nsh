; One setup program or uninstaller at a time: the named mutex is held until the process ends. One
; that exists but may not be opened (created by a run as SYSTEM) is held by another run as well.
!macro QV_SINGLE_INSTANCE_FUNCTION PREFIX
Function ${PREFIX}EnsureSingleInstance
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = ${ERROR_ALREADY_EXISTS}
  ${OrIf} $1 = ${ERROR_ACCESS_DENIED}
    MessageBox MB_ICONEXCLAMATION|MB_OK "${MSG_ALREADY_RUNNING}" /SD IDOK
    SetErrorLevel ${EXIT_ALREADY_RUNNING}
    Quit
  ${EndIf}
FunctionEnd
!macroend
