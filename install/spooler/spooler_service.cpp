// Control of the Windows "spooler" service.
#include "spooler/spooler_service.h"

#include "context/install_context.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr DWORD kManagerAccess = STANDARD_RIGHTS_REQUIRED | SC_MANAGER_CONNECT;  // 0xF0001
constexpr DWORD kCheckAccess = SERVICE_QUERY_STATUS | SERVICE_START;             // 0x14
constexpr DWORD kRestartAccess =
    SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP | SERVICE_ENUMERATE_DEPENDENTS;  // 0x3C
constexpr int kStatePolls = 50;
constexpr DWORD kPollInterval = 200;
constexpr wchar_t kSpooler[] = L"spooler";

DWORD QueryState(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  Os().QueryServiceStatus(service, &status);
  return status.dwCurrentState;
}

// Polls until the service reaches `wanted`: at most kStatePolls sleeps, each followed by
// `afterSleep(last state seen)` and one more query.
template <typename AfterSleep>
bool WaitForState(SC_HANDLE service, DWORD wanted, AfterSleep afterSleep) {
  DWORD state = QueryState(service);
  for (int poll = 0; poll < kStatePolls && state != wanted; ++poll) {
    Os().Sleep(kPollInterval);
    afterSleep(state);
    state = QueryState(service);
  }
  return state == wanted;
}

// Asks the service to start; 0 when the request was taken, else why it was refused.
DWORD RequestStart(SC_HANDLE service) {
  return Os().StartServiceW(service, 0, nullptr) ? ERROR_SUCCESS : Os().GetLastError();
}

// A refused start that is worth asking again: the service database was locked (Windows is still
// starting its services), or the service was still stopping and has now stopped. Anything else,
// a disabled service above all, is refused for good.
bool StartWorthRetrying(DWORD refusal, DWORD state) {
  return refusal == ERROR_SERVICE_DATABASE_LOCKED ||
         (refusal == ERROR_SERVICE_ALREADY_RUNNING && state == SERVICE_STOPPED);
}

}  // namespace

bool StartServiceAndWait(SC_HANDLE service) {
  DWORD refusal = RequestStart(service);
  return WaitForState(service, SERVICE_RUNNING, [&](DWORD state) {
    if (StartWorthRetrying(refusal, state)) refusal = RequestStart(service);
  });
}

bool StopServiceAndWait(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  if (!Os().ControlService(service, SERVICE_CONTROL_STOP, &status) &&
      Os().GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
    return false;
  }
  return WaitForState(service, SERVICE_STOPPED, [](DWORD) {});
}

bool CheckSpooler(InstallContext& ctx) {
  LogLine(ctx, L"#Check Spooler");
  LogIndent indent(ctx);
  ScopedServiceHandle manager(Os().OpenSCManagerW(nullptr, nullptr, kManagerAccess));
  if (!manager) {
    LogError(ctx, 1, L"Can't open service manager.");
    return false;
  }
  ScopedServiceHandle service(Os().OpenServiceW(manager.Get(), kSpooler, kCheckAccess));
  if (!service) {
    LogError(ctx, 2, L"Can't open the spooler");
    return false;
  }
  SERVICE_STATUS status = {};
  if (Os().QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_RUNNING &&
      !StartServiceAndWait(service.Get())) {
    LogError(ctx, 4, L"Can't start the spooler");
    return false;
  }
  return true;
}

RestartSpooler::RestartSpooler(InstallContext* ctx) : context(ctx) {
  if (context) LogLine(*context, L"#Restart Spooler");
  serviceManager.Reset(Os().OpenSCManagerW(nullptr, nullptr, kManagerAccess));
  if (!serviceManager) {
    if (context) LogError(*context, 1, L"Can't open service manager.");
    return;
  }
  service.Reset(Os().OpenServiceW(serviceManager.Get(), kSpooler, kRestartAccess));
  if (!service) {
    if (context) LogError(*context, 2, L"Can't open the spooler");
    return;
  }
  dependents.StopRunning(serviceManager.Get(), service.Get(), context);
  SERVICE_STATUS status = {};
  if (!Os().ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
    const DWORD error = Os().GetLastError();
    if (error != ERROR_SERVICE_NOT_ACTIVE && context) {
      LogError(*context, 5, L"ControlService failed with code %d (0x%x)", error, error);
    }
  }
  stopRequested = true;
  if (!WaitForState(service.Get(), SERVICE_STOPPED, [](DWORD) {}) && context) {
    LogError(*context, 3, L"Can't stop the spooler");
  }
}

RestartSpooler::~RestartSpooler() {
  if (!service || !stopRequested) return;
  if (!StartServiceAndWait(service.Get()) && context) {
    LogError(*context, 4, L"Can't start the spooler");
  }
  dependents.StartAgain(serviceManager.Get(), context);
}

}  // namespace qv
