// SimWindows print spooler: monitors and their ports, the driver store, printers with their
// data, and the default printer.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>

#include "sim_windows.h"

namespace qv::sim {
namespace {

// RecordPacker: records followed by their strings in one caller block, answered with the
// spooler's size-then-fetch protocol (ERROR_INSUFFICIENT_BUFFER with the needed size; no records
// need nothing and succeed).
class RecordPacker {
 public:
  RecordPacker(size_t recordSize, size_t count)
      : recordSize_(recordSize), records_(recordSize * count, 0) {}

  template <typename Record>
  Record& At(size_t index) {
    return *reinterpret_cast<Record*>(records_.data() + index * recordSize_);
  }
  // Points the field at `text` once the block is written. An empty text leaves the field null,
  // as the spooler does for members it has no value for.
  template <typename Record>
  void String(size_t index, LPWSTR Record::*field, const std::wstring& text) {
    if (text.empty()) return;
    Record& record = At<Record>(index);
    const size_t offset = reinterpret_cast<BYTE*>(&(record.*field)) - records_.data();
    strings_.emplace_back(offset, text);
  }
  // Writes the block; with `returned`, the number of records written.
  BOOL Write(SimWindows& sim, LPBYTE buffer, DWORD size, LPDWORD needed,
             LPDWORD returned = nullptr) {
    if (!buffer && size) return sim.Fail(ERROR_INVALID_USER_BUFFER);  // as the spooler's RPC
    if (records_.empty()) {
      *needed = 0;
      return TRUE;
    }
    size_t total = records_.size();
    for (const auto& s : strings_) total += (s.second.size() + 1) * sizeof(wchar_t);
    *needed = static_cast<DWORD>(total);
    if (!buffer || size < total) return sim.Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, records_.data(), records_.size());
    size_t at = records_.size();
    for (const auto& [offset, text] : strings_) {
      auto* target = reinterpret_cast<wchar_t*>(buffer + at);
      std::wmemcpy(target, text.c_str(), text.size() + 1);
      std::memcpy(buffer + offset, &target, sizeof target);
      at += (text.size() + 1) * sizeof(wchar_t);
    }
    if (returned) *returned = static_cast<DWORD>(records_.size() / recordSize_);
    return TRUE;
  }

 private:
  size_t recordSize_;
  std::vector<BYTE> records_;
  std::vector<std::pair<size_t, std::wstring>> strings_;
};

std::wstring Text(LPCWSTR text) { return text ? text : L""; }

// pName (learn.microsoft.com/windows/win32/printdocs/deletemonitor, and so the spooler's other
// pages): a print server's name, NULL for the local computer; this machine serves no other name.
bool OnThisMachine(SimWindows& sim, LPCWSTR server) {
  return !server || sim.Fail(RPC_S_SERVER_UNAVAILABLE, false);
}

// pEnvironment of the same pages: NULL is the environment of the calling application and client
// machine, "Windows x64" here.
std::wstring EnvironmentOf(LPCWSTR name) { return name ? name : L"Windows x64"; }

// The entries of a comma-separated port list.
std::vector<std::wstring> SplitPorts(const std::wstring& ports) {
  std::vector<std::wstring> list;
  for (size_t start = 0, comma; start <= ports.size(); start = comma + 1) {
    comma = std::min(ports.find(L',', start), ports.size());
    if (comma > start) list.push_back(ports.substr(start, comma - start));
  }
  return list;
}

}  // namespace


SimPrinter* SimWindows::FindPrinter(const std::wstring& name) {
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
  const auto same = [&](wchar_t a, wchar_t b) { return lower(a) == lower(b); };
  for (SimPrinter& printer : printers) {  // compared without a copy: freeing one is not free here
    if (std::equal(printer.name.begin(), printer.name.end(), name.begin(), name.end(), same))
      return &printer;
  }
  return nullptr;
}

SimPrinter* SimWindows::PrinterOf(HANDLE printer) {
  HandleEntry* entry = FindHandle(printer, HandleKind::kPrinter);
  return entry ? FindPrinter(entry->name) : nullptr;
}

