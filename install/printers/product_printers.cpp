// The product printers: deletion one by one, creation on the product port.
#include "printers/product_printers.h"

#include "context/install_context.h"
#include "context/printer_list.h"
#include "context/product.h"
#include "log/install_log.h"
#include "monitor/monitor_list.h"

namespace qv {
namespace {

// Logs whether "Quintavera:" is among the installed monitors; changes nothing.
void CheckProductMonitor(InstallContext& ctx) {
  LogLine(ctx, L"Let's check our port monitors");
  MonitorList monitors;
  EnumerateMonitors(monitors, ctx);
  if (FindProductMonitor(monitors) >= 0) {
    LogLine(ctx, L"Port monitor (%s) is found", ctx.environment);
    return;
  }
  LogLine(ctx, L"No Quintavera port monitor (%s) was found.", ctx.environment);
  if (monitors.count != 0) {
    LogMonitorList(ctx, monitors);
  } else {
    LogLine(ctx, L"BTW, there is no port monitors on this system.");
  }
}

}  // namespace

PrinterInfoBlock QueryPrinterInfo(HANDLE printer) {
  PrinterInfoBlock result;
  DWORD needed = 0;
  Os().GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (Os().GetLastError() != ERROR_INSUFFICIENT_BUFFER) return result;
  GlobalBlock block = AllocateZeroedBlock(needed);
  if (!block) return result;
  if (!Os().GetPrinterW(printer, 2, static_cast<LPBYTE>(block.Get()), needed, &needed)) {
    return result;
  }
  result.info = std::move(block);
  result.size = needed;
  return result;
}

void DeletePrinterByName(InstallContext& ctx, const wchar_t* name) {
  const wchar_t* shown = name ? name : L"*";
  LogLine(ctx, L"#DeletePrinter(%s)", shown);
  LogIndent indent(ctx);
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, DELETE | PRINTER_ACCESS_ADMINISTER};
  ScopedPrinter printer;
  if (!Os().OpenPrinterW(const_cast<LPWSTR>(name), printer.Receive(), &defaults)) {
    LogError(ctx, 16, L"Can`t open printer '%s'", shown);
    return;
  }
  if (PurgeAndDeletePrinter(printer.Get())) {
    LogLine(ctx, L"OK");
  } else {
    LogError(ctx, 17, L"Can`t delete printer '%s'", shown);
  }
}

BOOL PurgeAndDeletePrinter(HANDLE printer) {
  Os().SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE);
  return Os().DeletePrinter(printer);
}

ScopedPrinter AddProductPrinter(InstallContext& ctx, const wchar_t* name) {
  const wchar_t* shown = name ? name : L"*";
  LogLine(ctx, L"#AddPrinter(%s)", shown);
  LogIndent indent(ctx);
  CheckProductMonitor(ctx);

  wchar_t port[] = L"Quintavera:";
  wchar_t driver[] = L"Quintavera printer";
  wchar_t comment[] = L"";
  wchar_t printProcessor[] = L"WinPrint";
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(name);
  info.pPortName = port;
  info.pDriverName = driver;
  info.pComment = comment;
  info.pPrintProcessor = printProcessor;
  ScopedPrinter printer(Os().AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (!printer) {
    LogError(ctx, 15, L"Can`t add printer '%s'", shown);
    return printer;
  }
  LogLine(ctx, L"OK :)");
  return printer;
}

}  // namespace qv
