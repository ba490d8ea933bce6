; A folder's owner and access list, the owner first: whoever owned the folder before keeps no way
; to change its access list again. For the install folder and the work folder of elevated runs.

!define ADMINISTRATORS_SID "S-1-5-32-544"
!define SE_FILE_OBJECT 1
!define OWNER_SECURITY_INFORMATION 1
; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
!define OWNER_AND_PROTECTED_DACL 0x80000005
!define SDDL_REVISION_1 1
!define TOKEN_ADJUST_PRIVILEGES 0x20
!define SE_PRIVILEGE_ENABLED 2

; $0: the Windows error of the call that just failed, never 0 (on the stack, from "?e").
!macro QV_POP_ERROR
  Pop $0
  ${If} $0 = 0
    StrCpy $0 -1
  ${EndIf}
!macroend

!macro QV_FOLDER_RIGHTS_FUNCTIONS PREFIX
; An administrator may make a group of its own the owner of any object through the privilege to
; take ownership ("SeTakeOwnershipPrivilege"), which an elevated token holds but not enabled: so a
; folder whose access list keeps the Administrators out can still be taken over. Best effort: a
; token without it leaves the owner step to say no.
Function ${PREFIX}EnableTakeOwnership
  System::Call '*(i 1, i 0, i 0, i ${SE_PRIVILEGE_ENABLED}) p .r2'  ; TOKEN_PRIVILEGES, one LUID
  IntPtrOp $3 $2 + 4
  System::Call 'advapi32::LookupPrivilegeValueW(p 0, w "SeTakeOwnershipPrivilege", p r3) i .r0'
  ${If} $0 <> 0
    System::Call 'kernel32::GetCurrentProcess() p .r3'
    System::Call 'advapi32::OpenProcessToken(p r3, i ${TOKEN_ADJUST_PRIVILEGES}, *p .r4) i .r0'
    ${If} $0 <> 0
      System::Call 'advapi32::AdjustTokenPrivileges(p r4, i 0, p r2, i 0, p 0, p 0)'
      System::Call 'kernel32::CloseHandle(p r4)'
    ${EndIf}
  ${EndIf}
  System::Free $2
FunctionEnd

; The folder $R0 gets Administrators as its owner, then owner and the access list $R1 (SDDL of a
; protected DACL: nothing inherited) in one call, so that nobody puts either back in between.
; $0: 0, or the Windows error; $1: the step that failed, "owner" or "rights".
Function ${PREFIX}SetFolderOwnerAndRights
  Call ${PREFIX}EnableTakeOwnership
  StrCpy $1 "owner"
  System::Call 'advapi32::ConvertStringSidToSidW(w "${ADMINISTRATORS_SID}", *p .r5) i .r0 ?e'
  ${If} $0 = 0
    !insertmacro QV_POP_ERROR
    Return
  ${EndIf}
  Pop $0
  System::Call 'advapi32::SetNamedSecurityInfoW(w "$R0", i ${SE_FILE_OBJECT}, i ${OWNER_SECURITY_INFORMATION}, p r5, p 0, p 0, p 0) i .r0'
  ${If} $0 = 0
    StrCpy $1 "rights"
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "$R1", i ${SDDL_REVISION_1}, *p .r6, p 0) i .r0 ?e'
    ${If} $0 = 0
      !insertmacro QV_POP_ERROR
    ${Else}
      Pop $0
      System::Call 'advapi32::GetSecurityDescriptorDacl(p r6, *i .r3, *p .r7, *i .r4) i .r0 ?e'
      ${If} $0 = 0
        !insertmacro QV_POP_ERROR
      ${Else}
        Pop $0
        System::Call 'advapi32::SetNamedSecurityInfoW(w "$R0", i ${SE_FILE_OBJECT}, i ${OWNER_AND_PROTECTED_DACL}, p r5, p 0, p r7, p 0) i .r0'
      ${EndIf}
      System::Call 'kernel32::LocalFree(p r6)'
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r5)'
FunctionEnd
!macroend
