// The installer's entry: command word, owner window, quiet mode's log file, command table, exit
// code.
#include "program/command_line.h"

#include <climits>
#include <cstdint>
#include <cwchar>

#include "base/ascii_case.h"
#include "context/exit_codes.h"
#include "os/run_account.h"
#include "os/scoped_handles.h"
#include "printers/printer_checks.h"
#include "program/installer_lock.h"
#include "program/procedures.h"
#include "reboot/pending_renames.h"
#include "tray/tray.h"

namespace qv {
namespace {

constexpr int kHelpCloseRounds = 200;
constexpr DWORD kHelpCloseDelay = 50;

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

constexpr wchar_t kLogSwitch[] = L"/log=";
constexpr size_t kLogSwitchLength = sizeof(kLogSwitch) / sizeof(wchar_t) - 1;

// Runs an install or uninstall row and maps its outcome to the exit code.
int RunInstallRow(unsigned setupFlags, const LogTarget& log) {
  CloseHelpWindows();
  const InstallOutcome outcome = RunInstall(setupFlags, log);
  if (outcome.errorsLogged) return kErrorsLogged;
  return outcome.scheduledAtReboot != 0 ? kRebootNeeded : kInstalled;
}

int RunUninstallRow(const LogTarget& log) {
  CloseHelpWindows();
  uint32_t scheduled = 0;
  if (RunUninstall(log, scheduled)) return kErrorsLogged;
  return scheduled != 0 ? kRebootNeeded : kUninstalled;
}

// The rows without a log that change the machine, each under the installer mutex; a row that
// cannot have it changes nothing and answers kErrorsLogged. A deployment account's default
// printer is no one's: its "onInit" answers for the people (102 until a product printer still
// there is requested as their default) and its "def.set" requests it for each person's next
// log-on.
int RunOnInitRow() {
  const InstallerLock lock;
  if (!lock.Held()) return kErrorsLogged;
  if (CheckPendingProductFiles()) return kProductFilesPending;
  const bool notProduct =
      RunsAsDeploymentAccount() ? !ProductPrinterRequestedForPeople() : CheckDefaultPrinter();
  return notProduct ? kDefaultNotProduct : kCheckNegative;
}

int RunRemoveTrayRow() {
  const InstallerLock lock;
  if (!lock.Held()) return kErrorsLogged;
  CloseTray();
  return kNothingDone;
}

int RunSetDefaultRow() {
  const InstallerLock lock;
  if (!lock.Held()) return kErrorsLogged;
  if (RunsAsDeploymentAccount()) {
    RequestProductPrinterDefaultForPeople();
  } else {
    SetProductPrinterDefault();
  }
  return kDefaultPrinterSet;
}

}  // namespace

bool CommandWordEquals(const wchar_t* word, const wchar_t* command) {
  return EqualsIgnoringAsciiCase(word, command);
}

HWND ParseOwnerWindow(const wchar_t* text) {
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
  int64_t value = 0;
  for (; *text >= L'0' && *text <= L'9'; ++text) {
    value = value * 10 + (*text - L'0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  const auto number = static_cast<int32_t>(value);
  return reinterpret_cast<HWND>(static_cast<intptr_t>(number));
}

const wchar_t* LogFileSwitch(const wchar_t* argument) {
  for (size_t i = 0; i < kLogSwitchLength; ++i) {
    if (FoldAsciiLetter(argument[i]) != kLogSwitch[i]) return nullptr;
  }
  return argument + kLogSwitchLength;
}

void CloseHelpWindows() {
  for (int round = 0; round < kHelpCloseRounds; ++round) {
    HWND help = Os().FindWindowW(L"HH Parent", L"Quintavera Help");
    if (!help) return;
    Os().PostMessageW(help, WM_SYSCOMMAND, SC_CLOSE, 0);
    Os().Sleep(kHelpCloseDelay);
  }
}

int RunCommandLine() {
  // No DLL beside the installer may stand in for a system DLL, from the first load on.
  Os().SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  int count = 0;
  LocalBlock arguments(Os().CommandLineToArgvW(Os().GetCommandLineW(), &count));
  auto* args = static_cast<LPWSTR*>(arguments.Get());
  if (!args || count < 2) return kNothingDone;

  LogTarget log;
  if (count > 2) log.file = LogFileSwitch(args[count - 1]);
  if (log.file) --count;
  if (count == 3) {
    HWND candidate = ParseOwnerWindow(args[2]);
    if (Os().IsWindow(candidate)) log.owner = candidate;
  }

  const wchar_t* word = args[1];
  unsigned installFlags = 0;
  if (CommandWordEquals(word, L"in") || CommandWordEquals(word, L"install") ||
      CommandWordEquals(word, L"serverinstall")) {
    installFlags = kSetupX64;
  } else if (CommandWordEquals(word, L"in_notray")) {
    installFlags = kSetupX64 | kSetupNoTray;
  }
  if (CommandWordEquals(word, L"onChkDrv")) {
    return CheckInstalledDriver() ? kDriverCurrent : kCheckNegative;
  }
  if (CommandWordEquals(word, L"onInit")) return RunOnInitRow();
  if (CommandWordEquals(word, L"un") || CommandWordEquals(word, L"uninstall")) {
    return RunUninstallRow(log);
  }
  if (CommandWordEquals(word, L"removetray")) return RunRemoveTrayRow();
  if (installFlags != 0) return RunInstallRow(installFlags, log);
  if (std::wcscmp(word, L"def.set") == 0) return RunSetDefaultRow();
  return kNothingDone;
}

}  // namespace qv
