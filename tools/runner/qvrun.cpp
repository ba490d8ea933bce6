// qvrun: runs the installer in the Wine machine, prints its log window and reports its end.
//
//   qvrun.exe [--compat <dll>] [--timeout-ms N] [--shift] [--verbatim] <qvinstall.exe> [word [hwnd]]
//
// Exit code: the installer's, or 255 when it was killed at the time-out, 254 when it could not
// be started or prepared, 253 for a malformed command line.
#include <windows.h>

#include <algorithm>
#include <string>

#include "console_out.h"
#include "installer_process.h"
#include "log_window.h"
#include "run_options.h"

namespace qvrun {
namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kInjectTimeoutMs = 30000;
constexpr DWORD kCloseRetryMs = 2000;
constexpr int kKilled = 255;
constexpr int kNotStarted = 254;
constexpr int kUsage = 253;

using qvtools::PrintLine;

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH * 2) return path;
  return buffer;
}

bool StartInstaller(const RunOptions& options, InstallerProcess& installer) {
  const std::wstring application = FullPath(options.installer);
  RunOptions resolved = options;
  resolved.installer = application;
  const bool compat = !options.compatDll.empty();
  if (!installer.Start(application, BuildCommandLine(resolved), DirectoryOf(application), compat)) {
    PrintLine(L"qvrun: cannot start " + application + L" (error " +
              std::to_wstring(::GetLastError()) + L")");
    return false;
  }
  if (compat && !installer.InjectLibrary(FullPath(options.compatDll), kInjectTimeoutMs)) {
    PrintLine(L"qvrun: cannot load " + options.compatDll + L" into the installer");
    installer.Kill(kNotStarted);
    return false;
  }
  if (compat && !installer.Resume()) {
    PrintLine(L"qvrun: cannot resume the installer");
    installer.Kill(kNotStarted);
    return false;
  }
  return true;
}

void ReportLogWindow(HWND window) {
  LogWindowText content;
  if (!ReadLogWindow(window, content)) return;
  PrintLine(L"--- log window: " + content.caption);
  if (!content.text.empty()) {
    qvtools::Print(content.text);
    if (content.text.back() != L'\n') PrintLine(L"");
  }
  PrintLine(L"--- end of log window");
}

// One poll's wait, shorter when the time-out comes first, so a run is killed on its millisecond.
DWORD NextWait(ULONGLONG start, DWORD timeoutMs) {
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  if (elapsed >= timeoutMs) return 0;
  return static_cast<DWORD>(std::min<ULONGLONG>(kPollMs, timeoutMs - elapsed));
}

// Polls until the installer ends or the time-out passes, handling each log window once.
// Returns false when the time-out passed.
bool WatchInstaller(const InstallerProcess& installer, DWORD timeoutMs, ProcessMetrics& metrics) {
  const ULONGLONG start = ::GetTickCount64();
  HWND handled = nullptr;
  ULONGLONG closedAt = 0;
  while (!installer.WaitForEnd(NextWait(start, timeoutMs))) {
    installer.SampleMetrics(metrics);
    const ULONGLONG now = ::GetTickCount64();
    if (now - start >= timeoutMs) return false;
    HWND window = FindLogWindow(installer.Id());
    if (!window) continue;
    if (window != handled) {
      ReportLogWindow(window);
      handled = window;
    } else if (now - closedAt < kCloseRetryMs) {
      continue;  // give the first press time to land
    }
    CloseLogWindow(window);
    closedAt = now;
  }
  installer.SampleMetrics(metrics);
  return true;
}

// The Shift key held down through injected input for as long as the scope lives, so that the
// installer's GetAsyncKeyState sees it and shows its log window at the end of a run.
class HeldShift {
 public:
  explicit HeldShift(bool hold) : held_(hold && Send(0)) {}
  HeldShift(const HeldShift&) = delete;
  HeldShift& operator=(const HeldShift&) = delete;
  ~HeldShift() {
    if (held_) Send(KEYEVENTF_KEYUP);
  }

 private:
  static bool Send(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_SHIFT;
    input.ki.dwFlags = flags;
    return ::SendInput(1, &input, sizeof input) == 1;
  }
  bool held_;
};

int Run(const RunOptions& options) {
  const ULONGLONG start = ::GetTickCount64();
  HeldShift shift(options.shift);
  InstallerProcess installer;
  if (!StartInstaller(options, installer)) return kNotStarted;
  ProcessMetrics metrics;
  const ULONGLONG started = ::GetTickCount64();
  const bool ended = WatchInstaller(installer, options.timeoutMs, metrics);
  const ULONGLONG ran = ::GetTickCount64() - started;
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  if (!ended) installer.Kill(kKilled);
  if (options.shift && !(::GetAsyncKeyState(VK_SHIFT) & 0x8000)) PrintLine(L"qvrun: shift not held");
  PrintLine(L"qvrun: wall time " + std::to_wstring(elapsed) + L" ms");
  PrintLine(L"qvrun: run time " + std::to_wstring(ran) + L" ms");
  PrintLine(L"qvrun: peak working set " + std::to_wstring(metrics.peakWorkingSet) + L" bytes");
  PrintLine(L"qvrun: handle count " + std::to_wstring(metrics.handleCount));
  if (!ended) {
    PrintLine(L"qvrun: killed after " + std::to_wstring(options.timeoutMs) + L" ms");
    return kKilled;
  }
  const DWORD code = installer.ExitCode();
  PrintLine(L"qvrun: exit code " + std::to_wstring(code));
  return static_cast<int>(code);
}

}  // namespace
}  // namespace qvrun

int wmain(int argc, wchar_t** argv) {
  qvrun::RunOptions options;
  std::wstring error;
  if (!qvrun::ParseRunOptions(argc, argv, options, error)) {
    qvtools::PrintLine(L"qvrun: " + error);
    qvtools::PrintLine(
        L"usage: qvrun.exe [--compat <dll>] [--timeout-ms N] [--shift] [--verbatim] <qvinstall.exe> [word [hwnd]]");
    return qvrun::kUsage;
  }
  return qvrun::Run(options);
}
