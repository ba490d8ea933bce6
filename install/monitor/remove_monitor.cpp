// RemoveMonitor: the version check, the monitor deletion with its retries, and the DLL deletion.
#include "monitor/remove_monitor.h"

#include "context/file_name_list.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "monitor/monitor_ports.h"
#include "os/file_version.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

// The found record's DLL name; null when the record carries none.
const wchar_t* RecordedDllName(const MonitorList& monitors, int index) {
  if (monitors.level != 2 || !monitors.entries) return nullptr;
  const auto* records = static_cast<const MONITOR_INFO_2W*>(monitors.entries.Get());
  const wchar_t* dll = records[index].pDLLName;
  return dll && *dll ? dll : nullptr;
}

// The system directory followed by the monitor DLL's file name. A found monitor without a DLL
// name falls back to monitorFile, so that the path still names the DLL. Empty without a system
// directory: a bare file name would name a file of the current directory.
TextBuffer MonitorPath(InstallContext& ctx, const MonitorList& monitors, int index) {
  TextBuffer path;
  path.Assign(ctx.systemDir.Text());
  const wchar_t* dll = nullptr;
  if (index >= 0) {
    LogLine(ctx, L"Trying to get monitor filename from MONITOR_INFO_2");
    dll = RecordedDllName(monitors, index);
  } else {
    LogLine(ctx, L"Computing monitor filename");
  }
  if (!dll) dll = ctx.monitorFile;
  if (dll && *dll && !path.Empty()) path.Append(dll);
  return path;
}

// During a reinstall: true when the DLL in place is kept, with the flags set for InstallMonitor.
bool KeepCompatibleMonitor(InstallContext& ctx, const TextBuffer& path, bool found) {
  const int32_t build = QueryFileBuildNumber(path.Text());  // -1 for an empty path too
  if (IsCompatibleBuild(build)) {
    LogLine(ctx, L"Version (%d) is compatible, proceed without uninstall", build);
    if (found) {
      ctx.installMonitor = false;
    } else {
      ctx.copyMonitor = false;
    }
    LogLine(ctx, L"InstallMonitor == %d, CopyMonitor == %d", ctx.installMonitor ? 1 : 0,
            ctx.copyMonitor ? 1 : 0);
    return true;
  }
  if (build == -1) {
    LogLine(ctx, L"Version is unknown, proceed with reinstall");
  } else {
    LogLine(ctx, L"Version (%d) is not supported, proceed with reinstall", build);
  }
  return false;
}

// Moves every snapshot printer on the product port to "file:" and lists it in monitorPrinters.
void ParkMonitorPrinters(InstallContext& ctx) {
  ctx.monitorPrinters.Reset();
  const DWORD count = ctx.printerSnapshot.count;
  PRINTER_INFO_2W* printers = ctx.printerSnapshot.entries();
  if (count == 0 || !printers) return;
  GlobalBlock block = AllocateZeroedBlock((static_cast<SIZE_T>(count) + 1) * sizeof(printers));
  if (!block) return;
  ctx.monitorPrinters = std::move(block);
  PRINTER_INFO_2W** parked = ctx.MonitorPrinters();
  for (DWORD i = 0; i < count; ++i) {
    if (!ParkOnFilePort(printers[i].pPortName)) continue;
    *parked++ = &printers[i];
    ApplyPrinterRecord(ctx, printers[i]);
  }
}

// The deletion tries: at once, after parking the printers, and after a spooler restart. A monitor
// that will not go is still registered and its port still works: the parked printers go back.
bool DeleteMonitorWithRetries(InstallContext& ctx, bool found) {
  if (DeleteProductMonitor(ctx.environment)) return true;
  if (!found) {
    LogLine(ctx, L"Can't delete monitor and monitor was not found. So everything should be ok");
    return false;
  }
  LogLine(ctx, L"Can't delete monitor from the first try");
  ParkMonitorPrinters(ctx);
  if (DeleteProductMonitor(ctx.environment)) return true;
  { RestartSpooler restart(&ctx); }
  if (DeleteProductMonitor(ctx.environment)) return true;
  LogError(ctx, 12, L"Can`t remove the port monitor 'Quintavera:'");
  ReturnParkedPrinters(ctx);
  return false;
}

// A path that names only a directory (the system directory, or nothing at all) is never deleted.
bool NamesFile(const TextBuffer& path) {
  return !path.Empty() && !path.EndsWith(L'\\') && !path.EndsWith(L'/');
}

void DeleteMonitorFile(InstallContext& ctx, const TextBuffer& path) {
  if (!NamesFile(path)) return;
  if (!Os().DeleteFileW(path.Text())) AddFileName(ctx.pendingDeletes, path.Text());
}

}  // namespace

bool DeleteProductMonitor(const wchar_t* environment) {
  return Os().DeleteMonitorW(nullptr, const_cast<LPWSTR>(environment),
                             const_cast<LPWSTR>(kMonitorName)) == 1;
}

void RemoveMonitor(InstallContext& ctx, const MonitorList& monitors) {
  LogLine(ctx, L"#DeleteMonitor");
  LogIndent indent(ctx);
  if (monitors.count > 0) {
    LogMonitorList(ctx, monitors);
  } else {
    LogLine(ctx, L"BTW, there is no port monitors on this system.");
  }
  const int index = FindProductMonitor(monitors);
  if (index < 0) {
    LogLine(ctx, L"No Quintavera port monitor was found.");
  } else {
    LogLine(ctx, L"Port monitor is found. Index=%d", index + 1);
  }
  const TextBuffer path = MonitorPath(ctx, monitors, index);
  LogLine(ctx, L"Auto calculated monitor file name: %s", path.Text());
  if (ctx.reinstall) {
    if (KeepCompatibleMonitor(ctx, path, index >= 0)) return;
  } else {
    LogLine(ctx, L"There is no check for monitor version");
  }
  if (!DeleteMonitorWithRetries(ctx, index >= 0)) return;
  DeleteMonitorFile(ctx, path);
  LogLine(ctx, L"Monitor was removed :)");
}

}  // namespace qv
