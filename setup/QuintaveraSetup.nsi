; QuintaveraSetup.exe: the setup program a person or a deployment tool runs to install, update and
; remove Quintavera. It lays the installer (qvinstall.exe) and the product files out in
; %ProgramFiles%\Quintavera (or the folder of an earlier install), runs the installer's command
; words in order, registers the product in Programs and Features and turns the installer's exit
; codes into the ones Windows setups use. It never waits on a window when silent, and logs every
; step with the installer's own log.
;
; Built by CMake (setup/CMakeLists.txt) with: QV_PACKAGE_DIR (the built package), QV_VERSION,
; QV_ICON, QV_OUTFILE, and QV_HAVE_HELP when the help file was built.
;
; Switches: /S silent, /D=<folder> another folder, /NOTRAY without the tray program, /TRAY with it
; again after an install without, /DEFAULTPRINTER make Quintavera the default printer (silent;
; asked when interactive), /LOG=<file> the setup's log (else QuintaveraSetup.log in the work
; folder's %TEMP%, work_folder.nsh).
; Exit codes: 0, 3010, 1602, 1603, 1618, 1638, 1641 (README).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include TextFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include MUI2.nsh
!include product.nsh
!include setup_log.nsh
!include folder_rights.nsh
!include work_folder.nsh
!include installer_run.nsh
!include single_instance.nsh
!include machine_checks.nsh
!include uninstall_entry.nsh
!include file_layout.nsh
!include package_owner.nsh

Name "${PRODUCT_NAME}"
OutFile "${QV_OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
; An update goes to the earlier install's folder unless /D= names another.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER} ${PRODUCT_NAME} ${QV_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${QV_VERSION}"
VIFileVersion "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT_NAME} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "QuintaveraSetup.exe"
; Signed by the build's QV_SIGN command: the uninstaller before it is embedded, then this program.
!uninstfinalize '${QV_SIGN} "%1"' = 0
!finalize '${QV_SIGN} "%1"' = 0

;--- Pages (Modern UI 2) -------------------------------------------------------------------------
!define MUI_ICON "${QV_ICON}"
!define MUI_UNICON "${QV_ICON}"
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_NOREBOOTSUPPORT  ; the restart is offered at the end, with its exit code
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_CUSTOMFUNCTION_ABORT OnCancel
!define MUI_CUSTOMFUNCTION_UNABORT un.OnCancel
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

;--- Install -------------------------------------------------------------------------------------
Var DefaultIsOther  ; "onInit" answered 102: the default printer is not a product printer
Var OnInitCode
Var NoTray          ; 1 when the tray program is left out

Section "Quintavera tray program" SecTray
  ; Only a choice: the files are always laid out, the installer starts the program or not.
SectionEnd

Section "Quintavera printer" SecPrinter
  SectionIn RO
  StrCpy $NoTray 1
  ${If} ${SectionIsSelected} ${SecTray}
    StrCpy $NoTray 0
  ${EndIf}
  Call SecureInstallFolder
  Call WaitForEarlierUninstaller
  Call CloseRunningTray
  !insertmacro QV_WRITE_UNINSTALL_ENTRY $NoTray
  !insertmacro QV_LAY_OUT_PRODUCT_FILES
  Call RunInstall
  Call RemoveEarlierFolder
  Call OfferDefaultPrinter
  Call ConfirmDriver
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecTray} "The Quintavera icon in the notification area, started at every log-on."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPrinter} "The Quintavera printer: its port monitor, driver and printer (always installed)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

!insertmacro QV_SETUP_LOG_FUNCTIONS "" "${SETUP_LOG}" "setup"
!insertmacro QV_FOLDER_RIGHTS_FUNCTIONS ""
!insertmacro QV_WORK_FOLDER_FUNCTIONS ""
!insertmacro QV_INSTALLER_RUN_FUNCTIONS ""
!insertmacro QV_SINGLE_INSTANCE_FUNCTION ""
!insertmacro QV_MACHINE_CHECKS_FUNCTION ""

Function .onInit
  Call ChooseWorkFolder      ; before the first plug-in call makes the plug-ins folder
  Call EnsureSingleInstance  ; then: a second run must not overwrite the first one's log
  Call OpenLog
  !insertmacro QV_LOG "$LockNote"
  Call EnsureMachine         ; before the work folder, whose rights only an administrator sets
  Call LockWorkFolder
  !insertmacro QV_REFUSE_WHILE_PACKAGE_INSTALLED
  Call ReadEarlierInstall
  Call RefuseOverNewer
  Call ChooseTray
  Call RefuseUnderProtectedPrint
  Call CheckBeforeInstall
FunctionEnd

