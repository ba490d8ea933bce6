// One installer at a time: every command word that changes the machine runs while it holds the
// mutex "Quintavera\QuintaveraInstaller", whoever started it (a setup program, a deployment tool,
// a person, a log-on script) and in whichever session. The mutex lives in the private namespace
// "Quintavera" whose boundary holds the Administrators group: only SYSTEM and elevated
// administrators can make or open it, so a name that another account made first blocks nothing.
// Where the namespace cannot be had, the machine-wide "Global\QuintaveraInstaller" stands in.
#pragma once

#include <windows.h>

#include "os/private_namespace.h"
#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

// How long a run waits for the installer that holds the mutex: 5 minutes.
constexpr DWORD kInstallerLockWait = 5 * 60 * 1000;

// A scope that holds the mutex. Creation waits for it within kInstallerLockWait; the end of the
// scope releases it. A mutex whose holder ended without releasing it (killed, crashed) is taken
// over: the printer record covers what that run left.
class InstallerLock {
 public:
  enum class Outcome { kTaken, kTakenAfterWait, kTakenOver, kTimedOut, kFailed };

  InstallerLock();
  ~InstallerLock();
  InstallerLock(const InstallerLock&) = delete;
  InstallerLock& operator=(const InstallerLock&) = delete;

  bool Held() const { return outcome_ <= Outcome::kTakenOver; }
  // Logs how the mutex was had (one line after a wait or a take-over, one when the namespace
  // could not be had), or error 27 when it was not: the run must then change nothing.
  void Log(InstallContext& ctx) const;

 private:
  PrivateNamespace namespace_;  // declared first: open for as long as the mutex handle is
  ScopedHandle mutex_;
  Outcome outcome_ = Outcome::kFailed;
  DWORD error_ = 0;   // why it was not had
  DWORD waited_ = 0;  // milliseconds
};

}  // namespace qv
