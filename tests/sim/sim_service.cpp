// SimWindows service control manager: the "spooler" service and the services that depend on it,
// each a state machine.
#include "sim_windows.h"

namespace qv::sim {
namespace {

void Report(const SimService& service, LPSERVICE_STATUS status) {
  *status = SERVICE_STATUS{};
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = service.state;
}

}  // namespace

SimService* SimWindows::ServiceNamed(const std::wstring& name) {
  if (Lower(name) == L"spooler") return &spoolerService;
  auto found = otherServices.find(Lower(name));
  return found == otherServices.end() ? nullptr : &found->second;
}

SimService& SimWindows::AddSpoolerDependent(const std::wstring& name, DWORD state) {
  SimService& service = otherServices[Lower(name)];
  service.state = state;
  service.dependsOn = L"spooler";
  return service;
}

// The running services that depend on `name`, directly or through another: those that depend
// on them first, as EnumDependentServices lists them ("the reverse of the start order").
void SimWindows::RunningDependents(const std::wstring& name, std::vector<std::wstring>& out) {
  for (auto& [other, service] : otherServices) {
    if (service.dependsOn != Lower(name) || service.state == SERVICE_STOPPED) continue;
    RunningDependents(other, out);
    out.push_back(other);
  }
}

SC_HANDLE SimWindows::OpenSCManagerW(LPCWSTR, LPCWSTR, DWORD access) {
  if (Fault("OpenSCManagerW")) return nullptr;
  // SC_MANAGER_CONNECT, the one right checked on a service manager, comes with every opening.
  return static_cast<SC_HANDLE>(
      NewHandle(HandleKind::kServiceManager, L"", access | SC_MANAGER_CONNECT));
}

SC_HANDLE SimWindows::OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access) {
  if (Fault("OpenServiceW") || !Checked(manager, "OpenServiceW")) return nullptr;
  if (!ServiceNamed(serviceName)) return Fail(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
  return static_cast<SC_HANDLE>(NewHandle(HandleKind::kService, Lower(serviceName), access));
}

BOOL SimWindows::ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
  if (Fault("ControlService") || !Checked(handle, "ControlService")) return FALSE;
  if (control != SERVICE_CONTROL_STOP) return Fail(ERROR_INVALID_PARAMETER);
  const std::wstring name = FindHandle(handle, HandleKind::kService)->name;
  SimService& service = *ServiceNamed(name);
  if (service.state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
  // "Stopping a Service", ControlService: ERROR_DEPENDENT_SERVICES_RUNNING while a service that
  // depends on it runs; the caller stops those first.
  std::vector<std::wstring> dependents;
  RunningDependents(name, dependents);
  if (!dependents.empty()) return Fail(ERROR_DEPENDENT_SERVICES_RUNNING);
  if (service.refuseStop || service.state != SERVICE_RUNNING)
    return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ++service.stopRequests;
  if (&service == &spoolerService) UnloadDeletedMonitors();
  service.pendingLeft = service.stopPendingPolls;
  service.state = service.pendingLeft > 0 ? SERVICE_STOP_PENDING : SERVICE_STOPPED;
  Report(service, status);
  return TRUE;
}

BOOL SimWindows::QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
  if (Fault("QueryServiceStatus") || !Checked(handle, "QueryServiceStatus")) return FALSE;
  SimService& service = *ServiceNamed(FindHandle(handle, HandleKind::kService)->name);
  // A pending state ends at the first query after the pending polls are used up.
  const bool pending =
      service.state == SERVICE_STOP_PENDING || service.state == SERVICE_START_PENDING;
  if (pending && service.pendingLeft-- == 0)
    service.state = service.state == SERVICE_STOP_PENDING ? SERVICE_STOPPED : SERVICE_RUNNING;
  Report(service, status);
  return TRUE;
}

// StartService: the services it depends on are started first; one that cannot be is
// ERROR_SERVICE_DEPENDENCY_FAIL.
BOOL SimWindows::StartNamedService(const std::wstring& name) {
  SimService& service = *ServiceNamed(name);
  if (service.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (!service.dependsOn.empty() && ServiceNamed(service.dependsOn)->state == SERVICE_STOPPED &&
      !StartNamedService(service.dependsOn)) {
    return Fail(ERROR_SERVICE_DEPENDENCY_FAIL);
  }
  ++service.startRequests;
  if (service.refuseStart) return Fail(ERROR_SERVICE_DISABLED);
  service.pendingLeft = service.startPendingPolls;
  service.state = service.pendingLeft > 0 ? SERVICE_START_PENDING : SERVICE_RUNNING;
  return TRUE;
}

BOOL SimWindows::StartServiceW(SC_HANDLE handle, DWORD argc, LPCWSTR* argv) {
  if (Fault("StartServiceW")) return FALSE;
  if (argc != 0 && !argv) return Fail(ERROR_INVALID_PARAMETER);  // arguments counted, none given
  if (!Checked(handle, "StartServiceW")) return FALSE;
  return StartNamedService(FindHandle(handle, HandleKind::kService)->name);
}

// EnumDependentServices: sized with a null array and 0 bytes (ERROR_MORE_DATA with the size);
// the names follow the records in the caller's array.
BOOL SimWindows::EnumDependentServicesW(SC_HANDLE handle, DWORD state,
                                        LPENUM_SERVICE_STATUSW services, DWORD size, LPDWORD needed,
                                        LPDWORD returned) {
  if (Fault("EnumDependentServicesW") || !Checked(handle, "EnumDependentServicesW")) return FALSE;
  if (state != SERVICE_ACTIVE || !needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<std::wstring> names;
  RunningDependents(FindHandle(handle, HandleKind::kService)->name, names);
  DWORD bytes = static_cast<DWORD>(names.size() * sizeof(ENUM_SERVICE_STATUSW));
  for (const auto& name : names) bytes += static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t));
  *returned = 0;
  *needed = bytes;
  if (size < bytes || (bytes > 0 && !services)) return Fail(ERROR_MORE_DATA);
  auto* text = reinterpret_cast<wchar_t*>(services + names.size());
  for (const auto& name : names) {
    ENUM_SERVICE_STATUSW& record = services[(*returned)++];
    record = ENUM_SERVICE_STATUSW{};
    record.lpServiceName = record.lpDisplayName = text;
    Report(*ServiceNamed(name), &record.ServiceStatus);
    text = std::copy(name.begin(), name.end(), text);
    *text++ = L'\0';
  }
  return TRUE;
}

BOOL SimWindows::CloseServiceHandle(SC_HANDLE handle) {
  Fault("CloseServiceHandle");
  return CloseOf(handle, {HandleKind::kService, HandleKind::kServiceManager});
}

}  // namespace qv::sim
