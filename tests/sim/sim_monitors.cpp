// SimWindows print spooler, monitors: registration, deletion, listing and their ports.
#include <algorithm>

#include "sim_record_packer.h"

namespace qv::sim {

std::vector<std::wstring> SplitPorts(const std::wstring& ports) {
  std::vector<std::wstring> list;
  for (size_t start = 0, comma; start <= ports.size(); start = comma + 1) {
    comma = std::min(ports.find(L',', start), ports.size());
    if (comma > start) list.push_back(ports.substr(start, comma - start));
  }
  return list;
}

// ---- Set-up helpers ----------------------------------------------------------------------------

bool SimWindows::MonitorRegistered(const std::wstring& name) const {
  return std::any_of(monitors.begin(), monitors.end(),
                     [&](const SimMonitor& m) { return m.name == name; });
}

bool PortsExist(const SimWindows& sim, const std::wstring& ports) {
  for (const std::wstring& port : SplitPorts(ports)) {
    if (Lower(port) != L"file:" && Lower(port) != L"lpt1:" && !sim.MonitorRegistered(port)) {
      return false;
    }
  }
  return true;
}

// ---- Monitors ----------------------------------------------------------------------------------

BOOL SimWindows::EnumMonitorsW(LPWSTR, DWORD level, LPBYTE info, DWORD size, LPDWORD needed,
                               LPDWORD returned) {
  *returned = 0;
  if (Fault("EnumMonitorsW")) return FALSE;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);  // the installer lists at level 2 only
  RecordPacker packer(sizeof(MONITOR_INFO_2W), monitors.size());
  for (size_t i = 0; i < monitors.size(); ++i) {
    packer.String(i, &MONITOR_INFO_2W::pName, monitors[i].name);
    packer.String(i, &MONITOR_INFO_2W::pEnvironment, monitors[i].environment);
    packer.String(i, &MONITOR_INFO_2W::pDLLName, monitors[i].dll);
  }
  return packer.Write(*this, info, size, needed, returned);
}

BOOL SimWindows::AddMonitorW(LPWSTR, DWORD level, LPBYTE info) {
  if (Fault("AddMonitorW")) return FALSE;
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

BOOL SimWindows::DeleteMonitorW(LPWSTR, LPWSTR environment, LPWSTR monitorName) {
  if (Fault("DeleteMonitorW")) return FALSE;
  if (!SpoolerRunning()) return Fail(RPC_S_SERVER_UNAVAILABLE);
  auto found = std::find_if(monitors.begin(), monitors.end(), [&](const SimMonitor& m) {
    return m.name == Text(monitorName) &&
           (!environment || Lower(m.environment) == Lower(environment));
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

}  // namespace qv::sim
