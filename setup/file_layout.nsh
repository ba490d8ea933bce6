; Laying the product's files out so that each one lands or the setup says it did not, the rights of
; a folder outside %ProgramFiles%, and the files an earlier folder held.

; Every file the setup program lays out, below a folder, and their new contents still waiting for
; the restart; nothing else there is touched.
!macro QV_PRODUCT_FILES_DELETE DIR
  Delete "${DIR}\drv\*${NEW_FILE_SUFFIX}"
  Delete "${DIR}\*${NEW_FILE_SUFFIX}"
  Delete /REBOOTOK "${DIR}\drv\qvinstall.exe"
  Delete /REBOOTOK "${DIR}\drv\orbmon64.dll"
  Delete /REBOOTOK "${DIR}\drv\orbdrv64.dll"
  Delete /REBOOTOK "${DIR}\drv\orbui64.dll"
  Delete /REBOOTOK "${DIR}\drv\orbhelp.chm"
  Delete /REBOOTOK "${DIR}\qvatray.exe"
  RMDir "${DIR}\drv"
!macroend

; One file of the package into $OUTDIR: written beside its target, then put in its place; a target
; held by another program is replaced at the restart (the reboot flag: 3010). Inline in the
; section, so that the section's size counts it.
!macro QV_LAY_OUT_FILE SOURCE NAME
  Delete "$OUTDIR\${NAME}${NEW_FILE_SUFFIX}"
  File "/oname=${NAME}${NEW_FILE_SUFFIX}" "${SOURCE}"
  Push "$OUTDIR\${NAME}"
  Call PlaceNewFile
!macroend

; The layout the installer expects: itself and the product files in drv\, the tray program
; beside drv\; the uninstaller first, so that whatever lands can be removed.
!macro QV_LAY_OUT_PRODUCT_FILES
  !insertmacro QV_LOG "Laying out the files in $INSTDIR"
  SetOutPath "$INSTDIR"
  Delete "$INSTDIR\${UNINSTALLER}${NEW_FILE_SUFFIX}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}${NEW_FILE_SUFFIX}"
  Push "$INSTDIR\${UNINSTALLER}"
  Call PlaceNewFile
  SetOutPath "$INSTDIR\drv"
  !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/drv/qvinstall.exe" "qvinstall.exe"
  !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/drv/orbmon64.dll" "orbmon64.dll"
  !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/drv/orbdrv64.dll" "orbdrv64.dll"
  !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/drv/orbui64.dll" "orbui64.dll"
  !ifdef QV_HAVE_HELP
    !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/drv/orbhelp.chm" "orbhelp.chm"
  !endif
  SetOutPath "$INSTDIR"
  !insertmacro QV_LAY_OUT_FILE "${QV_PACKAGE_DIR}/qvatray.exe" "qvatray.exe"
!macroend

; An uninstaller that has just ended may still be deleting its own file in this folder: the layout
; waits until it is done (at most 15 s; a marker left by a removal that never ended goes).
Function WaitForEarlierUninstaller
  StrCpy $1 0
  ${Do}
    ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}${REMOVING_SUFFIX}"
    ${OrIf} $1 >= 60
      ${ExitDo}
    ${EndIf}
    Sleep 250
    IntOp $1 $1 + 1
  ${Loop}
  ${If} $1 > 0
    !insertmacro QV_LOG "Waited $1 x 250 ms for an earlier uninstaller to delete its own file"
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}${REMOVING_SUFFIX}"
FunctionEnd

; Puts <target>.qvnew in the place of <target> (on the stack): at once when the old file can be
; deleted, else queued to replace it at the restart. Fails (1603) when neither works.
Function PlaceNewFile
  Exch $R0
  ${IfNot} ${FileExists} "$R0${NEW_FILE_SUFFIX}"
    !insertmacro QV_FAIL "${MSG_FILE_NOT_LAID_OUT} $R0"
  ${EndIf}
  ClearErrors
  ${If} ${FileExists} "$R0"
    Delete "$R0"
  ${EndIf}
  ${IfNot} ${Errors}
    ClearErrors
    Rename "$R0${NEW_FILE_SUFFIX}" "$R0"
    ${IfNot} ${Errors}
      Pop $R0
      Return
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename /REBOOTOK "$R0${NEW_FILE_SUFFIX}" "$R0"
  ${If} ${Errors}
    !insertmacro QV_FAIL "${MSG_FILE_NOT_LAID_OUT} $R0"
  ${EndIf}
  !insertmacro QV_LOG "Held by another program, replaced at the restart: $R0"
  Pop $R0
FunctionEnd

; Outside %ProgramFiles% the folder would inherit the drive's rights, which let any user change
; what runs elevated and in every session: it gets Program Files' rights before anything is laid
; out in it.
Function SecureInstallFolder
  StrLen $1 "$PROGRAMFILES64\"
  StrCpy $2 "$INSTDIR\" $1
  ${If} $2 == "$PROGRAMFILES64\"
    Return
  ${EndIf}
  CreateDirectory "$INSTDIR"
  StrCpy $0 -1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${FOLDER_RIGHTS_SDDL}", i 1, *p .r1, p 0) i .r3'
  ${If} $3 <> 0
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r5, *i .r6) i .r3'
    ${If} $3 <> 0
      ; SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
      System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000004, p 0, p 0, p r5, p 0) i .r0'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $0 <> 0
    !insertmacro QV_FAIL "${MSG_RIGHTS_NOT_SET} $INSTDIR (error $0)"
  ${EndIf}
  !insertmacro QV_LOG "Rights of $INSTDIR: ${FOLDER_RIGHTS_TEXT}"
FunctionEnd

; An update into another folder (/D=): the earlier folder's laid-out files go, its other files stay.
Function RemoveEarlierFolder
  ${If} $EarlierDir == ""
  ${OrIf} $EarlierDir == $INSTDIR
    Return
  ${EndIf}
  !insertmacro QV_LOG "Removing the files laid out in the earlier folder $EarlierDir"
  !insertmacro QV_PRODUCT_FILES_DELETE "$EarlierDir"
  Delete /REBOOTOK "$EarlierDir\${UNINSTALLER}"
  RMDir "$EarlierDir"
FunctionEnd
