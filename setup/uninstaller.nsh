; The uninstaller (uninstall.exe in the product's folder): the installer's "uninstall", then the
; files this setup laid out, the folder when it is empty, and the entry in Programs and Features.

!insertmacro QV_SINGLE_INSTANCE_FUNCTION "un."
!insertmacro QV_MACHINE_CHECKS_FUNCTION "un."

; Every file the setup program lays out; nothing else in the folder is touched.
!macro QV_DELETE_PRODUCT_FILES
  Delete /REBOOTOK "$INSTDIR\drv\qvinstall.exe"
  Delete /REBOOTOK "$INSTDIR\drv\orbmon64.dll"
  Delete /REBOOTOK "$INSTDIR\drv\orbdrv64.dll"
  Delete /REBOOTOK "$INSTDIR\drv\orbui64.dll"
  Delete /REBOOTOK "$INSTDIR\drv\orbhelp.chm"
  Delete /REBOOTOK "$INSTDIR\qvatray.exe"
  RMDir "$INSTDIR\drv"
!macroend

Function un.onInit
  Call un.EnsureMachine
  Call un.EnsureSingleInstance
FunctionEnd

Section "Uninstall"
  !insertmacro QV_RUN_INSTALLER "$INSTDIR\drv\qvinstall.exe" "uninstall"
  !insertmacro QV_FAIL_UNLESS_STARTED "$INSTDIR\drv\qvinstall.exe"
  !insertmacro QV_TAKE_OUTCOME ${QV_UNINSTALLED} "${MSG_UNINSTALL_ERRORS}"
  !insertmacro QV_DELETE_PRODUCT_FILES
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Left empty by the installer once its printer record is gone; kept when anything else is there.
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${PUBLISHER_KEY}"
SectionEnd

; Run in place, the uninstaller cannot delete its own file while it runs (it also keeps the file
; open to read itself, so it cannot move it away either): a hidden command processor deletes it,
; and then the folder if it is empty, 3 seconds after the uninstaller has ended, the moment it
; ends here. Started from a copy elsewhere (no "_?="), the file goes at once.
Function un.RemoveSelf
  SetOutPath "$TEMP"  ; neither this program nor the command processor keeps the folder as its own
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    ExecShell "" "$SYSDIR\cmd.exe" '/d /q /c ping -n 4 127.0.0.1 >nul 2>&1 & del /f /q "$INSTDIR\${UNINSTALLER}" >nul 2>&1 & rmdir "$INSTDIR" >nul 2>&1' SW_HIDE
  ${EndIf}
FunctionEnd

; Right before the uninstaller ends (interactive: once the person has closed its window): 3010
; when Windows must restart to finish, offering the restart (interactive), else 0. A restart now
; takes the uninstaller's own file and folder with it.
Function un.onUninstSuccess
  StrCpy $R9 ""
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
    ${IfNot} ${Silent}
      MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_RESTART_TO_FINISH}" IDNO +2
      StrCpy $R9 "restart"
    ${EndIf}
  ${Else}
    SetErrorLevel ${EXIT_SUCCESS}
  ${EndIf}
  ${If} $R9 == "restart"
    Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
    RMDir /REBOOTOK "$INSTDIR"
    Reboot
  ${EndIf}
  Call un.RemoveSelf
FunctionEnd
