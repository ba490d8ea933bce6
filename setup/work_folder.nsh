; Where the setup program and the uninstaller keep their work files (the plug-ins folder, the
; setup's copy of the installer and its log, the own log without /LOG=, the uninstaller's
; self-deletion batch file): only in a folder that only SYSTEM and Administrators can write. They
; run elevated, often as SYSTEM, whose %TEMP% (C:\Windows\Temp) lets every user create folders
; and files, and a folder made there inherits that. NSIS 3.08 makes its plug-ins folder in $TEMP
; at the first plug-in call and may take one a user made first, so $TEMP is moved before it.

; The own temporary folder of the account: GetTempPath2W's folder for SYSTEM where Windows has it
; (C:\Windows\SystemTemp, which only SYSTEM and Administrators may enter); else %TEMP% when it lies
; in the account's profile; else the profile's own AppData\Local\Temp (1603 without a profile:
; nothing else is the account's own). Plain instructions only: no plug-in may run before this, so
; GetTempPath2W itself cannot be asked.
!macro QV_WORK_FOLDER_FUNCTIONS PREFIX
Function ${PREFIX}ChooseWorkFolder
  ${If} $PROFILE == "$SYSDIR\config\systemprofile"
  ${AndIf} ${FileExists} "$WINDIR\SystemTemp\*.*"
    UnsafeStrCpy $TEMP "$WINDIR\SystemTemp"
    Return
  ${EndIf}
  StrLen $0 "$PROFILE\"
  StrCpy $1 "$TEMP\" $0
  ${If} $1 == "$PROFILE\"
    Return
  ${EndIf}
  ${If} $LOCALAPPDATA == ""
    MessageBox MB_ICONSTOP|MB_OK "${MSG_NO_PROFILE}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  UnsafeStrCpy $TEMP "$LOCALAPPDATA\Temp"
  CreateDirectory "$TEMP"
FunctionEnd

; The plug-ins folder, made fresh in the folder chosen above, gets Administrators as its owner and
; full control for SYSTEM and Administrators only; the installer's runs get the chosen folder as
; their %TEMP% (its log when /log= cannot be written). Refused (1603) when the rights cannot be set.
Function ${PREFIX}LockWorkFolder
  InitPluginsDir
  StrCpy $R0 "$PLUGINSDIR"
  StrCpy $R1 "${WORK_FOLDER_SDDL}"
  Call ${PREFIX}SetFolderOwnerAndRights
  ${If} $0 <> 0
    !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${MSG_WORK_FOLDER} $PLUGINSDIR (error $0)"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_WORK_FOLDER} $PLUGINSDIR (error $0)" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  System::Call 'kernel32::SetEnvironmentVariableW(w "TEMP", w "$TEMP")'
  System::Call 'kernel32::SetEnvironmentVariableW(w "TMP", w "$TEMP")'
  !insertmacro QV_LOG "Work files in $PLUGINSDIR (${WORK_FOLDER_TEXT}), %TEMP% $TEMP"
FunctionEnd
!macroend
