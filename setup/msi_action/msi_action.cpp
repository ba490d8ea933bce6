// qvmsiaction.dll: the Windows Installer package's custom actions. Each runs the installer's
// command words quietly, copies the installer's log into the Windows Installer log and turns the
// exit codes into the action's result (a failure rolls the package back, msiexec ends with 1603).
// All three are deferred and run without impersonation:
//   QvCheckBeforeInstall  before any change: "onInit" from the copy this DLL carries
//   QvInstall             after the files: "install" (or "in_notray"), "def.set" when asked,
//                         "onChkDrv" last; CustomActionData "INSTALLDIR|NOTRAY|DEFAULTPRINTER"
//   QvRemove              before the files go: "uninstall" (then the installer's emptied
//                         registry keys go), or only "removetray" while a newer
//                         package replaces this one; CustomActionData
//                         "INSTALLDIR|UPGRADINGPRODUCTCODE"
#include <windows.h>

#include <string>

#include "embedded_installer.h"
#include "installer_run.h"
#include "msi_session.h"
#include "outcome.h"
#include "product_keys.h"

namespace qvmsi {
namespace {

constexpr DWORD kRunTimeoutMs = 10 * 60 * 1000;  // beyond the installer's own 5 minute wait
constexpr wchar_t kWorkFolder[] = L"Quintavera package";
// Left by QvCheckBeforeInstall when "onInit" answered 102, taken by QvInstall.
constexpr wchar_t kDefaultIsOtherMark[] = L"default printer is another";

constexpr wchar_t kMsgRestartFirst[] =
    L"Windows must restart before Quintavera can be installed or updated: files of an earlier "
    L"Quintavera are still waiting to be removed at the restart. Nothing has been changed.";
constexpr wchar_t kMsgErrorsLogged[] =
    L"Quintavera could not be installed completely. The installer's log is in the Windows "
    L"Installer log (msiexec /l*v).";
constexpr wchar_t kMsgUninstallErrors[] =
    L"Quintavera could not be removed completely. The installer's log is in the Windows "
    L"Installer log (msiexec /l*v). Quintavera stays installed so that you can try again.";
constexpr wchar_t kMsgNotStarted[] = L"The Quintavera installer could not be started: ";
constexpr wchar_t kMsgUnexpected[] = L"The Quintavera installer ended unexpectedly with code ";
constexpr wchar_t kMsgDriverMissing[] =
    L"The Quintavera printer driver is not in place after the install.";

HMODULE ThisModule() {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &self);
  return self;
}

// "<temporary folder>\Quintavera package\": the carried installer and the logs while they run.
std::wstring WorkFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder = length > 0 && length <= MAX_PATH ? std::wstring(temp, length) : L"C:\\";
  folder += kWorkFolder;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  ::wsprintfW(text, L"0x%08lX", value);
  return text;
}

// Runs one word; the installer's log follows a line that names the run, and its end is logged.
InstallerRun RunWord(const MsiSession& session, const std::wstring& exe, const wchar_t* word) {
  session.LogLine(std::wstring(L"Quintavera: ") + exe + L" " + word);
  const std::wstring log = WorkFolder() + L"qvinstall " + word + L".log";
  InstallerRun run = RunInstaller(exe, word, log, kRunTimeoutMs);
  for (const std::wstring& line : run.logLines) session.LogLine(line);
  if (!run.started) {
    session.LogLine(L"Quintavera: not started, error " + std::to_wstring(run.startError));
  } else {
    session.LogLine(std::wstring(L"Quintavera: ") + word + L" ended with code " +
                    (IsCrash(run.exitCode) ? Hex(run.exitCode) : std::to_wstring(run.exitCode)));
  }
  return run;
}

UINT Fail(const MsiSession& session, const std::wstring& text) {
  session.ShowError(text);
  return ERROR_INSTALL_FAILURE;
}

// A run that did not give one of the codes its caller acts on.
UINT FailUnexpected(const MsiSession& session, const std::wstring& exe, const InstallerRun& run) {
  if (!run.started) return Fail(session, kMsgNotStarted + exe);
  const std::wstring code =
      IsCrash(run.exitCode) ? Hex(run.exitCode) : std::to_wstring(run.exitCode);
  return Fail(session, kMsgUnexpected + code + L".");
}

