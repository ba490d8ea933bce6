// qvmsiaction.dll: the Windows Installer package's custom actions. Each runs the installer's
// command words quietly, copies the installer's log into the Windows Installer log and turns the
// exit codes into the action's result (a failure rolls the package back, msiexec ends with 1603).
// The deferred ones run without impersonation, each with its rollback action scheduled before
// it, so that a rolled-back package leaves the machine as it was:
//   QvCheckBeforeInstall  before any change: "onInit" from the copy this DLL carries
//     rollback            (the last to run) no mark of the run is left
//   QvInstall             after the files: "install" (or "in_notray"), "def.set" when asked,
//                         "onChkDrv" last; CustomActionData "INSTALLDIR|NOTRAY|DEFAULTPRINTER"
//     rollback            "uninstall" from the carried copy on a first install; in an
//                         upgrade nothing (the older package's removal, rolled back after
//                         it, installs that one again); CustomActionData
//                         "INSTALLDIR|WIX_UPGRADE_DETECTED"
//   QvRemove              before the files go: the printers and the tray kept aside, then
//                         "uninstall", or only "removetray" while a newer package replaces this
//                         one; CustomActionData "INSTALLDIR|UPGRADINGPRODUCTCODE"
//     rollback            once the files are back: the printers kept aside handed to the
//                         installer, "install" (or "in_notray" when there was no tray); no
//                         mark of the run is left
//     commit              what was kept aside goes
// and one immediate action after InstallFinalize:
//   QvReportRestart       the restart a deferred action handed on (msiexec: 3010)
#include <windows.h>

#include <string>

#include "action_steps.h"
#include "embedded_installer.h"
#include "msi_session.h"
#include "outcome.h"
#include "package_marks.h"
#include "printer_backup.h"
#include "restart_handoff.h"

namespace qvmsi {
namespace {

constexpr wchar_t kMsgRestartFirst[] =
    L"Windows must restart before Quintavera can be installed or updated: files of an earlier "
    L"Quintavera are still waiting to be removed at the restart. Nothing has been changed.";
constexpr wchar_t kMsgErrorsLogged[] =
    L"Quintavera could not be installed completely. The installer's log is in the Windows "
    L"Installer log (msiexec /l*v).";
constexpr wchar_t kMsgUninstallErrors[] =
    L"Quintavera could not be removed completely. The installer's log is in the Windows "
    L"Installer log (msiexec /l*v). Quintavera stays installed so that you can try again.";
constexpr wchar_t kMsgDriverMissing[] =
    L"The Quintavera printer driver is not in place after the install.";
constexpr wchar_t kMsgNotKept[] =
    L"The settings of the Quintavera printers cannot be kept for the case that the removal fails. "
    L"Nothing has been changed.";
constexpr wchar_t kMsgNoWorkFolder[] =
    L"No private folder for the Quintavera installer's work files can be made. Nothing has been "
    L"changed. Error ";

HMODULE ThisModule() {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &self);
  return self;
}

// Whether the tray program's log-on entry is there (HKLM ...\Run, value "QuintaveraTray").
bool TrayRegistered() {
  HKEY run = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &run) != ERROR_SUCCESS) {
    return false;
  }
  const bool there =
      ::RegQueryValueExW(run, L"QuintaveraTray", nullptr, nullptr, nullptr, nullptr) ==
      ERROR_SUCCESS;
  ::RegCloseKey(run);
  return there;
}

// Runs `word` from the installer this DLL carries, written into the work folder: for the steps
// that may find no installed files ("onInit" before any, "uninstall" in a rollback).
InstallerRun RunCarried(const MsiSession& session, WorkFolder& work, const wchar_t* word,
                        std::wstring& exe) {
  if (!work.Made()) return RunWord(session, work, exe, word);
  session.LogLine(L"Quintavera: work folder " + work.Path());
  exe = work.File(L"qvinstall.exe");
  if (!WriteEmbeddedInstaller(ThisModule(), exe)) {
    session.LogLine(L"Quintavera: the carried installer cannot be written to " + exe);
    return InstallerRun();
  }
  return RunWord(session, work, exe, word);
}

UINT CheckBeforeInstall(const MsiSession& session) {
  WorkFolder work;
  if (!work.Made()) return Fail(session, kMsgNoWorkFolder + std::to_wstring(work.Error()));
  TakeMark(kDefaultIsOtherMark);
  std::wstring exe;
  const InstallerRun run = RunCarried(session, work, L"onInit", exe);
  if (run.started && run.exitCode == kRestartFirst) return Fail(session, kMsgRestartFirst);
  if (run.started && run.exitCode == kDefaultNotProduct) {
    SetMark(kDefaultIsOtherMark);
    return ERROR_SUCCESS;
  }
  if (run.started && run.exitCode == kAnswerNo) return ERROR_SUCCESS;
  return FailUnexpected(session, exe, run);
}

