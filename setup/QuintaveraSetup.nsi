; QuintaveraSetup.exe: the setup program a person or a deployment tool runs to install, update and
; remove Quintavera. It lays the installer (qvinstall.exe) and the product files out in
; %ProgramFiles%\Quintavera, runs the installer's command words in order, registers the product in
; Programs and Features and turns the installer's exit codes into the ones Windows setups use.
;
; Built by CMake (setup/CMakeLists.txt) with: QV_PACKAGE_DIR (the built package), QV_VERSION,
; QV_ICON, QV_OUTFILE, and QV_HAVE_HELP when the help file was built.
;
; Switches: /S silent, /D=<folder> another folder, /NOTRAY without the tray program,
; /DEFAULTPRINTER make Quintavera the default printer (silent; asked when interactive).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include Sections.nsh
!include product.nsh
!include single_instance.nsh
!include machine_checks.nsh
!include installer_run.nsh
!include uninstall_entry.nsh
!include package_owner.nsh

Name "${PRODUCT_NAME}"
OutFile "${QV_OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
Icon "${QV_ICON}"
UninstallIcon "${QV_ICON}"
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

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var DefaultIsOther  ; "onInit" answered 102: the default printer is not a product printer
Var OnInitCode

Section "Quintavera tray program" SecTray
  ; Only a choice: the files are always laid out, the installer starts the program or not.
SectionEnd

Section "Quintavera printer" SecPrinter
  SectionIn RO
  Call CloseRunningTray
  Call LayOutFiles
  !insertmacro QV_WRITE_UNINSTALL_ENTRY
  Call RunInstall
  Call OfferDefaultPrinter
  Call ConfirmDriver
SectionEnd

!insertmacro QV_SINGLE_INSTANCE_FUNCTION ""
!insertmacro QV_MACHINE_CHECKS_FUNCTION ""

Function .onInit
  Call EnsureMachine
  Call EnsureSingleInstance
  !insertmacro QV_REFUSE_WHILE_PACKAGE_INSTALLED
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOTRAY" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecTray}
  ${EndIf}
  Call CheckBeforeInstall
FunctionEnd

; "onInit" from a temporary copy of the installer, before anything is installed.
Function CheckBeforeInstall
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qvinstall.exe" "${QV_PACKAGE_DIR}/drv/qvinstall.exe"
  !insertmacro QV_RUN_INSTALLER "$PLUGINSDIR\qvinstall.exe" "onInit"
  StrCpy $OnInitCode $0
  !insertmacro QV_FAIL_UNLESS_STARTED "$PLUGINSDIR\qvinstall.exe"
  ${If} $OnInitCode = ${QV_RESTART_FIRST}
    SetErrorLevel ${EXIT_FAILED}
    ${If} ${Silent}
      Quit
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION|MB_YESNO "${MSG_RESTART_FIRST}${MSG_RESTART_FIRST_ASK}" IDNO +2
    Reboot
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

; The layout the installer expects: itself and the product files in drv\, the tray program
; beside drv\.
Function LayOutFiles
  SetOutPath "$INSTDIR\drv"
  File "${QV_PACKAGE_DIR}/drv/qvinstall.exe"
  File "${QV_PACKAGE_DIR}/drv/orbmon64.dll"
  File "${QV_PACKAGE_DIR}/drv/orbdrv64.dll"
  File "${QV_PACKAGE_DIR}/drv/orbui64.dll"
  !ifdef QV_HAVE_HELP
    File "${QV_PACKAGE_DIR}/drv/orbhelp.chm"
  !endif
  SetOutPath "$INSTDIR"
  File "${QV_PACKAGE_DIR}/qvatray.exe"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
FunctionEnd

; "install", or "in_notray" without the tray program; over an installed product this is the
; installer's update, which keeps the printers and their settings.
Function RunInstall
  StrCpy $1 "install"
  ${IfNot} ${SectionIsSelected} ${SecTray}
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
  ${Else}
    MessageBox MB_ICONQUESTION|MB_YESNO "${MSG_MAKE_DEFAULT}" IDYES make_default
    Return
  ${EndIf}
  make_default:
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

!include uninstaller.nsh
