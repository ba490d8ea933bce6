// Parked printers carried in the printer record: returned to the product port by a later run.
#include "settings/parked_printers.h"

#include "context/install_context.h"
#include "monitor/monitor_ports.h"
#include "record/printer_record_format.h"

namespace qv {
namespace {

RecordedPrinter* RecordedEntries(const InstallContext& ctx) {
  return static_cast<RecordedPrinter*>(ctx.savedSettings.recorded.Get());
}

}  // namespace

void ReturnRecordedParkedPrinters(InstallContext& ctx) {
  RecordedPrinter* recorded = RecordedEntries(ctx);
  for (DWORD i = 0; i < ctx.savedSettings.recordedCount; ++i) {
    if (recorded[i].parked && ReturnPrinterParkedEarlier(ctx, recorded[i].info.pPrinterName)) {
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
