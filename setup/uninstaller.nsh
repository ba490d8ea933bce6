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
SectionEnd

; Run in place, the uninstaller cannot delete its own file while it runs: a hidden command
; processor deletes it and then the folder, if it is empty, once the uninstaller has ended (tried
; after 2, 6 and 16 seconds). Started from a copy elsewhere (no "_?="), the file goes at once.
Function un.RemoveSelf
  Delete "$INSTDIR\${UNINSTALLER}"
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Return
  ${EndIf}
  StrCpy $1 'del /f /q "$INSTDIR\${UNINSTALLER}" >nul 2>&1 & rmdir "$INSTDIR" >nul 2>&1'
  StrCpy $2 "127.0.0.1 >nul 2>&1"
  SetOutPath "$TEMP"  ; neither this program nor the command processor keeps the folder as its own
  ExecShell "" "$SYSDIR\cmd.exe" '/d /q /c ping -n 3 $2 & $1 & ping -n 5 $2 & $1 & ping -n 11 $2 & $1' SW_HIDE
FunctionEnd

; Right before the uninstaller ends (interactive: once the person has closed its window).
Function un.onUninstSuccess
  Call un.RemoveSelf
  !insertmacro QV_FINISH
FunctionEnd
