// InstallerLock: the installers' mutex, in their private namespace, that keeps a second installer
// waiting.
#include "program/installer_lock.h"

#include <sddl.h>

#include "context/install_context.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr wchar_t kBoundaryName[] = L"Quintavera";
constexpr wchar_t kNamespaceAlias[] = L"Quintavera";
constexpr char kInstallerMutexName[] = "Quintavera\\QuintaveraInstaller";  // in the namespace
constexpr char kFallbackMutexName[] = "Global\\QuintaveraInstaller";
// Full control for SYSTEM and the Administrators, nobody else (the namespace and the mutex): a
// setup running as SYSTEM and one a person elevated both open them, whichever created them.
constexpr wchar_t kInstallerMutexAccess[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

HANDLE CreateInstallerMutex(const char* name) {
  LocalBlock descriptor;
  if (!Os().ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kInstallerMutexAccess, SDDL_REVISION_1,
          reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
  return Os().CreateMutexA(&attributes, FALSE, name);
}

}  // namespace

InstallerLock::InstallerLock()
    : namespace_(kBoundaryName, WinBuiltinAdministratorsSid, kNamespaceAlias,
                 kInstallerMutexAccess),
      mutex_(CreateInstallerMutex(namespace_.IsOpen() ? kInstallerMutexName : kFallbackMutexName)) {
  if (!mutex_) {
    error_ = Os().GetLastError();
    return;
  }
  const DWORD start = Os().GetTickCount();
  const DWORD result = Os().WaitForSingleObject(mutex_.Get(), kInstallerLockWait);
  waited_ = Os().GetTickCount() - start;
  switch (result) {
    case WAIT_OBJECT_0:
      outcome_ = waited_ == 0 ? Outcome::kTaken : Outcome::kTakenAfterWait;
      return;
    case WAIT_ABANDONED:
      outcome_ = Outcome::kTakenOver;
      return;
    case WAIT_TIMEOUT:
      outcome_ = Outcome::kTimedOut;
      error_ = WAIT_TIMEOUT;
      return;
    default:
      error_ = Os().GetLastError();
  }
}

InstallerLock::~InstallerLock() {
  if (Held()) Os().ReleaseMutex(mutex_.Get());
}

void InstallerLock::Log(InstallContext& ctx) const {
  if (!namespace_.IsOpen()) {
    LogLine(ctx, L"The installers' namespace can't be had (error %d), using %s",
            static_cast<int32_t>(namespace_.Error()), L"Global\\QuintaveraInstaller");
  }
  switch (outcome_) {
    case Outcome::kTaken:
      return;
    case Outcome::kTakenAfterWait:
      LogLine(ctx, L"Waited %d ms for another Quintavera installer to end",
              static_cast<int32_t>(waited_));
      return;
    case Outcome::kTakenOver:
      LogLine(ctx, L"Another Quintavera installer ended without finishing, going on");
      return;
    default:
      Os().SetLastError(error_);
      LogError(ctx, 27, L"Another Quintavera installer is running, nothing was changed");
  }
}

}  // namespace qv
