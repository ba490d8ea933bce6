// Parked printers carried in the printer record: returned to the product port by a later run.
#include "settings/parked_printers.h"

#include <string>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "monitor/monitor_ports.h"
#include "settings/printer_record_format.h"

namespace qv {
namespace {

RecordedPrinter* RecordedEntries(const InstallContext& ctx) {
  return static_cast<RecordedPrinter*>(ctx.savedSettings.recorded.Get());
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

// True when the printer leaves "file:" for good: returned, gone, or moved off it meanwhile.
bool ReturnParkedPrinter(InstallContext& ctx, const wchar_t* name) {
  PRINTER_INFO_2W* found = FindSnapshotPrinter(ctx, name);
  if (!found || !found->pPortName) {
    LogLine(ctx, L"Parked printer '%s' is gone", name);
    return true;
  }
  // Room for the longer port name; the snapshot's own string is only ever shortened.
  std::wstring ports(found->pPortName);
  ports.resize(ports.size() + sizeof(kMonitorName) / sizeof(wchar_t), L'\0');
  if (!ReturnToProductPort(&ports[0])) {
    LogLine(ctx, L"Parked printer '%s' is no longer on 'file:'", name);
    return true;
  }
  PRINTER_INFO_2W returned = *found;
  returned.pPortName = &ports[0];
  return ApplyPrinterRecord(ctx, returned);
}

}  // namespace

void ReturnRecordedParkedPrinters(InstallContext& ctx) {
  RecordedPrinter* recorded = RecordedEntries(ctx);
  for (DWORD i = 0; i < ctx.savedSettings.recordedCount; ++i) {
    if (recorded[i].parked && ReturnParkedPrinter(ctx, recorded[i].info.pPrinterName)) {
      recorded[i].parked = false;
    }
  }
}

bool ParkedPrinterNames(const InstallContext& ctx, GlobalBlock& block, DWORD& count) {
  count = 0;
  const RecordedPrinter* recorded = RecordedEntries(ctx);
  DWORD capacity = 0;
  for (DWORD i = 0; i < ctx.savedSettings.recordedCount; ++i) capacity += recorded[i].parked;
  for (PRINTER_INFO_2W** parked = ctx.MonitorPrinters(); parked && *parked; ++parked) ++capacity;
  if (capacity == 0) return true;
  block = AllocateZeroedBlock(capacity * sizeof(const wchar_t*));
  auto* names = static_cast<const wchar_t**>(block.Get());
  if (!names) return false;
  for (DWORD i = 0; i < ctx.savedSettings.recordedCount; ++i) {
    if (recorded[i].parked) names[count++] = recorded[i].info.pPrinterName;
  }
  for (PRINTER_INFO_2W** parked = ctx.MonitorPrinters(); parked && *parked; ++parked) {
    if ((*parked)->pPrinterName) names[count++] = (*parked)->pPrinterName;
  }
  return true;
}

}  // namespace qv
