// Accounts and sessions of the simulated machine: the run's account and session, the people
// logged on, their tokens and processes, and the Restart Manager that ends programs in any session.
#include "sim_windows.h"

namespace qv::sim {

// "Kernel object namespaces": "Global\" names the global namespace; other names the session's.
std::string SimWindows::ObjectName(const std::string& name, DWORD session) {
  if (name.rfind("Global\\", 0) == 0) return name;
  return "Session\\" + std::to_string(session) + "\\" + name;
}

// "CheckTokenMembership": a null token is the caller's; LocalSystem's SID is only SYSTEM's.
BOOL SimWindows::CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember) {
  if (Fault("CheckTokenMembership") || token || !sid) return Fail(ERROR_INVALID_PARAMETER);
  *isMember = ::IsWellKnownSid(sid, WinLocalSystemSid) && account == SimAccount::kSystem;
  return TRUE;
}

DWORD SimWindows::GetCurrentProcessId() { return 4242; }

BOOL SimWindows::ProcessIdToSessionId(DWORD processId, DWORD* session) {
  if (Fault("ProcessIdToSessionId") || processId != 4242) return Fail(ERROR_INVALID_PARAMETER);
  *session = sessionId;
  return TRUE;
}

// "WTSEnumerateSessionsW": Reserved 0, Version 1; session 0 and all others, for WTSFreeMemory.
BOOL SimWindows::WTSEnumerateSessionsW(HANDLE server, DWORD reserved, DWORD version,
                                       PWTS_SESSION_INFOW* list, DWORD* count) {
  if (Fault("WTSEnumerateSessionsW")) return FALSE;
  if (server || reserved != 0 || version != 1) return Fail(ERROR_INVALID_PARAMETER);
  *count = static_cast<DWORD>(sessions.size() + 1);
  *list = static_cast<PWTS_SESSION_INFOW>(NewLocalBlock(*count * sizeof(WTS_SESSION_INFOW)));
  (*list)[0].State = WTSDisconnected;  // session 0
  PWTS_SESSION_INFOW next = *list;
  for (const auto& [id, state] : sessions) *++next = {id, nullptr, state};
  return TRUE;
}

void SimWindows::WTSFreeMemory(PVOID memory) { LocalFree(memory); }

// "WTSQueryUserToken": only LocalSystem (with SE_TCB_NAME) may call it.
BOOL SimWindows::WTSQueryUserToken(ULONG session, PHANDLE token) {
  if (Fault("WTSQueryUserToken")) return FALSE;
  if (account != SimAccount::kSystem) return Fail(ERROR_PRIVILEGE_NOT_HELD);
  *token = NewHandle(HandleKind::kToken, std::to_wstring(session));
  return TRUE;
}

BOOL SimWindows::CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL) {
  if (Fault("CreateEnvironmentBlock") || !FindHandle(token, HandleKind::kToken)) return FALSE;
  return (*environment = NewLocalBlock(4)) != nullptr;  // an empty block: two wide NULs
}

BOOL SimWindows::DestroyEnvironmentBlock(LPVOID environment) {
  return !Fault("DestroyEnvironmentBlock") && LocalFree(environment) == nullptr;
}

// "CreateProcessAsUserW": the process runs as the token's account, in the token's session; a
// Unicode environment block (CreateEnvironmentBlock's) needs CREATE_UNICODE_ENVIRONMENT.
BOOL SimWindows::CreateProcessAsUserW(HANDLE token, LPCWSTR, LPWSTR commandLineText,
                                      LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                      DWORD flags, LPVOID environment, LPCWSTR,
                                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION info) {
  const HandleEntry* entry = FindHandle(token, HandleKind::kToken);
  if (Fault("CreateProcessAsUserW") || !entry) return FALSE;
  if (!startupInfo || startupInfo->cb != sizeof(STARTUPINFOW) || !commandLineText ||
      (environment && !(flags & CREATE_UNICODE_ENVIRONMENT)))
    return Fail(ERROR_INVALID_PARAMETER);
  return StartProcess({commandLineText, static_cast<DWORD>(std::stoul(entry->name))}, info);
}

// "RmStartSession": flags 0, a key of CCH_RM_SESSION_KEY + 1; a session is a handle until
// RmEndSession ends it.
DWORD SimWindows::RmStartSession(DWORD* session, DWORD flags, WCHAR* key) {
  const LastErrorKept kept(*this);
  if (Fault("RmStartSession")) return lastError_;
  if (!session || !key || flags != 0) return ERROR_BAD_ARGUMENTS;
  key[CCH_RM_SESSION_KEY] = L'\0';  // the key fills the buffer
  *session = static_cast<DWORD>(reinterpret_cast<uintptr_t>(NewHandle(HandleKind::kRmSession)));
  return ERROR_SUCCESS;
}

static void* RmHandle(DWORD session) { return reinterpret_cast<void*>(uintptr_t{session}); }

// "RmRegisterResources": each array "can be NULL if" its count "is 0"; a NULL pointer where a
// count asks for an array is ERROR_BAD_ARGUMENTS.
DWORD SimWindows::RmRegisterResources(DWORD session, UINT files, LPCWSTR* names, UINT applications,
                                      RM_UNIQUE_PROCESS* processes, UINT services,
                                      LPCWSTR* serviceNames) {
  const LastErrorKept kept(*this);
  if (Fault("RmRegisterResources")) return lastError_;
  if (!FindHandle(RmHandle(session), HandleKind::kRmSession)) return ERROR_INVALID_HANDLE;
  if ((files && !names) || (applications && !processes) || (services && !serviceNames))
    return ERROR_BAD_ARGUMENTS;
  for (UINT i = 0; i < files; ++i) restartManagerFiles_.insert(Lower(names[i]));
  return ERROR_SUCCESS;
}

// "RmShutdown": programs of any session using a registered file are asked to end; RmForceShutdown
// ends one still running after 30 seconds; one left running is ERROR_FAIL_SHUTDOWN.
DWORD SimWindows::RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK) {
  const LastErrorKept kept(*this);
  if (Fault("RmShutdown")) return lastError_;
  if (!FindHandle(RmHandle(session), HandleKind::kRmSession)) return ERROR_INVALID_HANDLE;
  std::vector<DWORD> using_;
  for (const auto& [id, program] : programs)
    if (restartManagerFiles_.count(Lower(program.path))) using_.push_back(id);
  const uint64_t deadline = clock + 30000;
  for (DWORD id : using_)
    if (programs.count(id)) programs.at(id).endSession(flags & RmForceShutdown ? deadline : ~0ull);
  auto anyLeft = [&] {
    return std::any_of(using_.begin(), using_.end(), [&](DWORD id) { return programs.count(id); });
  };
  while (anyLeft() && clock < deadline) Advance(100);
  return anyLeft() ? 351 : ERROR_SUCCESS;  // ERROR_FAIL_SHUTDOWN
}

DWORD SimWindows::RmEndSession(DWORD session) {
  const LastErrorKept kept(*this);
  Fault("RmEndSession");
  if (!CloseOf(RmHandle(session), {HandleKind::kRmSession})) return ERROR_INVALID_HANDLE;
  restartManagerFiles_.clear();
  return ERROR_SUCCESS;
}

}  // namespace qv::sim
