// SimWindows service control manager: the "spooler" service as a state machine.
#include "sim_windows.h"

namespace qv::sim {
namespace {

void Report(const SimService& service, LPSERVICE_STATUS status) {
  *status = SERVICE_STATUS{};
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = service.state;
}

}  // namespace

SC_HANDLE SimWindows::OpenSCManagerW(LPCWSTR, LPCWSTR, DWORD access) {
  if (Fault("OpenSCManagerW")) return nullptr;
  // SC_MANAGER_CONNECT, the one right checked on a service manager, comes with every opening.
  return static_cast<SC_HANDLE>(
      NewHandle(HandleKind::kServiceManager, L"", access | SC_MANAGER_CONNECT));
}

SC_HANDLE SimWindows::OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access) {
  if (Fault("OpenServiceW") || !Checked(manager, "OpenServiceW")) return nullptr;
  if (Lower(serviceName) != L"spooler") return Fail(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
  return static_cast<SC_HANDLE>(NewHandle(HandleKind::kService, L"spooler", access));
}

BOOL SimWindows::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (Fault("ControlService") || !Checked(service, "ControlService")) return FALSE;
  if (control != SERVICE_CONTROL_STOP) return Fail(ERROR_INVALID_PARAMETER);
  SimService& spooler = spoolerService;
  if (spooler.state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
  if (spooler.refuseStop || spooler.state != SERVICE_RUNNING)
    return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ++spooler.stopRequests;
  UnloadDeletedMonitors();
  spooler.pendingLeft = spooler.stopPendingPolls;
  spooler.state = spooler.pendingLeft > 0 ? SERVICE_STOP_PENDING : SERVICE_STOPPED;
  Report(spooler, status);
  return TRUE;
}

BOOL SimWindows::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  if (Fault("QueryServiceStatus") || !Checked(service, "QueryServiceStatus")) return FALSE;
  SimService& spooler = spoolerService;
  // A pending state ends at the first query after the pending polls are used up.
  const bool pending =
      spooler.state == SERVICE_STOP_PENDING || spooler.state == SERVICE_START_PENDING;
  if (pending && spooler.pendingLeft-- == 0)
    spooler.state = spooler.state == SERVICE_STOP_PENDING ? SERVICE_STOPPED : SERVICE_RUNNING;
  Report(spooler, status);
  return TRUE;
}

BOOL SimWindows::StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv) {
  if (Fault("StartServiceW")) return FALSE;
  if (argc != 0 && !argv) return Fail(ERROR_INVALID_PARAMETER);  // arguments counted, none given
  if (!Checked(service, "StartServiceW")) return FALSE;
  SimService& spooler = spoolerService;
  if (spooler.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  ++spooler.startRequests;
  if (spooler.refuseStart) return Fail(ERROR_SERVICE_DISABLED);
  spooler.pendingLeft = spooler.startPendingPolls;
  spooler.state = spooler.pendingLeft > 0 ? SERVICE_START_PENDING : SERVICE_RUNNING;
  return TRUE;
}

BOOL SimWindows::CloseServiceHandle(SC_HANDLE handle) {
  Fault("CloseServiceHandle");
  return CloseOf(handle, {HandleKind::kService, HandleKind::kServiceManager});
}

}  // namespace qv::sim
