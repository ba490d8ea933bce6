// What one custom action leaves for a later one of the same msiexec run: a restart to report,
// "onInit"'s answer about the default printer, the printers and the tray program before a
// removal. They live in HKLM\SOFTWARE\Orbelin\Quintavera\Package (64-bit view), a volatile key:
// it goes at the next start of Windows at the latest. Only SYSTEM and Administrators can write
// there (the key inherits HKLM\SOFTWARE's access list, which gives users read only), so no user
// can plant a mark or a printer list for an action that runs as LocalSystem.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qvmsi {

// A restart is needed to finish: set by a deferred action, reported after InstallFinalize.
constexpr wchar_t kRestartNeededMark[] = L"RestartNeeded";
// "onInit" found another printer the default (set by QvCheckBeforeInstall, taken by QvInstall).
constexpr wchar_t kDefaultIsOtherMark[] = L"DefaultPrinterIsAnother";
// Before "uninstall": the tray program's log-on entry was there (1) or not (0).
constexpr wchar_t kTrayBeforeRemoval[] = L"TrayBeforeRemoval";
// Before "uninstall": the product printers as the installer's printer record holds them.
constexpr wchar_t kPrintersBeforeRemoval[] = L"PrintersBeforeRemoval";

// 1: when the marks go, the product's keys go too if empty (the marks made them, or the product
// was removed); 0 or absent: they stay (an installed product's).
constexpr wchar_t kProductKeysGo[] = L"ProductKeysGo";

// Sets a REG_DWORD mark; false when the key or value cannot be written.
bool SetMark(const wchar_t* name, DWORD value = 1);
// The mark's value, or `absent` when it is not there.
DWORD ReadMark(const wchar_t* name, DWORD absent = 0);
// Whether the mark was there; it goes (and the marks with it when no other is left).
bool TakeMark(const wchar_t* name);
// A REG_BINARY mark.
bool SaveBytes(const wchar_t* name, const std::vector<BYTE>& bytes);
// False when it is not there or cannot be read.
bool ReadBytes(const wchar_t* name, std::vector<BYTE>& bytes);
// Removes every mark, then the product's keys that are left empty when kProductKeysGo says so.
void ClearMarks();

}  // namespace qvmsi
