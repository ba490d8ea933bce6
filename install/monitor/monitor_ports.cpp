// Moving printers between the product port and the parking port "file:".
#include "monitor/monitor_ports.h"

#include <cwchar>

#include "core/install_context.h"
#include "core/product.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr size_t kMonitorNameLength = sizeof(kMonitorName) / sizeof(wchar_t) - 1;  // 11
constexpr size_t kParkingPortLength = sizeof(kParkingPort) / sizeof(wchar_t) - 1;  // 5

// Replaces the first `from` in `text` by `to`, moving the rest of the string with its terminator.
bool ReplaceFirst(wchar_t* text, const wchar_t* from, size_t fromLength, const wchar_t* to,
                  size_t toLength) {
  if (!text) return false;
  wchar_t* at = std::wcsstr(text, from);
  if (!at) return false;
  const wchar_t* rest = at + fromLength;
  std::wmemmove(at + toLength, rest, std::wcslen(rest) + 1);
  std::wmemcpy(at, to, toLength);
  return true;
}

}  // namespace

bool ParkOnFilePort(wchar_t* ports) {
  return ReplaceFirst(ports, kMonitorName, kMonitorNameLength, kParkingPort, kParkingPortLength);
}

bool ReturnToProductPort(wchar_t* ports) {
  return ReplaceFirst(ports, kParkingPort, kParkingPortLength, kMonitorName, kMonitorNameLength);
}

void ApplyPrinterRecord(InstallContext& ctx, PRINTER_INFO_2W& printer) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  const BOOL ok =
      printer.pPrinterName && Os().OpenPrinterW(printer.pPrinterName, &opened, &defaults);
  ScopedPrinter handle(ok ? opened : nullptr);
  if (!handle) {
    LogLine(ctx, L"Can't open printer %s", printer.pPrinterName);
    return;
  }
  if (Os().SetPrinterW(handle.Get(), 2, reinterpret_cast<LPBYTE>(&printer), 0)) {
    LogLine(ctx, L"SetPrinter(%s) - ok", printer.pPrinterName);
  } else {
    LogLine(ctx, L"SetPrinter(%s) - failed", printer.pPrinterName);
  }
}

}  // namespace qv