// "install"/"uninstall": a restart asked for at the end, or a failure with its message.
UINT TakeChange(const MsiSession& session, const std::wstring& exe, const InstallerRun& run,
                DWORD successCode, const wchar_t* errorsText) {
  switch (run.started ? ChangeOutcome(successCode, run.exitCode) : Outcome::kFailure) {
    case Outcome::kSuccess:
      return ERROR_SUCCESS;
    case Outcome::kRestartNeeded:
      session.RequestRestart();
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

UINT CheckBeforeInstall(const MsiSession& session) {
  const std::wstring folder = WorkFolder();
  const std::wstring mark = folder + kDefaultIsOtherMark;
  const std::wstring exe = folder + L"qvinstall.exe";
  ::DeleteFileW(mark.c_str());
  if (!WriteEmbeddedInstaller(ThisModule(), exe)) return Fail(session, kMsgNotStarted + exe);
  const InstallerRun run = RunWord(session, exe, L"onInit");
  ::DeleteFileW(exe.c_str());
  if (run.started && run.exitCode == kRestartFirst) return Fail(session, kMsgRestartFirst);
  if (run.started && run.exitCode == kDefaultNotProduct) {
    ::CloseHandle(::CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return ERROR_SUCCESS;
  }
  if (run.started && run.exitCode == kAnswerNo) return ERROR_SUCCESS;
  return FailUnexpected(session, exe, run);
}

// Whether "onInit" found another printer the default (and forgets it).
bool TakeDefaultIsOther() {
  const std::wstring mark = WorkFolder() + kDefaultIsOtherMark;
  return ::DeleteFileW(mark.c_str()) != FALSE;
}

UINT Install(const MsiSession& session) {
  const std::vector<std::wstring> data = session.ActionData();
  const std::wstring exe = InstalledInstaller(Field(data, 0));
  const bool noTray = Field(data, 1) == L"1";
  const bool defaultPrinter = Field(data, 2) == L"1";
  const bool defaultIsOther = TakeDefaultIsOther();
  const InstallerRun install = RunWord(session, exe, noTray ? L"in_notray" : L"install");
  const UINT result = TakeChange(session, exe, install, kInstalled, kMsgErrorsLogged);
  if (result != ERROR_SUCCESS) return result;
  if (defaultPrinter && defaultIsOther) RunWord(session, exe, L"def.set");
  const InstallerRun check = RunWord(session, exe, L"onChkDrv");
  if (!check.started) return FailUnexpected(session, exe, check);
  return check.exitCode == kDriverInPlace ? ERROR_SUCCESS : Fail(session, kMsgDriverMissing);
}

UINT Remove(const MsiSession& session) {
  const std::vector<std::wstring> data = session.ActionData();
  const std::wstring exe = InstalledInstaller(Field(data, 0));
  if (!Field(data, 1).empty()) {  // a newer package takes over the printers: only the tray goes
    RunWord(session, exe, L"removetray");
    return ERROR_SUCCESS;
  }
  const InstallerRun run = RunWord(session, exe, L"uninstall");
  const UINT result = TakeChange(session, exe, run, kUninstalled, kMsgUninstallErrors);
  if (result == ERROR_SUCCESS) RemoveEmptyProductKeys();
  return result;
}

}  // namespace
}  // namespace qvmsi

extern "C" __declspec(dllexport) UINT __stdcall QvCheckBeforeInstall(MSIHANDLE install) {
  return qvmsi::CheckBeforeInstall(qvmsi::MsiSession(install));
}

extern "C" __declspec(dllexport) UINT __stdcall QvInstall(MSIHANDLE install) {
  return qvmsi::Install(qvmsi::MsiSession(install));
}

extern "C" __declspec(dllexport) UINT __stdcall QvRemove(MSIHANDLE install) {
  return qvmsi::Remove(qvmsi::MsiSession(install));
}
