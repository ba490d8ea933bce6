// Windows protected print mode (Windows 11 24H2 and later): while it is on, the spooler admits no
// printer driver or port monitor but Windows' own, so an install would remove the product and
// could not bring it back.
#pragma once

namespace qv {

// True when the machine's policy turns Windows protected print mode on: the value
// "WindowsProtectedPrintGroupPolicyState" (REG_DWORD 1) of
// HKLM\Software\Policies\Microsoft\Windows NT\Printers\WPP, where the policy "Configure Windows
// protected print" (Group Policy, or Intune's Printers/ConfigureWindowsProtectedPrint) writes it.
bool ProtectedPrintModeOn();

}  // namespace qv
