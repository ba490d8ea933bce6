; The uninstaller (uninstall.exe in the product's folder): the installer's "uninstall", then the
; files this setup laid out, the folder when it is empty, and the entry in Programs and Features.
; It carries its own copy of the installer for a folder whose drv\qvinstall.exe is gone.

!insertmacro QV_SETUP_LOG_FUNCTIONS "un." "${UNINSTALL_LOG}" "uninstaller"
!insertmacro QV_FOLDER_RIGHTS_FUNCTIONS "un."
!insertmacro QV_WORK_FOLDER_FUNCTIONS "un."
!insertmacro QV_INSTALLER_RUN_FUNCTIONS "un."
!insertmacro QV_SINGLE_INSTANCE_FUNCTION "un."
!insertmacro QV_MACHINE_CHECKS_FUNCTION "un."

; The self-deletion's tries, one a second, while the file is still held.
!define SELF_DELETE_TRIES 10

Function un.onInit
  Call un.ChooseWorkFolder      ; before the first plug-in call makes the plug-ins folder
  Call un.EnsureSingleInstance  ; then: a second run must not overwrite the first one's log
  Call un.OpenLog
  !insertmacro QV_LOG "$LockNote"
  Call un.EnsureMachine         ; before the work folder, whose rights only an administrator sets
  Call un.LockWorkFolder
FunctionEnd

; The installer in drv\ when it is of this build, else the uninstaller's own copy (a folder that
; was damaged or cleaned, or holds another build).
Function un.ChooseInstaller
  StrCpy $InstallerExe "$INSTDIR\drv\qvinstall.exe"
  ClearErrors
  ${GetFileVersion} $InstallerExe $R1
  ${If} ${Errors}
  ${OrIf} $R1 != "${QV_VERSION}"
    File "/oname=$PLUGINSDIR\qvinstall.exe" "${QV_PACKAGE_DIR}/drv/qvinstall.exe"
    !insertmacro QV_LOG "$InstallerExe is missing or of another build ($R1): the uninstaller's own copy runs"
    StrCpy $InstallerExe "$PLUGINSDIR\qvinstall.exe"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.ChooseInstaller
  !insertmacro QV_RUN_INSTALLER "$InstallerExe" "uninstall"
  !insertmacro QV_FAIL_UNLESS_STARTED "$InstallerExe"
  !insertmacro QV_TAKE_OUTCOME ${QV_UNINSTALLED} "${MSG_UNINSTALL_ERRORS}"
  !insertmacro QV_LOG "Removing the laid-out files and the entry"
  !insertmacro QV_PRODUCT_FILES_DELETE "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Left empty by the installer once its printer record is gone; kept when anything else is there.
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${PUBLISHER_KEY}"
SectionEnd

; Run in place, the uninstaller cannot delete its own file while it runs (it keeps the file open
; to read itself, so it cannot move it away either): a hidden batch file in the work folder's
; %TEMP% (work_folder.nsh: only SYSTEM and Administrators may write there) deletes it once
; the uninstaller has ended, then the marker <uninstaller>.removing beside it and the folder if it
; is empty, then itself. A setup started meanwhile waits until the marker is gone before it lays
; anything out. Each second, up to SELF_DELETE_TRIES times while the file is held, the batch first
; looks for the product's entry: when a setup has written it again, the file is no longer this
; uninstaller's and stays. Started from a copy elsewhere (no "_?="), the file goes at once.
Function un.RemoveSelf
  SetOutPath "$TEMP"  ; neither this program nor the command processor keeps the folder as its own
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    Return
  ${EndIf}
  FileOpen $R1 "$INSTDIR\${UNINSTALLER}${REMOVING_SUFFIX}" w
  FileClose $R1
  GetTempFileName $R0
  Rename $R0 "$R0.cmd"
  FileOpen $R1 "$R0.cmd" w
  FileWrite $R1 '@echo off$\r$\nset tries=0$\r$\n:again$\r$\nping -n 2 127.0.0.1 >nul 2>&1$\r$\n'
  FileWrite $R1 'reg query "HKLM\${UNINSTALL_KEY}" >nul 2>&1$\r$\nif not errorlevel 1 goto done$\r$\n'
  FileWrite $R1 'del /f /q "$INSTDIR\${UNINSTALLER}" >nul 2>&1$\r$\n'
  FileWrite $R1 'if not exist "$INSTDIR\${UNINSTALLER}" goto done$\r$\n'
  FileWrite $R1 'set /a tries+=1$\r$\nif %tries% lss ${SELF_DELETE_TRIES} goto again$\r$\n:done$\r$\n'
  FileWrite $R1 'del /f /q "$INSTDIR\${UNINSTALLER}${REMOVING_SUFFIX}" >nul 2>&1 & rmdir "$INSTDIR" >nul 2>&1$\r$\n'
  FileWrite $R1 'del /f /q "%~f0" >nul 2>&1$\r$\n'
  FileClose $R1
  !insertmacro QV_LOG "$INSTDIR\${UNINSTALLER} goes once the uninstaller has ended ($R0.cmd)"
  ExecShell "" "$SYSDIR\cmd.exe" '/d /q /c "$R0.cmd"' SW_HIDE
FunctionEnd

; Right before the uninstaller ends (interactive: once the person has closed its window): 3010
; when Windows must restart to finish, offering the restart (interactive; 1641 when accepted), else
; 0. A restart now takes the uninstaller's own file and folder with it.
Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
    !insertmacro QV_LOG "Done (${EXIT_RESTART_NEEDED}): Windows must restart to finish"
    ${IfNot} ${Silent}
    ${AndIf} ${Cmd} `MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_RESTART_TO_FINISH}" IDYES`
      SetErrorLevel ${EXIT_RESTART_STARTED}
      !insertmacro QV_LOG "Restart accepted (${EXIT_RESTART_STARTED})"
      Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
      RMDir /REBOOTOK "$INSTDIR"
      Reboot
    ${EndIf}
  ${Else}
    SetErrorLevel ${EXIT_SUCCESS}
    !insertmacro QV_LOG "Done (${EXIT_SUCCESS})"
  ${EndIf}
  Call un.RemoveSelf
FunctionEnd

Function un.OnCancel
  !insertmacro QV_ON_CANCEL
FunctionEnd