SimPrinter& SimWindows::AddPrinter(const std::wstring& name, const std::wstring& driver,
                                   const std::wstring& port) {
  SimPrinter& printer = printers.emplace_back();
  printer.name = name;
  printer.driver = driver;
  printer.port = port;
  return printer;
}

const SimDriver* SimWindows::FindDriver(const std::wstring& name,
                                        const std::wstring& environment) const {
  for (const SimDriver& driver : drivers) {
    if (driver.name == name && Lower(driver.environment) == Lower(environment)) return &driver;
  }
  return nullptr;
}

bool SimWindows::MonitorRegistered(const std::wstring& name) const {
  return std::any_of(monitors.begin(), monitors.end(),
                     [&](const SimMonitor& m) { return m.name == name; });
}

// Every entry of a comma-separated port list is a port the spooler knows: "file:", "LPT1:" or a
// registered monitor's port.
static bool PortsExist(const SimWindows& sim, const std::wstring& ports) {
  for (const std::wstring& port : SplitPorts(ports)) {
    if (Lower(port) != L"file:" && Lower(port) != L"lpt1:" && !sim.MonitorRegistered(port)) {
      return false;
    }
  }
  return true;
}


BOOL SimWindows::EnumMonitorsW(LPWSTR server, DWORD level, LPBYTE info, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
  *returned = 0;
  if (Fault("EnumMonitorsW") || !OnThisMachine(*this, server)) return FALSE;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);  // the installer lists at level 2 only
  RecordPacker packer(sizeof(MONITOR_INFO_2W), monitors.size());
  for (size_t i = 0; i < monitors.size(); ++i) {
    packer.String(i, &MONITOR_INFO_2W::pName, monitors[i].name);
    packer.String(i, &MONITOR_INFO_2W::pEnvironment, monitors[i].environment);
    packer.String(i, &MONITOR_INFO_2W::pDLLName, monitors[i].dll);
  }
  return packer.Write(*this, info, size, needed, returned);
}

