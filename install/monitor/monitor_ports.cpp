// Moving printers between the product port and the parking port "file:".
#include "monitor/monitor_ports.h"

#include <cwchar>
#include <string>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr size_t kMonitorNameLength = sizeof(kMonitorName) / sizeof(wchar_t) - 1;  // 11
constexpr size_t kParkingPortLength = sizeof(kParkingPort) / sizeof(wchar_t) - 1;  // 5
constexpr wchar_t kPortSeparator = L',';

// The first entry of the comma-separated list `ports` that is exactly `port`; null if none.
wchar_t* FindPortEntry(wchar_t* ports, const wchar_t* port, size_t portLength) {
  for (wchar_t* entry = ports;;) {
    wchar_t* end = entry;
    while (*end != L'\0' && *end != kPortSeparator) ++end;
    if (static_cast<size_t>(end - entry) == portLength &&
        std::wmemcmp(entry, port, portLength) == 0) {
      return entry;
    }
    if (*end == L'\0') return nullptr;
    entry = end + 1;
  }
}

// Replaces the first entry `from` of the port list by `to`, moving the rest of the string with
// its terminator. A longer port name that merely contains `from` is another port.
bool ReplacePortEntry(wchar_t* ports, const wchar_t* from, size_t fromLength, const wchar_t* to,
                      size_t toLength) {
  if (!ports) return false;
  wchar_t* at = FindPortEntry(ports, from, fromLength);
  if (!at) return false;
  const wchar_t* rest = at + fromLength;
  std::wmemmove(at + toLength, rest, std::wcslen(rest) + 1);
  std::wmemcpy(at, to, toLength);
  return true;
}

// The snapshot's record of the printer named `name`, or null.
PRINTER_INFO_2W* FindSnapshotPrinter(const InstallContext& ctx, const wchar_t* name) {
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (records[i].pPrinterName && EqualsIgnoringAsciiCase(records[i].pPrinterName, name)) {
      return &records[i];
    }
  }
  return nullptr;
}

}  // namespace

bool ParkOnFilePort(wchar_t* ports) {
  return ReplacePortEntry(ports, kMonitorName, kMonitorNameLength, kParkingPort,
                          kParkingPortLength);
}

bool ReturnToProductPort(wchar_t* ports) {
  return ReplacePortEntry(ports, kParkingPort, kParkingPortLength, kMonitorName,
                          kMonitorNameLength);
}
bool ApplyPrinterRecord(InstallContext& ctx, PRINTER_INFO_2W& printer) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  const BOOL ok =
      printer.pPrinterName && Os().OpenPrinterW(printer.pPrinterName, &opened, &defaults);
  ScopedPrinter handle(ok ? opened : nullptr);
  if (!handle) {
    LogLine(ctx, L"Can't open printer %s", printer.pPrinterName);
    return false;
  }
  if (Os().SetPrinterW(handle.Get(), 2, reinterpret_cast<LPBYTE>(&printer), 0)) {
    LogLine(ctx, L"SetPrinter(%s) - ok", printer.pPrinterName);
    return true;
  }
  LogLine(ctx, L"SetPrinter(%s) - failed", printer.pPrinterName);
  return false;
}

void ReturnParkedPrinters(InstallContext& ctx) {
  for (PRINTER_INFO_2W** parked = ctx.MonitorPrinters(); parked && *parked; ++parked) {
    if (ReturnToProductPort((*parked)->pPortName)) ApplyPrinterRecord(ctx, **parked);
  }
  ctx.monitorPrinters.Reset();
}

bool ReturnPrinterParkedEarlier(InstallContext& ctx, const wchar_t* name) {
  PRINTER_INFO_2W* found = FindSnapshotPrinter(ctx, name);
  if (!found || !found->pPortName) {
    LogLine(ctx, L"Parked printer '%s' is gone", name);
    return true;
  }
  // Room for the longer port name: the snapshot's own string must never grow.
  std::wstring ports(found->pPortName);
  ports.resize(ports.size() + kMonitorNameLength, L'\0');
  if (!ReturnToProductPort(&ports[0])) {
    LogLine(ctx, L"Parked printer '%s' is no longer on 'file:'", name);
    return true;
  }
  PRINTER_INFO_2W returned = *found;
  returned.pPortName = &ports[0];
  return ApplyPrinterRecord(ctx, returned);
}

}  // namespace qv
