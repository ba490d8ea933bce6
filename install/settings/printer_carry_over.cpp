// The product printers over a reinstall: saved (and recorded) before they are deleted, re-created
// with their settings once the driver is back.
#include "settings/printer_carry_over.h"

#include <string>

#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "printers/product_printers.h"
#include "settings/printer_record.h"
#include "settings/printer_settings.h"

namespace qv {
namespace {

constexpr char kPrinterKeysPrefix[] = "Quintaveras\\";

// Saves the settings of every product printer of the snapshot. A reinstall takes over the record
// of a run cut short first, and records what it will re-create before anything is deleted.
void SaveProductPrinters(InstallContext& ctx) {
  if (ctx.reinstall) TakeOverPrinterRecord(ctx);
  const SavedPrinterSettings* recorded = ctx.savedSettings.head;
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (IsProductPrinter(records[i])) SavePrinterSettings(ctx, records[i]);
  }
  if (ctx.reinstall && ctx.savedSettings.head != recorded) WritePrinterRecord(ctx);
}

// Gives the re-created printer its old "SubKey" and clears the key's "deleted" mark.
void RestoreSubKey(HANDLE printer, const char* savedSubKey) {
  if (!SetPrinterSubKey(printer, savedSubKey)) return;
  char subKey[kSubKeyCapacity] = {};
  GetPrinterSubKey(printer, subKey);
  if (subKey[0] == '\0') return;
  std::string subPath = kPrinterKeysPrefix;
  subPath += subKey;
  ClearDeletedMark(subPath.c_str());
}

// Puts the old comment and location on the re-created printer, and its default status.
void RestoreDetails(HANDLE printer, const PRINTER_INFO_2W& old) {
  PrinterInfoBlock current = QueryPrinterInfo(printer);
  PRINTER_INFO_2W* record = current.Record();
  if (!record) return;
  record->pComment = old.pComment;
  record->pLocation = old.pLocation;
  Os().SetPrinterW(printer, 2, reinterpret_cast<LPBYTE>(record), 0);
  if ((old.Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0 && IsProductPrinter(old)) {
    Os().SetDefaultPrinterW(record->pPrinterName);
  }
}

bool RestoreSavedPrinter(InstallContext& ctx, const SavedPrinterSettings& saved) {
  ScopedPrinter printer = AddProductPrinter(ctx, saved.printer->pPrinterName);
  if (!printer) return false;
  RestoreSubKey(printer.Get(), saved.subKey);
  RestoreDetails(printer.Get(), *saved.printer);
  return true;
}

}  // namespace

void DeleteProductPrinters(InstallContext& ctx) {
  LogLine(ctx, L"#DeleteAllPrinters");
  LogIndent indent(ctx);
  SaveProductPrinters(ctx);
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (IsProductPrinter(records[i])) DeletePrinterByName(ctx, records[i].pPrinterName);
  }
}

void RestorePrinterSettings(InstallContext& ctx) {
  int restored = 0;
  for (const SavedPrinterSettings* node = ctx.savedSettings.head; node; node = node->next) {
    if (RestoreSavedPrinter(ctx, *node)) ++restored;
  }
  if (restored == 0) AddProductPrinter(ctx, kDefaultPrinterName);
}

}  // namespace qv
