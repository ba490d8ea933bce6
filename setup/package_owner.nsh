; One product, one owner: the setup program refuses while the Windows Installer package's
; Quintavera is installed (found by the package's UpgradeCode, which setup/msi reads from here).

!define QV_PACKAGE_UPGRADE_CODE "{AD3243CC-822A-41BE-932F-ACE01C5E7037}"
!define EXIT_PACKAGE_INSTALLED 1638
!define MSG_PACKAGE_INSTALLED "Quintavera is installed from its Windows Installer package (Quintavera-*.msi). Remove it first: Settings > Apps > Quintavera > Uninstall, or msiexec /x <its product code> /qn. Nothing has been changed."

; Ends the setup program with 1638 and a message (silent: the exit code only) when a product of
; the package's UpgradeCode is installed.
!macro QV_REFUSE_WHILE_PACKAGE_INSTALLED
  System::Call 'msi::MsiEnumRelatedProductsW(w "${QV_PACKAGE_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 = 0
    !insertmacro QV_LOG "${MSG_PACKAGE_INSTALLED}"
    MessageBox MB_ICONSTOP|MB_OK "${MSG_PACKAGE_INSTALLED}" /SD IDOK
    SetErrorLevel ${EXIT_PACKAGE_INSTALLED}
    Quit
  ${EndIf}
!macroend
