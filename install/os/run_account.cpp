// Whose run this is: LocalSystem or session 0 tell a deployment account from a person.
#include "os/run_account.h"

#include "os/windows_api.h"

namespace qv {
namespace {

// False only when the run's token is known not to be LocalSystem's (S-1-5-18).
bool MayBeLocalSystem() {
  SID localSystem = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID}};
  BOOL member = FALSE;
  return !Os().CheckTokenMembership(nullptr, &localSystem, &member) || member;
}

// False only when the run's session is known to be a person's (not session 0).
bool MayBeServicesSession() {
  DWORD session = 0;
  return !Os().ProcessIdToSessionId(Os().GetCurrentProcessId(), &session) || session == 0;
}

}  // namespace

bool RunsAsDeploymentAccount() { return MayBeLocalSystem() || MayBeServicesSession(); }

}  // namespace qv
