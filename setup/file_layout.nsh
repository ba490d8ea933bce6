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
; out in it, first of all (nothing is changed when that fails). A folder that existed, with its
; drv\ when it has one, may be another account's: its owner could always change its rights again,
; so each gets Administrators as owner before the rights. When the owner cannot be set the setup
; refuses (1603) and a folder it had just made goes again.
Function SecureInstallFolder
  StrLen $1 "$PROGRAMFILES64\"
  StrCpy $2 "$INSTDIR\" $1
  ${If} $2 == "$PROGRAMFILES64\"
    Return
  ${EndIf}
  StrCpy $R3 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    CreateDirectory "$INSTDIR"
    StrCpy $R3 1
  ${EndIf}
  StrCpy $R0 "$INSTDIR"
  Call SecureFolder
  StrCpy $R0 "$INSTDIR\drv"
  ${If} ${FileExists} "$R0\*.*"
    Call SecureFolder
  ${EndIf}
FunctionEnd

; The folder $R0 (of the install folder, $R3 1 when the setup has just made it): Administrators
; as owner, then Program Files' rights; logged with the owner it had.
Function SecureFolder
  Call ReadFolderOwner
  StrCpy $R1 "${FOLDER_RIGHTS_SDDL}"
  Call SetFolderOwnerAndRights
  ${If} $0 <> 0
  ${AndIf} $1 == "owner"
    ${If} $R3 = 1
      RMDir "$INSTDIR"
    ${EndIf}
    !insertmacro QV_FAIL "${MSG_OWNER_NOT_SET} $R0 (owner $R2, error $0)"
  ${ElseIf} $0 <> 0
    !insertmacro QV_FAIL "${MSG_RIGHTS_NOT_SET} $R0 (error $0)"
  ${EndIf}
  !insertmacro QV_LOG "Owner of $R0: Administrators (it was $R2)"
  !insertmacro QV_LOG "Rights of $R0: ${FOLDER_RIGHTS_TEXT}"
FunctionEnd

; The owner of the folder $R0 as a SID in $R2 ("unknown" when it cannot be read).
Function ReadFolderOwner
  StrCpy $R2 "unknown"
  System::Call 'advapi32::GetNamedSecurityInfoW(w "$R0", i ${SE_FILE_OBJECT}, i ${OWNER_SECURITY_INFORMATION}, *p .r2, p 0, p 0, p 0, *p .r3) i .r0'
  ${If} $0 <> 0
    Return
  ${EndIf}
  ${If} $2 <> 0
    System::Call 'advapi32::ConvertSidToStringSidW(p r2, *p .r4) i .r0'
    ${If} $0 <> 0
      System::Call '*$4(&w256 .R2)'
      System::Call 'kernel32::LocalFree(p r4)'
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r3)'
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
