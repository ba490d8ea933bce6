// Whose run this is: LocalSystem or session 0 tell a deployment account from a person.
#include "os/run_account.h"

#include "os/windows_api.h"

namespace qv {
namespace {

// False only when the run's token is known not to be LocalSystem's.
bool MayBeLocalSystem() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(sid);
  BOOL member = FALSE;
  if (!Os().CreateWellKnownSid(WinLocalSystemSid, nullptr, sid, &size)) return true;
  return !Os().CheckTokenMembership(nullptr, sid, &member) || member;
}

// False only when the run's session is known to be a person's (not session 0).
bool MayBeServicesSession() {
  DWORD session = 0;
  return !Os().ProcessIdToSessionId(Os().GetCurrentProcessId(), &session) || session == 0;
}

}  // namespace

bool RunsAsDeploymentAccount() { return MayBeLocalSystem() || MayBeServicesSession(); }

}  // namespace qv
