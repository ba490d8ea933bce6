// The installer's plans: install (always a reinstall), uninstall, and their clean-up.
#include "program/procedures.h"

#include "context/product.h"
#include "log/install_log.h"
#include "log/log_output.h"
#include "monitor/install_monitor.h"
#include "monitor/monitor_list.h"
#include "monitor/remove_monitor.h"
#include "printers/driver_list.h"
#include "printers/printer_driver.h"
#include "printers/product_printers.h"
#include "printers/protected_print.h"
#include "program/installer_lock.h"
#include "program/run_setup.h"
#include "reboot/pending_deletes.h"
#include "reboot/pending_renames.h"
#include "record/printer_record.h"
#include "settings/printer_carry_over.h"
#include "settings/printer_settings.h"
#include "spooler/spooler_service.h"
#include "tray/people_default.h"
#include "tray/tray.h"

namespace qv {
namespace {

// Retries the failed deletions, and once more with the spooler stopped when some are left.
void RetryPendingDeletesWithRestart(InstallContext& ctx) {
  if (ctx.pendingDeletes.Empty()) return;
  RetryPendingDeletes(ctx);
  if (ctx.pendingDeletes.Empty()) return;
  RestartSpooler restart(&ctx);
  RetryPendingDeletes(ctx);
}

// Deletes now the files that Windows holds queued for deletion at reboot; the queue stays.
void DeleteFilesQueuedForReboot() {
  PendingRenames renames = ReadPendingRenames();
  DeleteQueuedDeletions(renames);
}

// A run that changes nothing: its log names the build, the installer mutex's outcome (error 27
// when it could not be had) and what `refusal` logs.
void RefuseRun(const InstallerLock& lock, const LogTarget& log, void (*refusal)(InstallContext&)) {
  InstallContext ctx;
  LogLine(ctx, L"Quintavera %d", buildNumber);
  lock.Log(ctx);
  refusal(ctx);
  ShowLogWindowIfWanted(ctx, log);
  WriteLogFileIfQuiet(ctx, log);
}

void NoMoreToSay(InstallContext&) {}

void LogProtectedPrintMode(InstallContext& ctx) {
  Os().SetLastError(0);
  LogError(ctx, 43,
           L"Windows protected print mode is on: Windows admits no Quintavera printer driver "
           L"or port monitor, nothing was changed");
}

}  // namespace

void Uninstall(InstallContext& ctx) {
  LogLine(ctx, L"#UnInstall");
  LogIndent indent(ctx);
  if (const DWORD trays = CloseTray(TrayPathToKeep(ctx).Text())) {
    LogLine(ctx, L"A tray program did not end (%d): its file stays in use", trays);
  }
  LogLine(ctx, L"EnumMonitors");
  MonitorList monitors;
  EnumerateMonitors(monitors, ctx);
  LogLine(ctx, L"%d Monitors found.", monitors.count);
  LogLine(ctx, L"EnumPrinterDrivers for %s", ctx.environment);
  const DriverList drivers = EnumerateDrivers(ctx.environment);
  LogLine(ctx, L"%d drivers found", drivers.count);
  DeleteProductPrinters(ctx);
  RemoveDriver(ctx, drivers);
  RemoveMonitor(ctx, monitors);
  if (!ctx.pendingDeletes.Empty()) RetryPendingDeletes(ctx);
}

void Reinstall(InstallContext& ctx) {
  LogLine(ctx, L"#ReInstall");
  LogIndent indent(ctx, 2);
  ctx.reinstall = true;
  if (!ReadPrinterRecord(ctx)) return;  // judged before the first change
  Uninstall(ctx);
  if (!ctx.pendingDeletes.Empty()) {
    RestartSpooler restart(&ctx);
    RetryPendingDeletes(ctx);
    FreeFileNameList(ctx.pendingDeletes);
  }
  DeleteFilesQueuedForReboot();
  if (ctx.installMonitor) InstallMonitor(ctx);
  KeepMonitorFileAtRestart(ctx);
  InstallDriver(ctx);
  RestorePrinterSettings(ctx);
  StartTray(ctx);
  RetryPendingDeletesWithRestart(ctx);
}

void UninstallAndCleanUp(InstallContext& ctx) {
  Uninstall(ctx);
  DeleteFilesQueuedForReboot();
  RetryPendingDeletesWithRestart(ctx);
  RemovePrinterRecord(ctx);
  WithdrawDefaultRequest();
}

InstallOutcome RunInstall(unsigned setupFlags, const LogTarget& log) {
  const InstallerLock lock;
  if (!lock.Held()) {
    RefuseRun(lock, log, NoMoreToSay);
    return {true, 0};
  }
  if (ProtectedPrintModeOn()) {
    RefuseRun(lock, log, LogProtectedPrintMode);
    return {true, 0};
  }
  InstallContext ctx;
  InitInstallContext(ctx, setupFlags);
  lock.Log(ctx);
  LogLine(ctx, L"##0010");
  Reinstall(ctx);
  InstallOutcome outcome = {false, ScheduleDeletesAtReboot(ctx)};
  ShowLogWindowIfWanted(ctx, log);
  outcome.errorsLogged = ctx.errorCount != 0;
  LogLine(ctx, L"##0020");
  WriteLogFileIfQuiet(ctx, log);
  return outcome;
}

bool RunUninstall(const LogTarget& log, uint32_t& scheduledAtReboot) {
  scheduledAtReboot = 0;
  const InstallerLock lock;
  if (!lock.Held()) {
    RefuseRun(lock, log, NoMoreToSay);
    return true;
  }
  InstallContext ctx;
  InitInstallContext(ctx, kSetupX64);
  lock.Log(ctx);
  UninstallAndCleanUp(ctx);
  scheduledAtReboot = ScheduleDeletesAtReboot(ctx);
  ShowLogWindowIfWanted(ctx, log);
  const bool errorsLogged = ctx.errorCount != 0;
  WriteLogFileIfQuiet(ctx, log);
  return errorsLogged;
}

}  // namespace qv
