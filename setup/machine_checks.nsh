; What the machine must offer before anything is changed: Windows on an x64 (AMD64) processor, not
; x64 emulated on another one (ARM64), and an administrator.
!macro QV_MACHINE_CHECKS_FUNCTION PREFIX
Function ${PREFIX}EnsureMachine
  ${IfNot} ${IsNativeAMD64}
    !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${MSG_NEEDS_AMD64}"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NEEDS_AMD64}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${MSG_NEEDS_ADMIN}"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NEEDS_ADMIN}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  SetRegView 64
  !insertmacro QV_LOG "Machine: x64 (AMD64), run by an administrator"
FunctionEnd
!macroend