BOOL SimWindows::AddMonitorW(LPWSTR server, DWORD level, LPBYTE info) {
  if (Fault("AddMonitorW") || !OnThisMachine(*this, server)) return FALSE;
  const auto* record = reinterpret_cast<const MONITOR_INFO_2W*>(info);
  if (level != 2 || !record || !record->pName || !record->pDLLName)
    return Fail(ERROR_INVALID_PARAMETER);
  if (MonitorRegistered(record->pName)) return Fail(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
  SimFile* dll = FindFile(systemDirectory + L"\\" + record->pDLLName);
  if (!dll || !SpoolerRunning()) return Fail(dll ? RPC_S_SERVER_UNAVAILABLE : ERROR_MOD_NOT_FOUND);
  dll->heldBySpooler = true;
  monitors.push_back(SimMonitor{record->pName, Text(record->pEnvironment), record->pDLLName});
  return TRUE;
}

BOOL SimWindows::DeleteMonitorW(LPWSTR server, LPWSTR environment, LPWSTR monitorName) {
  if (Fault("DeleteMonitorW") || !OnThisMachine(*this, server)) return FALSE;
  if (!SpoolerRunning()) return Fail(RPC_S_SERVER_UNAVAILABLE);
  auto found = std::find_if(monitors.begin(), monitors.end(), [&](const SimMonitor& m) {
    return m.name == Text(monitorName) && Lower(m.environment) == Lower(EnvironmentOf(environment));
  });
  if (found == monitors.end()) return Fail(ERROR_UNKNOWN_PRINT_MONITOR);
  for (const SimPrinter& printer : printers) {
    const std::vector<std::wstring> ports = SplitPorts(printer.port);
    if (std::count(ports.begin(), ports.end(), found->name))
      return Fail(ERROR_PRINT_MONITOR_IN_USE);
  }
  // The spooler keeps the DLL loaded until it stops.
  deletedMonitorDlls.insert(Lower(systemDirectory + L"\\" + found->dll));
  monitors.erase(found);
  return TRUE;
}

void SimWindows::UnloadDeletedMonitors() {
  for (const std::wstring& path : deletedMonitorDlls) {
    const bool stillUsed = std::any_of(monitors.begin(), monitors.end(), [&](const SimMonitor& m) {
      return Lower(systemDirectory + L"\\" + m.dll) == path;
    });
    SimFile* dll = FindFile(path);
    if (dll && !stillUsed) dll->heldBySpooler = false;
  }
  deletedMonitorDlls.clear();
}


BOOL SimWindows::GetPrinterDriverDirectoryW(LPWSTR server, LPWSTR, DWORD level, LPBYTE info,
                                            DWORD size, LPDWORD needed) {
  if (Fault("GetPrinterDriverDirectoryW") || !OnThisMachine(*this, server)) return FALSE;
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);  // Level: "This value must be 1."
  if (!info && size) return Fail(ERROR_INVALID_USER_BUFFER);  // as the spooler's RPC
  *needed = static_cast<DWORD>((driverDirectory.size() + 1) * sizeof(wchar_t));
  if (!info || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::wmemcpy(reinterpret_cast<wchar_t*>(info), driverDirectory.c_str(),
               driverDirectory.size() + 1);
  return TRUE;
}

BOOL SimWindows::AddPrinterDriverExW(LPWSTR server, DWORD level, LPBYTE info, DWORD) {
  if (Fault("AddPrinterDriverExW") || !OnThisMachine(*this, server)) return FALSE;
  const auto* record = reinterpret_cast<const DRIVER_INFO_6W*>(info);
  // learn.microsoft.com/windows/win32/printdocs/driver-info-6: "The supported value is 3."
  if (level != 6 || !record || record->cVersion != 3 || !record->pName || !record->pDriverPath ||
      !record->pConfigFile)
    return Fail(ERROR_INVALID_PARAMETER);
  SimDriver driver;
  driver.name = record->pName;
  driver.environment = Text(record->pEnvironment);
  // The spooler copies every named file from its staged path into its versioned store.
  const std::wstring store = driverDirectory + L"\\3\\";
  std::wstring* targets[] = {&driver.driverPath, &driver.dataFile, &driver.configFile,
                             &driver.helpFile};
  LPWSTR sources[] = {record->pDriverPath, record->pDataFile, record->pConfigFile,
                      record->pHelpFile};
  for (int i = 0; i < 4; ++i) {
    if (!sources[i] || !*sources[i]) continue;
    SimFile* staged = FindFile(sources[i]);
    if (!staged) return Fail(ERROR_FILE_NOT_FOUND);
    const std::wstring source = sources[i];  // its file name: after the last separator, if any
    *targets[i] = store + source.substr(source.find_last_of(L"\\/") + 1);
    files[Lower(*targets[i])].data = staged->data;
    files[Lower(*targets[i])].heldBySpooler = true;
  }
  while (const SimDriver* old = FindDriver(driver.name, driver.environment))
    drivers.erase(drivers.begin() + (old - drivers.data()));
  drivers.push_back(driver);
  return TRUE;
}

BOOL SimWindows::DeletePrinterDriverExW(LPWSTR server, LPWSTR environment, LPWSTR driverName,
                                        DWORD deleteFlag, DWORD) {
  if (Fault("DeletePrinterDriverExW") || !OnThisMachine(*this, server)) return FALSE;
  const SimDriver* found = FindDriver(Text(driverName), EnvironmentOf(environment));
  if (!found) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  for (const SimPrinter& printer : printers) {
    if (printer.driver == found->name) return Fail(ERROR_PRINTER_DRIVER_IN_USE);
  }
  if (deleteFlag & DPD_DELETE_ALL_FILES) {
    for (const std::wstring* file :
         {&found->driverPath, &found->dataFile, &found->configFile, &found->helpFile}) {
      if (!file->empty()) files.erase(Lower(*file));
    }
  }
  drivers.erase(drivers.begin() + (found - drivers.data()));
  return TRUE;
}

// The members of DRIVER_INFO_2W and DRIVER_INFO_6W that name the driver and its files.
template <typename Info>
static void PackDriver(RecordPacker& packer, size_t i, const SimDriver& d) {
  packer.String(i, &Info::pName, d.name);
  packer.String(i, &Info::pEnvironment, d.environment);
  packer.String(i, &Info::pDriverPath, d.driverPath);
  packer.String(i, &Info::pDataFile, d.dataFile);
  packer.String(i, &Info::pConfigFile, d.configFile);
}

BOOL SimWindows::EnumPrinterDriversW(LPWSTR server, LPWSTR environment, DWORD level,
                                     LPBYTE info, DWORD size, LPDWORD needed, LPDWORD returned) {
  *returned = 0;
  if (Fault("EnumPrinterDriversW") || !OnThisMachine(*this, server)) return FALSE;
  if (level != 6) return Fail(ERROR_INVALID_LEVEL);  // the installer lists at level 6 only
  std::vector<const SimDriver*> listed;
  for (const SimDriver& d : drivers) {
    if (Lower(d.environment) == Lower(EnvironmentOf(environment))) listed.push_back(&d);
  }
  RecordPacker packer(sizeof(DRIVER_INFO_6W), listed.size());
  for (size_t i = 0; i < listed.size(); ++i) PackDriver<DRIVER_INFO_6W>(packer, i, *listed[i]);
  return packer.Write(*this, info, size, needed, returned);
}

BOOL SimWindows::GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE info,
                                   DWORD size, LPDWORD needed) {
  if (Fault("GetPrinterDriverW")) return FALSE;
  SimPrinter* found = PrinterOf(printer);
  const SimDriver* driver =
      found ? FindDriver(found->driver, EnvironmentOf(environment)) : nullptr;
  if (!driver || level != 2)
    return Fail(found ? ERROR_UNKNOWN_PRINTER_DRIVER : ERROR_INVALID_HANDLE);
  RecordPacker packer(sizeof(DRIVER_INFO_2W), 1);
  PackDriver<DRIVER_INFO_2W>(packer, 0, *driver);
  return packer.Write(*this, info, size, needed);
}


