// The tray program started in people's sessions, as each person, from a deployment account.
#include "tray/session_start.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "context/install_context.h"
#include "log/install_log.h"
#include "os/scoped_handles.h"

namespace qv {
namespace {

constexpr size_t kCommandPathChars = 259;  // the most of the path the command line carries
wchar_t kPersonsDesktop[] = L"winsta0\\default";

bool IsPersonsSession(const WTS_SESSION_INFOW& session) {
  return session.SessionId != 0 &&
         (session.State == WTSActive || session.State == WTSDisconnected);
}

// Starts the tray program in `session` as the person logged on there; 0 or the failing call's
// error (WTSQueryUserToken is LocalSystem's alone).
DWORD StartAsPerson(DWORD session, const TextBuffer& trayPath) {
  ScopedHandle token;
  if (!Os().WTSQueryUserToken(session, token.Receive())) return Os().GetLastError();
  EnvironmentBlock environment;
  if (!Os().CreateEnvironmentBlock(environment.Receive(), token.Get(), FALSE)) {
    return Os().GetLastError();
  }
  TrayCommandLine commandLine(trayPath);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.lpDesktop = kPersonsDesktop;
  PROCESS_INFORMATION started = {};
  if (!Os().CreateProcessAsUserW(token.Get(), nullptr, commandLine.text, nullptr, nullptr, FALSE,
                                 NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT,
                                 environment.Get(), nullptr, &startup, &started)) {
    return Os().GetLastError();
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
  return 0;
}

void LogStartInSession(InstallContext& ctx, DWORD session, DWORD error) {
  if (error == 0) {
    LogLine(ctx, L"Tray program started in session %d", session);
    return;
  }
  wchar_t reason[128] = {};
  DescribeError(error, reason, std::size(reason));
  LogLine(ctx, L"Tray program of session %d starts at its next log-on (%d: %s)", session, error,
          reason);
}

}  // namespace

TrayCommandLine::TrayCommandLine(const TextBuffer& trayPath) {
  const auto length = static_cast<size_t>(std::min<uint64_t>(trayPath.Length(), kCommandPathChars));
  text[0] = L'"';
  std::wmemcpy(text + 1, trayPath.Text(), length);
  text[length + 1] = L'"';
  text[length + 2] = L'\0';
}

void StartTrayInPeoplesSessions(InstallContext& ctx, const TextBuffer& trayPath) {
  SessionList sessions;
  DWORD count = 0;
  if (!Os().WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, sessions.Receive(), &count)) {
    LogLine(ctx, L"Tray program starts at each person's next log-on (sessions unknown: %d)",
            Os().GetLastError());
    return;
  }
  bool anyPerson = false;
  for (DWORD i = 0; i < count; ++i) {
    const WTS_SESSION_INFOW& session = sessions.Get()[i];
    if (!IsPersonsSession(session)) continue;
    anyPerson = true;
    LogStartInSession(ctx, session.SessionId, StartAsPerson(session.SessionId, trayPath));
  }
  if (!anyPerson) LogLine(ctx, L"No one is logged on: the tray program starts at each log-on");
}

}  // namespace qv
