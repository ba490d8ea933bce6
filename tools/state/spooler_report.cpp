// Monitors, ports, drivers and printers as the spooler lists them, one line each.
#include "spooler_report.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "console_out.h"
#include "file_facts.h"
#include "report_line.h"
#include "spooler_handles.h"

namespace qvstate {
namespace {

using qvtools::PrintLine;

constexpr DWORD kMaxBlock = 16 * 1024 * 1024;
constexpr DWORD kMaxDataBytes = 1024;
constexpr DWORD kMaxNameLength = 1024;

// Size-then-fetch: `enumerate(buffer, size, &needed, &count)` is called once to learn the size
// and once into a block of that size. Returns the block; `count` is zero on any failure.
template <typename Enumerate>
std::vector<BYTE> FetchRecords(Enumerate enumerate, DWORD& count) {
  count = 0;
  DWORD needed = 0;
  if (enumerate(nullptr, 0, &needed, &count) || needed == 0) return {};
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed > kMaxBlock) return {};
  std::vector<BYTE> block(needed);
  if (!enumerate(block.data(), needed, &needed, &count)) count = 0;
  return block;
}

template <typename Record>
const Record* Records(const std::vector<BYTE>& block) {
  return reinterpret_cast<const Record*>(block.data());
}

std::wstring DefaultPrinterName() {
  wchar_t name[kMaxNameLength] = {};
  DWORD length = kMaxNameLength;
  if (!::GetDefaultPrinterW(name, &length)) return std::wstring();
  return name;
}

// A REG_SZ printer-data value as text; "(none)" when absent, its type when not text.
std::wstring DataText(DWORD status, DWORD type, const BYTE* data, DWORD size) {
  if (status == ERROR_MORE_DATA) return L"(too long)";
  if (status != ERROR_SUCCESS) return L"(none)";
  if (type != REG_SZ && type != REG_EXPAND_SZ) return L"(type " + std::to_wstring(type) + L")";
  std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return Shown(text);
}

std::wstring PlainSubKey(HANDLE printer) {
  BYTE data[kMaxDataBytes + sizeof(wchar_t)] = {};
  DWORD type = 0;
  DWORD needed = 0;
  wchar_t value[] = L"SubKey";
  const DWORD status = ::GetPrinterDataW(printer, value, &type, data, kMaxDataBytes, &needed);
  return DataText(status, type, data, needed < kMaxDataBytes ? needed : kMaxDataBytes);
}

std::wstring DsUserSubKey(HANDLE printer) {
  BYTE data[kMaxDataBytes + sizeof(wchar_t)] = {};
  DWORD type = 0;
  DWORD needed = 0;
  const DWORD status =
      ::GetPrinterDataExW(printer, L"DsUser", L"SubKey", &type, data, kMaxDataBytes, &needed);
  return DataText(status, type, data, needed < kMaxDataBytes ? needed : kMaxDataBytes);
}

std::wstring PrinterDataFields(LPWSTR name) {
  qvtools::UniquePrinter printer;
  if (!printer.Open(name, nullptr)) {
    return Field(L"subkey", L"(cannot open)") + Field(L"dsuser-subkey", L"(cannot open)");
  }
  return Field(L"subkey", PlainSubKey(printer.Get())) +
         Field(L"dsuser-subkey", DsUserSubKey(printer.Get()));
}

void ReportDriverFile(const wchar_t* driver, const wchar_t* role, const wchar_t* path) {
  if (!path || !*path) return;
  const bool exists = FileExists(path);
  PrintLine(L"driver-file: " + Shown(driver) + Field(L"role", role) + Field(L"path", Shown(path)) +
            Field(L"exists", YesNo(exists)) +
            Field(L"version", exists ? FileVersion(path) : L"(none)"));
}

}  // namespace

void ReportMonitors() {
  DWORD count = 0;
  const auto block = FetchRecords(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumMonitorsW(nullptr, 2, buffer, size, needed, returned);
      },
      count);
  PrintLine(L"monitors: " + std::to_wstring(count));
  for (DWORD i = 0; i < count; ++i) {
    const MONITOR_INFO_2W& monitor = Records<MONITOR_INFO_2W>(block)[i];
    PrintLine(L"monitor: " + Shown(monitor.pName) + Field(L"dll", Shown(monitor.pDLLName)) +
              Field(L"environment", Shown(monitor.pEnvironment)));
  }
}

void ReportPorts() {
  DWORD count = 0;
  const auto block = FetchRecords(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumPortsW(nullptr, 2, buffer, size, needed, returned);
      },
      count);
  PrintLine(L"ports: " + std::to_wstring(count));
  for (DWORD i = 0; i < count; ++i) {
    const PORT_INFO_2W& port = Records<PORT_INFO_2W>(block)[i];
    PrintLine(L"port: " + Shown(port.pPortName) + Field(L"monitor", Shown(port.pMonitorName)));
  }
}

void ReportDrivers() {
  DWORD count = 0;
  const auto block = FetchRecords(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        wchar_t environment[] = L"Windows x64";
        return ::EnumPrinterDriversW(nullptr, environment, 3, buffer, size, needed, returned);
      },
      count);
  PrintLine(L"drivers: " + std::to_wstring(count));
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_3W& driver = Records<DRIVER_INFO_3W>(block)[i];
    PrintLine(L"driver: " + Shown(driver.pName) +
              Field(L"version", std::to_wstring(driver.cVersion)) +
              Field(L"driver-file", Shown(driver.pDriverPath)) +
              Field(L"config-file", Shown(driver.pConfigFile)) +
              Field(L"data-file", Shown(driver.pDataFile)) +
              Field(L"help-file", Shown(driver.pHelpFile)));
    ReportDriverFile(driver.pName, L"driver", driver.pDriverPath);
    ReportDriverFile(driver.pName, L"config", driver.pConfigFile);
    ReportDriverFile(driver.pName, L"help", driver.pHelpFile);
  }
}

void ReportPrinters() {
  DWORD count = 0;
  const auto block = FetchRecords(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer,
                               size, needed, returned);
      },
      count);
  const std::wstring defaultName = DefaultPrinterName();
  PrintLine(L"printers: " + std::to_wstring(count));
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2W& printer = Records<PRINTER_INFO_2W>(block)[i];
    const bool isDefault = printer.pPrinterName && defaultName == printer.pPrinterName;
    PrintLine(L"printer: " + Shown(printer.pPrinterName) + Field(L"port", Shown(printer.pPortName)) +
              Field(L"driver", Shown(printer.pDriverName)) +
              Field(L"comment", Shown(printer.pComment)) +
              Field(L"location", Shown(printer.pLocation)) +
              PrinterDataFields(printer.pPrinterName) + Field(L"default", YesNo(isDefault)));
  }
}

void ReportDefaultPrinter() {
  PrintLine(L"default printer: " + Shown(DefaultPrinterName()));
}

std::wstring DriverDirectory() {
  wchar_t directory[MAX_PATH + 1] = {};
  DWORD needed = 0;
  wchar_t environment[] = L"Windows x64";
  if (!::GetPrinterDriverDirectoryW(nullptr, environment, 1, reinterpret_cast<LPBYTE>(directory),
                                    sizeof(directory) - sizeof(wchar_t), &needed)) {
    return std::wstring();
  }
  return directory;
}

}  // namespace qvstate
