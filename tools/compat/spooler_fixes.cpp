// Wine 8 against Windows for AddPrinterW and DeletePrinterDriverExW.
//
// Wine 8 creates a printer whose record has no data type but returns no handle
// (ERROR_INVALID_PRINTER_NAME), and refuses DPD_DELETE_ALL_FILES with ERROR_INVALID_PARAMETER.
// Everything else is passed to Wine as it is.
#include "spooler_fixes.h"

#include <string>
#include <vector>

#include "spooler_handles.h"

namespace qvcompat {
namespace {

constexpr DWORD kMaxEnumBytes = 16 * 1024 * 1024;

bool PrinterExists(LPWSTR name) {
  qvtools::UniquePrinter printer;
  return printer.Open(name, nullptr);
}

HANDLE OpenAddedPrinter(LPWSTR name) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  qvtools::UniquePrinter printer;
  return printer.Open(name, &defaults) ? printer.Release() : nullptr;
}

// The level-3 records of every driver of `environment`, as one owned block.
std::vector<BYTE> EnumDrivers(LPWSTR server, LPWSTR environment, DWORD& count) {
  count = 0;
  DWORD needed = 0;
  if (::EnumPrinterDriversW(server, environment, 3, nullptr, 0, &needed, &count)) return {};
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > kMaxEnumBytes) {
    return {};
  }
  std::vector<BYTE> block(needed);
  if (!::EnumPrinterDriversW(server, environment, 3, block.data(), needed, &needed, &count)) {
    count = 0;
    return {};
  }
  return block;
}

const DRIVER_INFO_3W* Drivers(const std::vector<BYTE>& block) {
  return reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
}

void AddFile(std::vector<std::wstring>& files, LPCWSTR path) {
  if (path && *path) files.emplace_back(path);
}

std::vector<std::wstring> FilesOf(const DRIVER_INFO_3W& driver) {
  std::vector<std::wstring> files;
  AddFile(files, driver.pDriverPath);
  AddFile(files, driver.pDataFile);
  AddFile(files, driver.pConfigFile);
  AddFile(files, driver.pHelpFile);
  for (LPCWSTR file = driver.pDependentFiles; file && *file; file += lstrlenW(file) + 1) {
    AddFile(files, file);
  }
  return files;
}

bool SameName(LPCWSTR a, LPCWSTR b) { return a && b && lstrcmpiW(a, b) == 0; }

// The files of `name`, or nothing when the environment has no such driver.
std::vector<std::wstring> DriverFiles(LPWSTR server, LPWSTR environment, LPCWSTR name) {
  DWORD count = 0;
  const std::vector<BYTE> block = EnumDrivers(server, environment, count);
  for (DWORD i = 0; i < count; ++i) {
    if (SameName(Drivers(block)[i].pName, name)) return FilesOf(Drivers(block)[i]);
  }
  return {};
}

// Deletes the files that no remaining driver uses. False when `name` is still installed.
bool DeleteUnusedFiles(LPWSTR server, LPWSTR environment, LPCWSTR name,
                       const std::vector<std::wstring>& files) {
  DWORD count = 0;
  const std::vector<BYTE> block = EnumDrivers(server, environment, count);
  std::vector<std::wstring> used;
  for (DWORD i = 0; i < count; ++i) {
    if (SameName(Drivers(block)[i].pName, name)) return false;
    for (const std::wstring& file : FilesOf(Drivers(block)[i])) used.push_back(file);
  }
  for (const std::wstring& file : files) {
    bool inUse = false;
    for (const std::wstring& other : used) inUse = inUse || SameName(file.c_str(), other.c_str());
    if (!inUse) ::DeleteFileW(file.c_str());
  }
  return true;
}

}  // namespace

HANDLE WINAPI CompatAddPrinterW(LPWSTR server, DWORD level, LPBYTE printer) {
  auto* record = reinterpret_cast<PRINTER_INFO_2W*>(printer);
  if (level != 2 || !record || record->pDatatype) return ::AddPrinterW(server, level, printer);

  PRINTER_INFO_2W withDatatype = *record;
  wchar_t raw[] = L"RAW";
  withDatatype.pDatatype = raw;
  const bool existed = !server && PrinterExists(record->pPrinterName);
  HANDLE added = ::AddPrinterW(server, 2, reinterpret_cast<LPBYTE>(&withDatatype));
  if (added || server || existed || ::GetLastError() != ERROR_INVALID_PRINTER_NAME) return added;

  // Created without a handle: open it as the caller would have got it.
  HANDLE opened = OpenAddedPrinter(record->pPrinterName);
  if (opened) return opened;
  ::SetLastError(ERROR_INVALID_PRINTER_NAME);
  return nullptr;
}

BOOL WINAPI CompatDeletePrinterDriverExW(LPWSTR server, LPWSTR environment, LPWSTR driver,
                                         DWORD deleteFlags, DWORD versionFlag) {
  if (!(deleteFlags & DPD_DELETE_ALL_FILES)) {
    return ::DeletePrinterDriverExW(server, environment, driver, deleteFlags, versionFlag);
  }
  const std::vector<std::wstring> files = DriverFiles(server, environment, driver);
  if (::DeletePrinterDriverExW(server, environment, driver, deleteFlags, versionFlag)) return TRUE;
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return FALSE;

  const DWORD withoutFiles = deleteFlags & ~(DPD_DELETE_ALL_FILES | DPD_DELETE_UNUSED_FILES);
  if (!::DeletePrinterDriverExW(server, environment, driver, withoutFiles, versionFlag)) {
    return FALSE;
  }
  if (!DeleteUnusedFiles(server, environment, driver, files)) {
    ::SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace qvcompat
