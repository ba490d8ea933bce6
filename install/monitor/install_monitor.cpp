// InstallMonitor: copying the monitor DLL, registering the monitor, returning parked printers.
#include "monitor/install_monitor.h"

#include "core/install_context.h"
#include "core/product.h"
#include "log/install_log.h"
#include "monitor/monitor_ports.h"
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

void ReturnParkedPrinters(InstallContext& ctx) {
  PRINTER_INFO_2W** parked = ctx.MonitorPrinters();
  if (!parked) return;
  for (; *parked; ++parked) {
    if (!ReturnToProductPort((*parked)->pPortName)) continue;
    ApplyPrinterRecord(ctx, **parked);
  }
}

}  // namespace

void InstallMonitor(InstallContext& ctx) {
  LogLine(ctx, L"#AddMonitor");
  LogIndent indent(ctx);
  if (ctx.copyMonitor) {
    CopyMonitorFile(ctx);
  } else {
    LogLine(ctx, L"Skip copy monitor file");
  }
  if (RegisterMonitor(ctx)) ReturnParkedPrinters(ctx);
}

}  // namespace qv
