// The tray program's control: its log-on entry, its start, and its close before an uninstall.
#include "tray/tray.h"

#include <algorithm>
#include <cwchar>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "os/run_account.h"
#include "os/scoped_handles.h"
#include "tray/session_start.h"
#include "tray/tray_shutdown.h"

namespace qv {
namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"QuintaveraTray";
constexpr char kRunValueNarrow[] = "QuintaveraTray";
constexpr wchar_t kTrayFile[] = L"qvatray.exe";
constexpr char kTrayMutex[] = "{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kTrayWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr UINT kTrayCloseMessage = WM_USER + 2;  // 0x0402

constexpr int kClosePasses = 20;
constexpr DWORD kCloseWait = 5000;
constexpr DWORD kWindowPollDelay = 250;
constexpr DWORD kNoEntryDelay = 1000;
constexpr int kDeleteAttempts = 10;
constexpr DWORD kDeniedRetryDelay = 100;
constexpr DWORD kOtherRetryDelay = 10;
constexpr size_t kRunPathChars = 264;  // the path read back from the Run value

static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA is given 148 bytes");
static_assert(sizeof(STARTUPINFOW) == 104, "CreateProcessW is given 104 bytes");

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Windows NT 6 or later; a failed query counts as an older system.
bool IsTraySupported() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  return Os().GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         version.dwMajorVersion >= 6;
}

bool OpenRunKey(ScopedRegKey& key) {
  return Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, key.Receive()) ==
         ERROR_SUCCESS;
}

// The path in quotes: unquoted, a path with a blank would first be tried cut at that blank.
void RegisterTrayAtLogOn(const TextBuffer& trayPath) {
  ScopedRegKey run;
  if (!OpenRunKey(run)) return;
  TextBuffer command;
  command.Assign(L"\"");
  command.Append(trayPath.Text());
  command.Append(L"\"");
  const auto bytes = static_cast<DWORD>((command.Length() + 1) * sizeof(wchar_t));
  Os().RegSetValueExW(run.Get(), kRunValue, 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(command.Text()), bytes);
}

// Starts the tray program as the account of this run, in its session.
void LaunchTray(const TextBuffer& trayPath) {
  TrayCommandLine commandLine(trayPath);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION started = {};
  if (!Os().CreateProcessW(nullptr, commandLine.text, nullptr, nullptr, FALSE,
                           NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
    return;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
}

// Posts the close message to the tray window and waits for the mutex to be let go of: 20 passes,
// looking for the window every 250 ms until it appears, and one last wait once it was posted to.
// Unprefixed names and FindWindowW reach this session only.
void WaitForTrayToEnd(HANDLE mutex) {
  bool posted = false;
  for (int pass = 0; pass < kClosePasses; ++pass) {
    HWND window = Os().FindWindowW(kTrayWindowClass, nullptr);
    if (window) {
      Os().PostMessageW(window, kTrayCloseMessage, 0, 0);
      posted = true;
      if (Os().WaitForSingleObject(mutex, kCloseWait) == WAIT_OBJECT_0) return;
    } else if (posted) {
      Os().WaitForSingleObject(mutex, kCloseWait);
      return;
    } else {
      Os().Sleep(kWindowPollDelay);
    }
  }
  if (posted) Os().WaitForSingleObject(mutex, kCloseWait);
}

// At most 10 attempts; a file held by a process that is still ending is given 100 ms.
void DeleteTrayFile(const wchar_t* path) {
  for (int attempt = 1;; ++attempt) {
    if (Os().DeleteFileW(path)) return;
    const DWORD error = Os().GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || attempt == kDeleteAttempts) return;
    Os().Sleep(error == ERROR_ACCESS_DENIED ? kDeniedRetryDelay : kOtherRetryDelay);
  }
}

enum class RunEntry { kAbsent, kUnusable, kPath };

// The path the Run value names, its quotes taken off (an earlier install wrote it without).
RunEntry ReadRegisteredTray(HKEY run, wchar_t (&path)[kRunPathChars]) {
  DWORD bytes = sizeof(path);
  if (Os().RegQueryValueExW(run, kRunValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                            &bytes) != ERROR_SUCCESS) {
    return RunEntry::kAbsent;
  }
  const size_t chars = std::min<size_t>(bytes / sizeof(wchar_t), kRunPathChars);
  if (chars == kRunPathChars && path[kRunPathChars - 1] != L'\0') return RunEntry::kUnusable;
  if (chars < kRunPathChars) path[chars] = L'\0';
  if (path[0] == L'"') {
    const wchar_t* end = std::wcschr(path + 1, L'"');
    if (!end) return RunEntry::kUnusable;
    const auto length = static_cast<size_t>(end - path - 1);
    std::wmemmove(path, path + 1, length);
    path[length] = L'\0';
  }
  return path[0] != L'\0' ? RunEntry::kPath : RunEntry::kUnusable;
}

// Closes the tray program of this session; false when its mutex could not be had at all.
bool CloseTrayOfThisSession() {
  ScopedHandle mutex(Os().CreateMutexA(nullptr, FALSE, kTrayMutex));
  if (mutex && Os().GetLastError() == ERROR_ALREADY_EXISTS) WaitForTrayToEnd(mutex.Get());
  return mutex.IsValid();
}

}  // namespace

TextBuffer TrayPathFor(const TextBuffer& moduleDir) {
  TextBuffer dir;
  dir.Assign(moduleDir.Text());
  if (!dir.Empty() && IsSeparator(dir.Text()[dir.Length() - 1])) dir.Resize(dir.Length() - 1);
  TextBuffer path = dir.DirectoryOf();
  if (!path.Empty() && !IsSeparator(path.Text()[path.Length() - 1])) path.Append(L"\\");
  path.Append(kTrayFile);
  return path;
}

TextBuffer TrayPathToKeep(const InstallContext& ctx) {
  if (!ctx.reinstall || !ctx.startTray) return TextBuffer();
  return TrayPathFor(ctx.moduleDir);
}

void StartTray(InstallContext& ctx) {
  if (!ctx.startTray || !IsTraySupported()) return;
  const TextBuffer trayPath = TrayPathFor(ctx.moduleDir);
  RegisterTrayAtLogOn(trayPath);
  if (RunsAsDeploymentAccount()) {
    StartTrayInPeoplesSessions(ctx, trayPath);
  } else {
    LaunchTray(trayPath);
  }
}

DWORD CloseTray(const wchar_t* keepFile) {
  const bool hadMutex = CloseTrayOfThisSession();
  ScopedRegKey run;
  if (!OpenRunKey(run)) return ERROR_SUCCESS;
  wchar_t path[kRunPathChars] = {};
  DWORD trays = ERROR_SUCCESS;
  const RunEntry entry = ReadRegisteredTray(run.Get(), path);
  if (entry == RunEntry::kPath) {
    trays = ShutDownTraysOfEverySession(path);
    const bool keep = keepFile && *keepFile && EqualsIgnoringAsciiCase(path, keepFile);
    if (hadMutex && !keep) DeleteTrayFile(path);
  } else if (hadMutex && entry == RunEntry::kAbsent) {
    Os().Sleep(kNoEntryDelay);  // a tray program still starting may not have its entry yet
  }
  Os().RegDeleteValueA(run.Get(), kRunValueNarrow);
  return trays;
}

}  // namespace qv
