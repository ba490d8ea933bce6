// qvdependent.exe: a service that depends on the spooler and does nothing but run, for the
// end-to-end scenarios. Registered as "QvSpoolerDependent" with the spooler as its dependency
// (sc create QvSpoolerDependent binPath= <path> depend= Spooler) and started, it shows whether a
// spooler restart leaves the services that depend on the spooler running. It ends when the
// service control manager stops it; exit code 0, or 1 when it could not run as a service.
#include <windows.h>

namespace {

wchar_t g_name[] = L"QvSpoolerDependent";
SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
  if (control != SERVICE_CONTROL_STOP) return ERROR_CALL_NOT_IMPLEMENTED;
  Report(SERVICE_STOP_PENDING);
  ::SetEvent(g_stop);
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  g_status = ::RegisterServiceCtrlHandlerExW(g_name, Control, nullptr);
  if (!g_status) return;
  Report(SERVICE_RUNNING);
  ::WaitForSingleObject(g_stop, INFINITE);
  Report(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
  g_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const SERVICE_TABLE_ENTRYW services[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
  const bool ran = g_stop && ::StartServiceCtrlDispatcherW(services);
  if (g_stop) ::CloseHandle(g_stop);
  return ran ? 0 : 1;
}