static void PackPrinter(RecordPacker& packer, size_t i, const SimPrinter& p) {
  auto& r = packer.At<PRINTER_INFO_2W>(i);
  r.Attributes = p.attributes | (p.connection ? PRINTER_ATTRIBUTE_NETWORK : 0);
  r.cJobs = static_cast<DWORD>(p.jobs);
  packer.String(i, &PRINTER_INFO_2W::pPrinterName, p.name);
  packer.String(i, &PRINTER_INFO_2W::pPortName, p.port);
  packer.String(i, &PRINTER_INFO_2W::pDriverName, p.driver);
  packer.String(i, &PRINTER_INFO_2W::pComment, p.comment);
  packer.String(i, &PRINTER_INFO_2W::pLocation, p.location);
  packer.String(i, &PRINTER_INFO_2W::pPrintProcessor, L"WinPrint");  // the only one it takes
}

// The fields of a PRINTER_INFO_2 that AddPrinterW and SetPrinterW (level 2) take over as given.
static void TakeSettings(SimPrinter& p, const PRINTER_INFO_2W& r) {
  p.comment = Text(r.pComment);
  p.location = Text(r.pLocation);
  p.attributes = r.Attributes & ~(PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_DEFAULT);
}

// The spooler's check of a record's print processor.
static bool ValidSettings(SimWindows& sim, const PRINTER_INFO_2W& r) {
  if (!r.pPrintProcessor || Lower(r.pPrintProcessor) != L"winprint")
    return sim.Fail(ERROR_UNKNOWN_PRINTPROCESSOR, false);
  return true;
}

