// InitInstallContext: setting up one run's record: the spooler running, the platform's file set,
// the driver, module and system directories, and the snapshot of the machine's printers.
#include "program/run_setup.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "context/product.h"
#include "log/install_log.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

struct PlatformFiles {
  const wchar_t* environment;
  const wchar_t* monitorFile;
  const wchar_t* driverFile;
  const wchar_t* uiFile;
};

constexpr PlatformFiles kX64Files = {L"Windows x64", L"orbmon64.dll", L"orbdrv64.dll",
                                     L"orbui64.dll"};
constexpr PlatformFiles kX86Files = {L"Windows NT x86", L"orbmon32.dll", L"orbdrv32.dll",
                                     L"orbui32.dll"};
constexpr DWORD kPathCapacity = 260;
constexpr DWORD kLongestPath = 32768;  // characters of a "\\?\" path, its NUL included

void AppendBackslashIfMissing(TextBuffer& dir) {
  if (!dir.Empty() && !dir.EndsWith(L'\\')) dir.Append(L"\\");
}

void ReadDriverDirectory(InstallContext& ctx) {
  DWORD needed = 0;
  auto environment = const_cast<LPWSTR>(ctx.environment);
  if (Os().GetPrinterDriverDirectoryW(nullptr, environment, 1, nullptr, 0, &needed)) return;
  if (Os().GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    std::vector<wchar_t> directory(needed / sizeof(wchar_t) + 2, L'\0');
    if (Os().GetPrinterDriverDirectoryW(
            nullptr, environment, 1, reinterpret_cast<LPBYTE>(directory.data()), needed, &needed)) {
      directory.back() = L'\0';
      ctx.driverDir.Assign(directory.data());
      AppendBackslashIfMissing(ctx.driverDir);
      LogLine(ctx, L"PrinterDriverDirectory:%s", ctx.driverDir.Text());
      return;
    }
  }
  LogError(ctx, 6, L"Can`t retrieve printer driver directory.");
}

// The installer's own path, whole: a path GetModuleFileNameW cuts (it answers the buffer's size)
// is asked again with a buffer twice as large, the last one of the longest path Windows has.
std::wstring ModulePath() {
  for (DWORD capacity = kPathCapacity;; capacity = std::min(2 * capacity, kLongestPath)) {
    std::vector<wchar_t> path(capacity, L'\0');
    const DWORD length = Os().GetModuleFileNameW(g_instance, path.data(), capacity);
    if (length < capacity) return std::wstring(path.data(), length);  // 0: it failed, empty
    if (capacity == kLongestPath) return {};
  }
}

void ReadModuleDirectory(InstallContext& ctx) {
  const std::wstring path = ModulePath();
  const size_t separator = path.find_last_of(L"\\/:");
  if (separator == std::wstring::npos) return;
  ctx.moduleDir.Assign(path.substr(0, separator + 1).c_str());
}

void ReadSystemDirectory(InstallContext& ctx) {
  wchar_t path[kPathCapacity] = {};
  const auto capacity = static_cast<UINT>(std::size(path));
  const UINT length = Os().GetSystemDirectoryW(path, capacity);
  if (length == 0 || length >= capacity) {
    LogError(ctx, 7, L"Can`t retrieve system directory.");
    return;
  }
  ctx.systemDir.Assign(path);
  AppendBackslashIfMissing(ctx.systemDir);
}

}  // namespace

void SelectPlatformFiles(InstallContext& ctx, bool is64) {
  const PlatformFiles& files = is64 ? kX64Files : kX86Files;
  ctx.is64 = is64;
  ctx.environment = files.environment;
  ctx.monitorFile = files.monitorFile;
  ctx.driverFile = files.driverFile;
  ctx.uiFile = files.uiFile;
  ReadDriverDirectory(ctx);
  ctx.helpFile = L"orbhelp.chm";
}

InstallContext& InitInstallContext(InstallContext& ctx, unsigned setupFlags) {
  FreeInstallContext(ctx);
  ctx.errorCount = 0;
  ctx.indent = 0;
  LogLine(ctx, L"Quintavera %d", buildNumber);
  ctx.reinstall = false;
  ctx.installMonitor = true;
  ctx.startTray = (setupFlags & kSetupNoTray) == 0;
  ctx.copyMonitor = true;
  CheckSpooler(ctx);
  SelectPlatformFiles(ctx, (setupFlags & kSetupX64) != 0);
  ReadModuleDirectory(ctx);
  ReadSystemDirectory(ctx);
  TakePrinterSnapshot(ctx);
  return ctx;
}

}  // namespace qv
