// InitInstallContext: setting up one run's record: the spooler running, the platform's file set,
// the driver, module and system directories, and the snapshot of the machine's printers.
#include "program/run_setup.h"

#include <cwchar>
#include <iterator>
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
// is asked again with a buffer twice as large, up to the longest path Windows has.
std::vector<wchar_t> ModulePath() {
  for (DWORD capacity = kPathCapacity; capacity <= kLongestPath; capacity *= 2) {
    std::vector<wchar_t> path(capacity, L'\0');
    const DWORD length = Os().GetModuleFileNameW(g_instance, path.data(), capacity);
    if (length == 0) break;
    if (length < capacity) {
      path.resize(length + 1);
      path[length] = L'\0';
      return path;
    }
  }
  return {};
}

void ReadModuleDirectory(InstallContext& ctx) {
  std::vector<wchar_t> path = ModulePath();
  wchar_t* separator = nullptr;
  for (wchar_t& c : path) {
    if (c == L'\\' || c == L'/' || c == L':') separator = &c;
  }
  if (!separator) return;
  separator[1] = L'\0';
  ctx.moduleDir.Assign(path.data());
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