UINT Install(const MsiSession& session) {
  const std::vector<std::wstring> data = session.ActionData();
  const std::wstring exe = InstalledInstaller(Field(data, 0));
  const bool noTray = Field(data, 1) == L"1";
  const bool defaultPrinter = Field(data, 2) == L"1";
  const bool defaultIsOther = TakeMark(kDefaultIsOtherMark);
  WorkFolder work;
  const InstallerRun install = RunWord(session, work, exe, noTray ? L"in_notray" : L"install");
  const UINT result = TakeChange(session, exe, install, kInstalled, kMsgErrorsLogged);
  if (result != ERROR_SUCCESS) return result;
  if (defaultPrinter && defaultIsOther) RunWord(session, work, exe, L"def.set");
  const InstallerRun check = RunWord(session, work, exe, L"onChkDrv");
  if (!check.started) return FailUnexpected(session, exe, check);
  return check.exitCode == kDriverInPlace ? ERROR_SUCCESS : Fail(session, kMsgDriverMissing);
}

// A first install is undone whole, by the carried installer (the laid-out one may be gone
// already). In an upgrade nothing is done here, and the marks stay: the older package's
// rolled-back removal, which comes after this, needs its own to install the older Quintavera
// again (with the printers of the record).
UINT InstallRollback(const MsiSession& session) {
  if (!Field(session.ActionData(), 1).empty()) return ERROR_SUCCESS;
  WorkFolder work;
  std::wstring exe;
  RunCarried(session, work, L"uninstall", exe);
  SetMark(kProductKeysGo);  // a first install leaves no key behind
  ClearMarks();
  return ERROR_SUCCESS;
}

// Keeps aside what a rolled-back removal restores: whether the tray program was registered, and
// the printers (not in an upgrade, which keeps them on the machine).
bool KeepAside(bool upgrading) {
  if (!SetMark(kTrayBeforeRemoval, TrayRegistered() ? 1 : 0)) return false;
  if (upgrading) return true;
  std::vector<BYTE> printers;
  if (!ProductPrintersRecord(printers)) return false;
  return printers.empty() || SaveBytes(kPrintersBeforeRemoval, printers);
}

UINT Remove(const MsiSession& session) {
  const std::vector<std::wstring> data = session.ActionData();
  const std::wstring exe = InstalledInstaller(Field(data, 0));
  const bool upgrading = !Field(data, 1).empty();
  if (!KeepAside(upgrading)) {
    TakeMark(kTrayBeforeRemoval);
    return Fail(session, kMsgNotKept);
  }
  WorkFolder work;
  if (upgrading) {  // a newer package takes over the printers: only the tray goes
    RunWord(session, work, exe, L"removetray");
    return ERROR_SUCCESS;
  }
  const InstallerRun run = RunWord(session, work, exe, L"uninstall");
  const UINT result = TakeChange(session, exe, run, kUninstalled, kMsgUninstallErrors);
  if (result == ERROR_SUCCESS) SetMark(kProductKeysGo);  // the commit takes the emptied keys
  return result;
}

// Runs once the files are back. Without the tray mark QvRemove changed nothing.
UINT RemoveRollback(const MsiSession& session) {
  const DWORD tray = ReadMark(kTrayBeforeRemoval, 2);
  if (tray == 2) return ERROR_SUCCESS;
  std::vector<BYTE> printers;
  if (ReadBytes(kPrintersBeforeRemoval, printers) && !PlacePrinterRecord(printers)) {
    session.LogLine(L"Quintavera: the printers kept aside cannot be handed to the installer");
  }
  WorkFolder work;
  RunWord(session, work, InstalledInstaller(Field(session.ActionData(), 0)),
          tray == 1 ? L"install" : L"in_notray");
  SetMark(kProductKeysGo, 0);  // installed again: its keys stay
  ClearMarks();
  return ERROR_SUCCESS;
}

UINT RemoveCommit() {
  TakeMark(kPrintersBeforeRemoval);
  TakeMark(kTrayBeforeRemoval);
  return ERROR_SUCCESS;
}

// Rolled back last: no mark of the run is left.
UINT CheckBeforeInstallRollback() {
  ClearMarks();
  return ERROR_SUCCESS;
}

template <UINT (*action)(const MsiSession&)>
UINT Run(MSIHANDLE install) {
  InstallHandleCalls calls(install);
  return action(MsiSession(calls));
}

UINT ReportRestartAction(const MsiSession& session) {
  ReportRestart(session);
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace qvmsi

extern "C" __declspec(dllexport) UINT __stdcall QvCheckBeforeInstall(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::CheckBeforeInstall>(install);
}

extern "C" __declspec(dllexport) UINT __stdcall QvCheckBeforeInstallRollback(MSIHANDLE) {
  return qvmsi::CheckBeforeInstallRollback();
}

extern "C" __declspec(dllexport) UINT __stdcall QvInstall(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::Install>(install);
}

extern "C" __declspec(dllexport) UINT __stdcall QvInstallRollback(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::InstallRollback>(install);
}

extern "C" __declspec(dllexport) UINT __stdcall QvRemove(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::Remove>(install);
}

extern "C" __declspec(dllexport) UINT __stdcall QvRemoveRollback(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::RemoveRollback>(install);
}

extern "C" __declspec(dllexport) UINT __stdcall QvRemoveCommit(MSIHANDLE) {
  return qvmsi::RemoveCommit();
}

extern "C" __declspec(dllexport) UINT __stdcall QvReportRestart(MSIHANDLE install) {
  return qvmsi::Run<qvmsi::ReportRestartAction>(install);
}
