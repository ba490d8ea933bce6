// Registry, tray program and product files, one line per fact.
#include "system_report.h"

#include <windows.h>

#include "console_out.h"
#include "file_facts.h"
#include "report_line.h"
#include "spooler_handles.h"
#include "unique_handle.h"

namespace qvstate {
namespace {

using qvtools::PrintLine;

constexpr DWORD kMaxRegistryBytes = 256 * 1024;
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kInstallerKey[] = L"SOFTWARE\\Orbelin\\Quintavera\\Installer";
const wchar_t kTrayMutex[] = L"{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
const wchar_t kTrayWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";

// A value of HKEY_LOCAL_MACHINE as UTF-16 units, bounded; false when it cannot be read.
bool ReadMachineValue(const wchar_t* key, const wchar_t* name, DWORD& type,
                      std::wstring& data) {
  qvtools::UniqueKey opened;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      opened.Receive()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = 0;
  LSTATUS status = ::RegQueryValueExW(opened.Get(), name, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && size > 0 && size <= kMaxRegistryBytes) {
    data.assign(size / sizeof(wchar_t) + 1, L'\0');
    status = ::RegQueryValueExW(opened.Get(), name, nullptr, &type,
                                reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(status == ERROR_SUCCESS ? size / sizeof(wchar_t) : 0);
  } else if (status == ERROR_SUCCESS) {
    data.clear();
  }
  return status == ERROR_SUCCESS;
}

// Splits REG_MULTI_SZ data into its strings, never reading past the data.
std::vector<std::wstring> SplitMultiString(const std::wstring& data) {
  std::vector<std::wstring> strings;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find(L'\0', start);
    if (end == std::wstring::npos) end = data.size();
    strings.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  // The list ends with an empty string; Windows writes the pairs before it.
  while (!strings.empty() && strings.back().empty()) strings.pop_back();
  return strings;
}

bool TrayMutexExists() {
  const qvtools::UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kTrayMutex));
  return static_cast<bool>(mutex);
}

// One value of the reboot queue: its pair count, then one line per pair; `label` is "" for the
// first value and " 2" for the second.
void ReportPendingValue(const wchar_t* value, const std::wstring& label) {
  DWORD type = 0;
  std::wstring data;
  if (!ReadMachineValue(kSessionManagerKey, value, type, data) || type != REG_MULTI_SZ) {
    PrintLine(L"pending renames" + label + L": 0");
    return;
  }
  const std::vector<std::wstring> strings = SplitMultiString(data);
  PrintLine(L"pending renames" + label + L": " + std::to_wstring((strings.size() + 1) / 2));
  for (size_t i = 0; i < strings.size(); i += 2) {
    const std::wstring target = i + 1 < strings.size() ? strings[i + 1] : std::wstring();
    PrintLine(L"pending rename" + label + L": " + Shown(strings[i]) + L" -> " +
              (target.empty() ? L"(delete)" : Shown(target)));
  }
}

}  // namespace

void ReportRunValue() {
  DWORD type = 0;
  std::wstring data;
  const bool present = ReadMachineValue(kRunKey, L"QuintaveraTray", type, data);
  PrintLine(L"run value QuintaveraTray: " + (present ? Shown(data.c_str()) : L"(none)"));
}

void ReportTray() {
  const bool mutex = TrayMutexExists();
  const bool window = ::FindWindowW(kTrayWindowClass, nullptr) != nullptr;
  PrintLine(L"tray mutex: " + YesNo(mutex));
  PrintLine(L"tray window: " + YesNo(window));
  PrintLine(L"tray running: " + YesNo(mutex || window));
}

void ReportPendingRenames() {
  ReportPendingValue(L"PendingFileRenameOperations", L"");
  ReportPendingValue(L"PendingFileRenameOperations2", L" 2");
}

// The record's size: "Printers" and, for a record split over several values, its parts
// ("Printers.<slot>.<n>").
void ReportPrinterRecord() {
  DWORD type = 0;
  std::wstring data;
  if (!ReadMachineValue(kInstallerKey, L"Printers", type, data)) {
    PrintLine(L"printer record: none");
    return;
  }
  size_t bytes = data.size() * sizeof(wchar_t);
  for (const wchar_t* slot : {L"Printers.0.", L"Printers.1."}) {
    for (int n = 1;
         ReadMachineValue(kInstallerKey, (slot + std::to_wstring(n)).c_str(), type, data); ++n) {
      bytes += data.size() * sizeof(wchar_t);
    }
  }
  PrintLine(L"printer record: " + std::to_wstring(bytes) + L" bytes");
}

void ReportProductFiles(const std::wstring& driverDirectory,
                        const std::vector<std::wstring>& extraFiles) {
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH) ReportFile(std::wstring(system) + L"\\orbmon64.dll");
  if (!driverDirectory.empty()) {
    for (const wchar_t* folder : {L"\\", L"\\3\\"}) {
      for (const wchar_t* file : {L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"}) {
        ReportFile(driverDirectory + folder + file);
      }
    }
  }
  for (const std::wstring& file : extraFiles) ReportFile(file);
}

}  // namespace qvstate