BOOL SimWindows::EnumPrintersW(DWORD flags, LPWSTR, DWORD level, LPBYTE info, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
  *returned = 0;
  if (Fault("EnumPrintersW")) return FALSE;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  std::vector<const SimPrinter*> listed;
  for (const SimPrinter& p : printers) {
    if (flags & (p.connection ? PRINTER_ENUM_CONNECTIONS : PRINTER_ENUM_LOCAL))
      listed.push_back(&p);
  }
  RecordPacker packer(sizeof(PRINTER_INFO_2W), listed.size());
  for (size_t i = 0; i < listed.size(); ++i) PackPrinter(packer, i, *listed[i]);
  return packer.Write(*this, info, size, needed, returned);
}

BOOL SimWindows::OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (Fault("OpenPrinterW")) return FALSE;
  SimPrinter* found = printerName ? FindPrinter(printerName) : nullptr;
  if (!found) return Fail(ERROR_INVALID_PRINTER_NAME);
  // Without defaults, or without a desired access, the handle is for printing only.
  const ACCESS_MASK desired = defaults ? defaults->DesiredAccess : 0;
  const ACCESS_MASK access = desired ? desired : PRINTER_ACCESS_USE;
  *printer = NewHandle(HandleKind::kPrinter, found->name, access);
  return TRUE;
}

BOOL SimWindows::GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD size, LPDWORD needed) {
  if (Fault("GetPrinterW")) return FALSE;
  SimPrinter* found = PrinterOf(printer);
  if (!found || level != 2) return Fail(found ? ERROR_INVALID_LEVEL : ERROR_INVALID_HANDLE);
  RecordPacker packer(sizeof(PRINTER_INFO_2W), 1);
  PackPrinter(packer, 0, *found);
  return packer.Write(*this, info, size, needed);
}

BOOL SimWindows::SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  if (Fault("SetPrinterW") || !Checked(printer, "SetPrinterW")) return FALSE;
  SimPrinter* found = PrinterOf(printer);
  if (!found) return Fail(ERROR_INVALID_HANDLE);
  if (level == 0 && command == PRINTER_CONTROL_PURGE) {
    found->jobs = 0;
    return TRUE;
  }
  if (command != 0) return Fail(ERROR_INVALID_PARAMETER);  // a record comes without a command
  const auto* record = reinterpret_cast<const PRINTER_INFO_2W*>(info);
  if (level != 2 || !record) return Fail(ERROR_INVALID_PARAMETER);
  if (!PortsExist(*this, Text(record->pPortName))) return Fail(ERROR_UNKNOWN_PORT);
  if (!ValidSettings(*this, *record)) return FALSE;
  found->port = Text(record->pPortName);
  TakeSettings(*found, *record);
  return TRUE;
}

HANDLE SimWindows::AddPrinterW(LPWSTR server, DWORD level, LPBYTE info) {
  if (Fault("AddPrinterW") || !OnThisMachine(*this, server)) return nullptr;
  const auto* record = reinterpret_cast<const PRINTER_INFO_2W*>(info);
  if (level != 2 || !record || !record->pPrinterName || !*record->pPrinterName)
    return Fail(ERROR_INVALID_PARAMETER, nullptr);
  if (FindPrinter(record->pPrinterName)) return Fail(ERROR_PRINTER_ALREADY_EXISTS, nullptr);
  if (!FindDriver(Text(record->pDriverName), L"Windows x64"))
    return Fail(ERROR_UNKNOWN_PRINTER_DRIVER, nullptr);
  if (!PortsExist(*this, Text(record->pPortName))) return Fail(ERROR_UNKNOWN_PORT, nullptr);
  if (!ValidSettings(*this, *record)) return nullptr;
  SimPrinter& added = AddPrinter(record->pPrinterName, record->pDriverName, record->pPortName);
  TakeSettings(added, *record);
  if (onPrinterAdded) onPrinterAdded(added);
  // The handle of the printer's creator: every right on it.
  return NewHandle(HandleKind::kPrinter, added.name, PRINTER_ALL_ACCESS);
}