; Windows protected print mode, turned on by its policy, admits no driver or monitor of ours: the
; installer would refuse too, but only after the files were laid out.
Function RefuseUnderProtectedPrint
  ReadRegDWORD $0 HKLM "${PROTECTED_PRINT_POLICY_KEY}" "${PROTECTED_PRINT_POLICY_VALUE}"
  ${If} $0 = 1
    !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${MSG_PROTECTED_PRINT}"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_PROTECTED_PRINT}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
FunctionEnd

; /NOTRAY leaves the tray program out, /TRAY puts it back; without either an update keeps the
; earlier install's choice.
Function ChooseTray
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOTRAY" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecTray}
    Return
  ${EndIf}
  ${GetOptions} $R0 "/TRAY" $R1
  ${If} ${Errors}
  ${AndIf} $EarlierNoTray = 1
    !insertmacro UnselectSection ${SecTray}
    !insertmacro QV_LOG "Without the tray program, as installed before (/TRAY puts it back)"
  ${EndIf}
FunctionEnd

; "onInit" from a temporary copy of the installer, before anything is installed.
Function CheckBeforeInstall
  File "/oname=$PLUGINSDIR\qvinstall.exe" "${QV_PACKAGE_DIR}/drv/qvinstall.exe"
  !insertmacro QV_RUN_INSTALLER "$PLUGINSDIR\qvinstall.exe" "onInit"
  StrCpy $OnInitCode $0
  !insertmacro QV_FAIL_UNLESS_STARTED "$PLUGINSDIR\qvinstall.exe"
  ${If} $OnInitCode = ${QV_RESTART_FIRST}
    !insertmacro QV_LOG "Failed (${EXIT_FAILED}): ${MSG_RESTART_FIRST}"
    SetErrorLevel ${EXIT_FAILED}
    ${If} ${Silent}
      Quit
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_ICONEXCLAMATION|MB_YESNO "${MSG_RESTART_FIRST}${MSG_RESTART_FIRST_ASK}" IDYES`
      SetErrorLevel ${EXIT_RESTART_STARTED}
      !insertmacro QV_LOG "Restart accepted (${EXIT_RESTART_STARTED})"
      Reboot
    ${EndIf}
    Quit
  ${EndIf}
  ${If} $OnInitCode = ${QV_DEFAULT_NOT_PRODUCT}
    StrCpy $DefaultIsOther 1
  ${ElseIf} $OnInitCode <> ${QV_ANSWER_NO}
    !insertmacro QV_FAIL "${MSG_UNEXPECTED} $OnInitCode."
  ${EndIf}
FunctionEnd

; An installed tray program holds its file: it is closed (by the installer's "removetray") before
; the new files are laid out, and the install starts the new one.
Function CloseRunningTray
  ReadRegStr $1 HKLM "${RUN_KEY}" "${TRAY_RUN_VALUE}"
  ${If} $1 != ""
    !insertmacro QV_RUN_INSTALLER "$PLUGINSDIR\qvinstall.exe" "removetray"
  ${EndIf}
FunctionEnd

; "install", or "in_notray" without the tray program; over an installed product this is the
; installer's update, which keeps the printers and their settings.
Function RunInstall
  StrCpy $1 "install"
  ${If} $NoTray = 1
    StrCpy $1 "in_notray"
  ${EndIf}
  !insertmacro QV_RUN_INSTALLER "$INSTDIR\drv\qvinstall.exe" $1
  !insertmacro QV_FAIL_UNLESS_STARTED "$INSTDIR\drv\qvinstall.exe"
  !insertmacro QV_TAKE_OUTCOME ${QV_INSTALLED} "${MSG_ERRORS_LOGGED}"
FunctionEnd

; When another printer is the default: asked (interactive), or done with /DEFAULTPRINTER (silent).
Function OfferDefaultPrinter
  ${If} $DefaultIsOther != 1
    Return
  ${EndIf}
  ${If} ${Silent}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/DEFAULTPRINTER" $R1
    ${If} ${Errors}
      Return
    ${EndIf}
  ${ElseIf} ${Cmd} `MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_MAKE_DEFAULT}" IDNO`
    Return
  ${EndIf}
  !insertmacro QV_RUN_INSTALLER "$INSTDIR\drv\qvinstall.exe" "def.set"
FunctionEnd

Function ConfirmDriver
  !insertmacro QV_RUN_INSTALLER "$INSTDIR\drv\qvinstall.exe" "onChkDrv"
  ${If} $0 <> ${QV_DRIVER_IN_PLACE}
    !insertmacro QV_FAIL "${MSG_DRIVER_MISSING}"
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  !insertmacro QV_FINISH
FunctionEnd

Function OnCancel
  !insertmacro QV_ON_CANCEL
FunctionEnd

!include uninstaller.nsh
