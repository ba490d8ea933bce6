; What the machine must offer before anything is changed: 64-bit Windows and an administrator.
!macro QV_MACHINE_CHECKS_FUNCTION PREFIX
Function ${PREFIX}EnsureMachine
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NEEDS_64BIT}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NEEDS_ADMIN}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  SetRegView 64
FunctionEnd
!macroend