BOOL SimWindows::DeletePrinter(HANDLE printer) {
  if (Fault("DeletePrinter") || !Checked(printer, "DeletePrinter")) return FALSE;
  SimPrinter* found = PrinterOf(printer);
  if (!found) return Fail(ERROR_INVALID_HANDLE);
  const bool wasDefault = Lower(defaultPrinter) == Lower(found->name);
  printers.erase(printers.begin() + (found - printers.data()));
  // SetDefaultPrinter (learn.microsoft.com/windows/win32/printdocs/setdefaultprinter): without a
  // default, Windows selects one of the installed printers. Deleting the default printer leaves
  // another one the default; which is not documented: here the one added last.
  if (wasDefault) defaultPrinter = printers.empty() ? L"" : printers.back().name;
  return TRUE;
}

BOOL SimWindows::ClosePrinter(HANDLE printer) {
  Fault("ClosePrinter");
  return CloseOf(printer, {HandleKind::kPrinter});
}


// The data calls without their fault point, so that a plain call does not count as its Ex twin.
static DWORD ReadData(SimPrinter* printer, LPCSTR keyName, LPCSTR valueName, LPDWORD type,
                      LPBYTE data, DWORD size, LPDWORD needed) {
  if (!printer) return ERROR_INVALID_HANDLE;
  auto value = printer->data.find({keyName ? keyName : "", valueName ? valueName : ""});
  if (value == printer->data.end()) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->second.type;
  const DWORD bytes = static_cast<DWORD>(value->second.data.size());
  if (needed) *needed = bytes;
  if (!data || size < bytes) return ERROR_MORE_DATA;
  std::memcpy(data, value->second.data.data(), bytes);
  return ERROR_SUCCESS;
}

static DWORD WriteData(SimPrinter* printer, LPCSTR keyName, LPCSTR valueName, DWORD type,
                       LPBYTE data, DWORD size) {
  if (!printer) return ERROR_INVALID_HANDLE;
  printer->data[{keyName ? keyName : "", valueName ? valueName : ""}] =
      RegValue{type, std::vector<BYTE>(data, data + size)};
  return ERROR_SUCCESS;
}

DWORD SimWindows::GetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, LPDWORD type,
                                    LPBYTE data, DWORD size, LPDWORD needed) {
  const LastErrorKept kept(*this);
  if (Fault("GetPrinterDataExA")) return GetLastError();
  return ReadData(PrinterOf(printer), keyName, valueName, type, data, size, needed);
}

DWORD SimWindows::GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                  DWORD size, LPDWORD needed) {
  const LastErrorKept kept(*this);
  if (Fault("GetPrinterDataA")) return GetLastError();
  return ReadData(PrinterOf(printer), "", valueName, type, data, size, needed);
}

DWORD SimWindows::SetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, DWORD type,
                                    LPBYTE data, DWORD size) {
  const LastErrorKept kept(*this);
  if (Fault("SetPrinterDataExA") || !Checked(printer, "SetPrinterDataExA")) return GetLastError();
  return WriteData(PrinterOf(printer), keyName, valueName, type, data, size);
}

DWORD SimWindows::SetPrinterDataA(HANDLE printer, LPSTR valueName, DWORD type, LPBYTE data,
                                  DWORD size) {
  const LastErrorKept kept(*this);
  if (Fault("SetPrinterDataA") || !Checked(printer, "SetPrinterDataA")) return GetLastError();
  return WriteData(PrinterOf(printer), "", valueName, type, data, size);
}


BOOL SimWindows::GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) {
  if (Fault("GetDefaultPrinterW")) return FALSE;
  if (defaultPrinter.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  const bool fits = buffer && *size > defaultPrinter.size();
  if (buffer) FillTold(buffer, *size, defaultPrinter);
  *size = static_cast<DWORD>(defaultPrinter.size() + 1);
  if (!fits) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return TRUE;
}

BOOL SimWindows::SetDefaultPrinterW(LPCWSTR printer) {
  if (Fault("SetDefaultPrinterW")) return FALSE;
  SimPrinter* found = printer ? FindPrinter(printer) : nullptr;
  if (!found) return Fail(ERROR_INVALID_PRINTER_NAME);
  defaultPrinter = found->name;
  return TRUE;
}

}  // namespace qv::sim
