// The services that depend on the spooler, stopped before it and started again after it.
#include "spooler/spooler_dependents.h"

#include "context/install_context.h"
#include "log/install_log.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

constexpr DWORD kDependentAccess = SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP;
// A service can be added between sizing and fetching; then the list is sized again.
constexpr int kListAttempts = 3;

// The running services that depend on `spooler` into `list`; false when they cannot be listed.
bool ListRunningDependents(SC_HANDLE spooler, GlobalBlock& list, DWORD& count) {
  DWORD needed = 0;
  for (int attempt = 1; attempt <= kListAttempts; ++attempt) {
    count = 0;
    list = AllocateZeroedBlock(needed + sizeof(ENUM_SERVICE_STATUSW));  // never empty
    if (!list) return false;
    auto* records = static_cast<LPENUM_SERVICE_STATUSW>(list.Get());
    if (Os().EnumDependentServicesW(spooler, SERVICE_ACTIVE, needed ? records : nullptr, needed,
                                    &needed, &count)) {
      return true;
    }
    if (Os().GetLastError() != ERROR_MORE_DATA) break;
  }
  list.Reset();
  count = 0;
  return false;
}

void LogIf(InstallContext* ctx, const wchar_t* format, const wchar_t* name) {
  if (ctx) LogLine(*ctx, format, name);
}

void LogErrorIf(InstallContext* ctx, int number, const wchar_t* format, const wchar_t* name) {
  if (ctx) LogError(*ctx, number, format, name);
}

}  // namespace

void SpoolerDependents::StopRunning(SC_HANDLE manager, SC_HANDLE spooler, InstallContext* ctx) {
  if (!ListRunningDependents(spooler, list_, count_)) {
    if (ctx) LogError(*ctx, 40, L"Can't list the services that depend on the spooler");
    return;
  }
  const auto* records = static_cast<const ENUM_SERVICE_STATUSW*>(list_.Get());
  for (DWORD i = 0; i < count_; ++i) {
    const wchar_t* name = records[i].lpServiceName;
    LogIf(ctx, L"Stopping service '%s', which depends on the spooler", name);
    ScopedServiceHandle service(Os().OpenServiceW(manager, name, kDependentAccess));
    if (!service || !StopServiceAndWait(service.Get())) {
      LogErrorIf(ctx, 41, L"Can't stop service '%s', which depends on the spooler", name);
    }
  }
}

void SpoolerDependents::StartAgain(SC_HANDLE manager, InstallContext* ctx) {
  const auto* records = static_cast<const ENUM_SERVICE_STATUSW*>(list_.Get());
  for (DWORD i = count_; i-- > 0;) {
    const wchar_t* name = records[i].lpServiceName;
    LogIf(ctx, L"Starting service '%s' again", name);
    ScopedServiceHandle service(Os().OpenServiceW(manager, name, kDependentAccess));
    if (!service || !StartServiceAndWait(service.Get())) {
      LogErrorIf(ctx, 42, L"Can't start service '%s' again, which depends on the spooler", name);
    }
  }
  list_.Reset();
  count_ = 0;
}

}  // namespace qv
