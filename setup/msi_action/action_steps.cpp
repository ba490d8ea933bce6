// The custom actions' steps: installer runs and their outcomes.
#include "action_steps.h"

#include "outcome.h"
#include "restart_handoff.h"

namespace qvmsi {
namespace {

constexpr DWORD kRunTimeoutMs = 10 * 60 * 1000;  // beyond the installer's own 5 minute wait

constexpr wchar_t kMsgNotStarted[] = L"The Quintavera installer could not be started: ";
constexpr wchar_t kMsgUnexpected[] = L"The Quintavera installer ended unexpectedly with code ";

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  ::wsprintfW(text, L"0x%08lX", value);
  return text;
}

std::wstring CodeText(DWORD code) { return IsCrash(code) ? Hex(code) : std::to_wstring(code); }

}  // namespace

InstallerRun RunWord(const MsiSession& session, WorkFolder& work, const std::wstring& exe,
                     const wchar_t* word) {
  session.LogLine(std::wstring(L"Quintavera: ") + exe + L" " + word);
  InstallerRun run;
  if (!work.Made()) {
    run.startError = work.Error();
    session.LogLine(L"Quintavera: no work folder, error " + std::to_wstring(work.Error()));
    return run;
  }
  run = RunInstaller(exe, word, work.File(std::wstring(L"qvinstall ") + word + L".log"),
                     kRunTimeoutMs);
  for (const std::wstring& line : run.logLines) session.LogLine(line);
  if (!run.started) {
    session.LogLine(L"Quintavera: not started, error " + std::to_wstring(run.startError));
  } else {
    session.LogLine(std::wstring(L"Quintavera: ") + word + L" ended with code " +
                    CodeText(run.exitCode));
  }
  return run;
}

UINT Fail(const MsiSession& session, const std::wstring& text) {
  session.ShowError(text);
  return ERROR_INSTALL_FAILURE;
}

UINT FailUnexpected(const MsiSession& session, const std::wstring& exe, const InstallerRun& run) {
  if (!run.started) return Fail(session, kMsgNotStarted + exe);
  return Fail(session, kMsgUnexpected + CodeText(run.exitCode) + L".");
}

UINT TakeChange(const MsiSession& session, const std::wstring& exe, const InstallerRun& run,
                DWORD successCode, const wchar_t* errorsText) {
  switch (run.started ? ChangeOutcome(successCode, run.exitCode) : Outcome::kFailure) {
    case Outcome::kSuccess:
      return ERROR_SUCCESS;
    case Outcome::kRestartNeeded:
      HandOnRestart(session);
      return ERROR_SUCCESS;
    case Outcome::kFailure:
      break;
  }
  if (run.started && run.exitCode == kErrorsLogged) return Fail(session, errorsText);
  return FailUnexpected(session, exe, run);
}

std::wstring Field(const std::vector<std::wstring>& fields, size_t index) {
  return index < fields.size() ? fields[index] : std::wstring();
}

std::wstring InstalledInstaller(const std::wstring& installDir) {
  std::wstring dir = installDir;
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir + L"drv\\qvinstall.exe";
}

}  // namespace qvmsi
