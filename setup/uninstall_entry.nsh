; The product's entry in Programs and Features (64-bit registry view): written by the setup, read
; by the next one to find the earlier install and its choices.

Var EarlierDir      ; InstallLocation of an installed product, "" when none
Var EarlierVersion  ; its DisplayVersion
Var EarlierNoTray   ; 1 when it was installed without the tray program

Function ReadEarlierInstall
  ReadRegStr $EarlierDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $EarlierVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegDWORD $EarlierNoTray HKLM "${UNINSTALL_KEY}" "${NO_TRAY_VALUE}"
  ${If} $EarlierDir != ""
    !insertmacro QV_LOG "Installed: ${PRODUCT_NAME} $EarlierVersion in $EarlierDir"
  ${EndIf}
FunctionEnd

; A setup older than the installed product changes nothing: 1638.
Function RefuseOverNewer
  ${If} $EarlierVersion == ""
    Return
  ${EndIf}
  ${VersionCompare} $EarlierVersion "${QV_VERSION}" $0
  ${If} $0 = 1
    !insertmacro QV_LOG "Refused (${EXIT_NEWER_INSTALLED}): ${MSG_NEWER_INSTALLED} $EarlierVersion"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NEWER_INSTALLED} $EarlierVersion" /SD IDOK
    SetErrorLevel ${EXIT_NEWER_INSTALLED}
    Quit
  ${EndIf}
FunctionEnd

; Written before anything is laid out, so that an earlier uninstaller's delayed self-deletion sees
; the product installed again. EstimatedSize: the laid-out files (the sections' sizes, in KB).
!macro QV_WRITE_UNINSTALL_ENTRY NO_TRAY
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${QV_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qvatray.exe,0"
  ; The uninstaller runs in place ("_?=" ends the line and names the folder), so that its exit code
  ; is the one the caller sees.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecPrinter} $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  ${GetTime} "" "L" $2 $3 $4 $5 $6 $7 $8
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallDate" "$4$3$2"
  ${If} ${NO_TRAY} = 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${NO_TRAY_VALUE}" 1
  ${Else}
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "${NO_TRAY_VALUE}"
  ${EndIf}
  !insertmacro QV_LOG "Entry written: ${UNINSTALL_KEY} ($INSTDIR, $1 KB)"
!macroend
