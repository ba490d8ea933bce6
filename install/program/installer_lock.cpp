// InstallerLock: the machine-wide mutex that keeps a second installer waiting.
#include "program/installer_lock.h"

#include <sddl.h>

#include "context/install_context.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr char kInstallerMutexName[] = "Global\\QuintaveraInstaller";
// Full control for SYSTEM and the Administrators, nobody else: a setup running as SYSTEM and one a
// person elevated both open it, whichever created it.
constexpr wchar_t kInstallerMutexAccess[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

HANDLE CreateInstallerMutex() {
  LocalBlock descriptor;
  if (!Os().ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kInstallerMutexAccess, SDDL_REVISION_1,
          reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
  return Os().CreateMutexA(&attributes, FALSE, kInstallerMutexName);
}

}  // namespace

InstallerLock::InstallerLock() : mutex_(CreateInstallerMutex()) {
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
