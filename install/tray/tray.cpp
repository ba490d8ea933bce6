// The tray program's control: its log-on entry, its start, and its close before an uninstall.
#include "tray/tray.h"

#include <algorithm>
#include <cwchar>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "os/scoped_handles.h"

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
constexpr size_t kRunPathChars = 264;      // the path read back from the Run value
constexpr size_t kCommandPathChars = 259;  // the most of the path the command line carries

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

void RegisterTrayAtLogOn(const TextBuffer& trayPath) {
  ScopedRegKey run;
  if (!OpenRunKey(run)) return;
  const auto bytes = static_cast<DWORD>((trayPath.Length() + 1) * sizeof(wchar_t));
  Os().RegSetValueExW(run.Get(), kRunValue, 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(trayPath.Text()), bytes);
}

// Starts the tray program: its path in quotes, cut at 259 characters, and no arguments.
void LaunchTray(const TextBuffer& trayPath) {
  wchar_t commandLine[kCommandPathChars + 3];
  const auto length = static_cast<size_t>(std::min<uint64_t>(trayPath.Length(), kCommandPathChars));
  commandLine[0] = L'"';
  std::wmemcpy(commandLine + 1, trayPath.Text(), length);
  commandLine[length + 1] = L'"';
  commandLine[length + 2] = L'\0';

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION started = {};
  if (!Os().CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                           nullptr, nullptr, &startup, &started)) {
    return;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
}

// Posts the close message to the tray window and waits for the mutex to be let go of: 20 passes,
// looking for the window every 250 ms until it appears, and one last wait once it was posted to.
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

// Deletes the file the Run value names, unless it is `keepFile`; without a value, pauses 1 s.
void DeleteRegisteredTray(HKEY run, const wchar_t* keepFile) {
  wchar_t path[kRunPathChars] = {};
  DWORD bytes = sizeof(path);
  if (Os().RegQueryValueExW(run, kRunValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                            &bytes) != ERROR_SUCCESS) {
    Os().Sleep(kNoEntryDelay);
    return;
  }
  const size_t chars = std::min<size_t>(bytes / sizeof(wchar_t), kRunPathChars);
  if (chars == kRunPathChars && path[kRunPathChars - 1] != L'\0') return;  // no whole path
  if (chars < kRunPathChars) path[chars] = L'\0';
  if (path[0] == L'\0') return;
  if (keepFile && *keepFile && EqualsIgnoringAsciiCase(path, keepFile)) return;
  DeleteTrayFile(path);
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
  LaunchTray(trayPath);
}

void CloseTray(const wchar_t* keepFile) {
  bool hadMutex = false;
  {
    ScopedHandle mutex(Os().CreateMutexA(nullptr, FALSE, kTrayMutex));
    hadMutex = mutex.IsValid();
    if (hadMutex && Os().GetLastError() == ERROR_ALREADY_EXISTS) WaitForTrayToEnd(mutex.Get());
  }
  ScopedRegKey run;
  if (!OpenRunKey(run)) return;
  if (hadMutex) DeleteRegisteredTray(run.Get(), keepFile);
  Os().RegDeleteValueA(run.Get(), kRunValueNarrow);
}

}  // namespace qv
