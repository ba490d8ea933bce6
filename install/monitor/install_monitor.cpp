// InstallMonitor: copying the monitor DLL, registering the monitor, returning parked printers.
#include "monitor/install_monitor.h"

#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "monitor/monitor_ports.h"
#include "os/path_kind.h"
#include "reboot/pending_deletion_cancel.h"
#include "spooler/file_copy.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

constexpr int kRegistrationAttempts = 5;
constexpr DWORD kRegistrationPause = 50;  // ms

// Copies the DLL; a locked target is copied again with the spooler stopped.
void CopyMonitorFile(InstallContext& ctx) {
  LogLine(ctx, L"Copy monitor file");
  const wchar_t* systemDir = ctx.systemDir.Text();
  if (SUCCEEDED(CopyProductFile(ctx, systemDir, ctx.monitorFile, nullptr, false))) return;
  RestartSpooler restart(&ctx);
  if (FAILED(CopyProductFile(ctx, systemDir, ctx.monitorFile, nullptr, true))) {
    LogLine(ctx, L"Can't copy monitor file");
  }
}

bool RegisterMonitor(InstallContext& ctx) {
  MONITOR_INFO_2W info = {const_cast<LPWSTR>(kMonitorName), const_cast<LPWSTR>(ctx.environment),
                          const_cast<LPWSTR>(ctx.monitorFile)};
  for (int attempt = 1; attempt <= kRegistrationAttempts; ++attempt) {
    if (attempt > 1) Os().Sleep(kRegistrationPause);
    if (Os().AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
      LogLine(ctx, L"AddMonitor - OK :)");
      return true;
    }
    const DWORD error = Os().GetLastError();
    LogLine(ctx, L"AddMonitor - failed. Trying to wait and install again");
    Os().SetLastError(error);
  }
  LogError(ctx, 11, L"Can`t install a local port monitor'Quintavera:'");
  return false;
}

TextBuffer MonitorFilePath(const InstallContext& ctx) {
  TextBuffer path;
  path.Assign(ctx.systemDir.Text());
  path.Append(ctx.monitorFile);
  return path;
}

bool MonitorFileInPlace(const TextBuffer& path) {
  return KindOfPath(path.Text()) == PathKind::kFile;
}

// The DLL kept as compatible may be gone since: a deletion queued for the restart is carried out
// before the monitor is registered. Then it is copied all the same.
bool MonitorFileWanted(const InstallContext& ctx) {
  if (ctx.copyMonitor || *ctx.monitorFile == L'\0') return ctx.copyMonitor;
  return !MonitorFileInPlace(MonitorFilePath(ctx));
}

}  // namespace

void InstallMonitor(InstallContext& ctx) {
  LogLine(ctx, L"#AddMonitor");
  LogIndent indent(ctx);
  // Without a system directory the copy would land in the current directory: nothing is copied.
  if (!ctx.systemDir.Empty() && MonitorFileWanted(ctx)) {
    CopyMonitorFile(ctx);
  } else {
    LogLine(ctx, L"Skip copy monitor file");
  }
  if (RegisterMonitor(ctx)) ReturnParkedPrinters(ctx);
}

void KeepMonitorFileAtRestart(InstallContext& ctx) {
  if (ctx.systemDir.Empty() || *ctx.monitorFile == L'\0') return;
  const TextBuffer path = MonitorFilePath(ctx);
  if (MonitorFileInPlace(path)) CancelQueuedDeletions(ctx, path.Text());
}

}  // namespace qv
