; One setup program or uninstaller at a time: a mutex held until the process ends, in the private
; namespace "Quintavera" whose boundary holds the Administrators group (the installer's own mutex
; lives there as well). Only a process whose token carries the Administrators group may create or
; open that namespace, so a name another account made, in Global\ or anywhere, blocks nothing.
;
; Where the namespace cannot be had (a call of it fails), the machine-wide name Global\<name> is
; used: made with Administrators as owner, so that a mutex of that name whose owner is neither
; SYSTEM nor Administrators (or that an administrator may not even open) is another account's. It
; blocks nothing either: the run goes on without the guard and logs it.

!define NAMESPACE_BOUNDARY "Quintavera"
!define NAMESPACE_ALIAS "Quintavera"
; Full control for SYSTEM and Administrators only, owned by Administrators (namespace and mutex).
!define LOCK_SDDL "O:BAD:(A;;GA;;;SY)(A;;GA;;;BA)"
!define SECURITY_ATTRIBUTES_SIZE 24
!define SE_KERNEL_OBJECT 6
!define WIN_LOCAL_SYSTEM_SID 22
!define WIN_BUILTIN_ADMINISTRATORS_SID 26

Var LockAttributes  ; SECURITY_ATTRIBUTES with LOCK_SDDL
Var LockNote        ; what the guard found, logged once the log is open

!macro QV_SINGLE_INSTANCE_FUNCTION PREFIX
; The namespace's handle in $0 (0 when it cannot be had; then why in $1). The handle stays
; open until the process ends: the namespace lives while a process holds it.
Function ${PREFIX}OpenProductNamespace
  StrCpy $0 0
  System::Call 'kernel32::CreateBoundaryDescriptorW(w "${NAMESPACE_BOUNDARY}", i 0) p .r2 ?e'
  Pop $1
  StrCpy $1 "error $1"
  ${If} $2 == "error"
    StrCpy $1 "kernel32 has no CreateBoundaryDescriptorW"
  ${EndIf}
  ${If} $2 = 0
    Return
  ${EndIf}
  System::Call 'advapi32::ConvertStringSidToSidW(w "${ADMINISTRATORS_SID}", *p .r3) i .r4 ?e'
  Pop $1
  StrCpy $1 "error $1"
  ${If} $4 <> 0
    System::Call 'kernel32::AddSIDToBoundaryDescriptor(*p r2r2, p r3) i .r4 ?e'
    Pop $1
    StrCpy $1 "error $1"
    ${If} $4 <> 0
      System::Call 'kernel32::CreatePrivateNamespaceW(p $LockAttributes, p r2, w "${NAMESPACE_ALIAS}") p .r0 ?e'
      Pop $1
      ${If} $0 = 0
      ${AndIf} $1 = ${ERROR_ALREADY_EXISTS}
        System::Call 'kernel32::OpenPrivateNamespaceW(p r2, w "${NAMESPACE_ALIAS}") p .r0 ?e'
        Pop $1
      ${EndIf}
      StrCpy $1 "error $1"
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r3)'
  ${EndIf}
  System::Call 'kernel32::DeleteBoundaryDescriptor(p r2)'
  ${If} $0 = 0  ; "error" when the call is missing
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; $0 1 when the mutex $2 (just made, the name existed) is a setup's: owned by SYSTEM or
; Administrators, as every setup makes it.
Function ${PREFIX}IsSetupsMutex
  StrCpy $0 0
  System::Call 'advapi32::GetSecurityInfo(p r2, i ${SE_KERNEL_OBJECT}, i ${OWNER_SECURITY_INFORMATION}, *p .r3, p 0, p 0, p 0, *p .r4) i .r1'
  ${If} $1 <> 0
    Return
  ${EndIf}
  ${If} $3 <> 0
    System::Call 'advapi32::IsWellKnownSid(p r3, i ${WIN_LOCAL_SYSTEM_SID}) i .r0'
    ${If} $0 = 0
      System::Call 'advapi32::IsWellKnownSid(p r3, i ${WIN_BUILTIN_ADMINISTRATORS_SID}) i .r0'
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r4)'
FunctionEnd

; Ends with 1618 (nothing done, the first run's log untouched) while another setup or uninstaller
; holds the guard.
Function ${PREFIX}EnsureSingleInstance
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${LOCK_SDDL}", i ${SDDL_REVISION_1}, *p .r5, p 0) i .r0'
  System::Call '*(i ${SECURITY_ATTRIBUTES_SIZE}, i 0, p r5, i 0, i 0) p .s'
  Pop $LockAttributes
  Call ${PREFIX}OpenProductNamespace
  StrCpy $7 $0  ; the namespace's handle, 0 without it
  ${If} $7 <> 0
    StrCpy $6 "${NAMESPACE_ALIAS}\${SETUP_MUTEX}"
    StrCpy $LockNote "One setup at a time: $6, in the private namespace of the Administrators"
    System::Call 'kernel32::CreateMutexW(p $LockAttributes, i 0, w "$6") p .r2 ?e'
    Pop $1
    ${If} $2 = 0
    ${AndIf} $1 <> ${ERROR_ACCESS_DENIED}
      StrCpy $LockNote "$LockNote; the mutex cannot be made there (error $1)"
      StrCpy $7 0
    ${EndIf}
  ${Else}
    StrCpy $LockNote "The private namespace cannot be had ($1)"
  ${EndIf}
  ${If} $7 = 0
    StrCpy $6 "Global\${SETUP_MUTEX}"
    StrCpy $LockNote "$LockNote; $6 is used"
    System::Call 'kernel32::CreateMutexW(p $LockAttributes, i 0, w "$6") p .r2 ?e'
    Pop $1
  ${EndIf}
  System::Free $LockAttributes
  System::Call 'kernel32::LocalFree(p r5)'
  ${If} $7 <> 0  ; in the namespace, whatever holds the name is a setup's
    ${If} $1 = ${ERROR_ALREADY_EXISTS}
    ${OrIf} $1 = ${ERROR_ACCESS_DENIED}
      Goto running
    ${EndIf}
  ${ElseIf} $1 = ${ERROR_ALREADY_EXISTS}
    Call ${PREFIX}IsSetupsMutex
    ${If} $0 = 1
      Goto running
    ${EndIf}
    StrCpy $LockNote "$LockNote; it is held by a program of another account: it blocks nothing, this run goes on without it"
  ${ElseIf} $2 = 0
    StrCpy $LockNote "$LockNote; it cannot be had (error $1): this run goes on without it"
  ${EndIf}
  Return
running:
  MessageBox MB_ICONEXCLAMATION|MB_OK "${MSG_ALREADY_RUNNING}" /SD IDOK
  SetErrorLevel ${EXIT_ALREADY_RUNNING}
  Quit
FunctionEnd
!macroend
