// The product printers over a reinstall: saved (and recorded) before they are deleted, re-created
// with their settings once the driver is back, and the record kept for those not back whole.
#include "settings/printer_carry_over.h"

#include <cstring>
#include <string>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "printers/product_printers.h"
#include "record/printer_record.h"
#include "record/printer_record_format.h"
#include "settings/parked_printers.h"
#include "settings/printer_settings.h"

namespace qv {
namespace {

constexpr char kPrinterKeysPrefix[] = "Quintaveras\\";

// "SubKey" texts name registry keys: compared as the registry does, ignoring the case of A-Z.
bool SameSubKey(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (FoldAsciiLetter(static_cast<unsigned char>(*a)) !=
        FoldAsciiLetter(static_cast<unsigned char>(*b))) {
      return false;
    }
    if (*a == '\0') return true;
  }
}

SavedPrinterSettings* FindBySubKey(const SavedSettingsList& list, const char* subKey) {
  for (SavedPrinterSettings* node = list.head; node; node = node->next) {
    if (SameSubKey(node->subKey, subKey)) return node;
  }
  return nullptr;
}

bool IsDefault(const PRINTER_INFO_2W& printer) {
  return (printer.Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0;
}

// Clears the default mark of every saved printer but `chosen`. The record's default printer, one
// the interrupted run deleted, is the person's choice: a default that another printer gained when
// Windows moved it away from the deleted one does not come back.
void KeepOnlyDefault(SavedSettingsList& list, const SavedPrinterSettings* chosen) {
  for (SavedPrinterSettings* node = list.head; node; node = node->next) {
    if (node != chosen) node->printer->Attributes &= ~PRINTER_ATTRIBUTE_DEFAULT;
  }
}

// Whether the record's entry joins the saved printers. A printer on the machine now wins over the
// entry of its name, and no two printers share a "SubKey". Only an entry whose printer a run was
// re-creating wins over a printer of its name that does not carry the entry's "SubKey": that one
// is the run's own, cut short or failing before its "SubKey" was written.
bool TakeOverEntry(InstallContext& ctx, RecordedPrinter& entry) {
  SavedSettingsList& list = ctx.savedSettings;
  auto* sameName =
      const_cast<SavedPrinterSettings*>(FindSavedSettings(list, entry.info.pPrinterName));
  const SavedPrinterSettings* sameSubKey = FindBySubKey(list, entry.subKey);
  if (entry.recreated && sameName && !sameSubKey) {
    RemoveSavedSettings(list, sameName);
  } else if (sameName || sameSubKey) {
    LogLine(ctx, L"Printer '%s' of the record left out: a printer on this machine carries it",
            entry.info.pPrinterName);
    return false;
  }
  if (!PushSavedSettings(list, entry.info, entry.subKey)) return false;
  list.head->recreated = entry.recreated;
  if (IsDefault(entry.info)) KeepOnlyDefault(list, list.head);
  return true;
}

// Adds the record's printers to those saved from the machine, the record's order kept.
void TakeOverRecordedPrinters(InstallContext& ctx) {
  auto* recorded = static_cast<RecordedPrinter*>(ctx.savedSettings.recorded.Get());
  int taken = 0;
  for (DWORD i = ctx.savedSettings.recordedCount; i-- > 0;) {
    if (!recorded[i].parked && TakeOverEntry(ctx, recorded[i])) ++taken;
  }
  if (taken > 0)
    LogLine(ctx, L"%d printers taken over from the record of an interrupted run", taken);
}

// Writes the record with the saved printers and the parked ones (named in the log when
// `nameParked`), or removes it when there is neither.
void WriteRecord(InstallContext& ctx, bool nameParked) {
  GlobalBlock parked;
  DWORD parkedCount = 0;
  if (!ParkedPrinterNames(ctx, parked, parkedCount)) {
    LogError(ctx, 18, L"Can't write the printer record");  // the record before stays as it is
    return;
  }
  if (!ctx.savedSettings.head && parkedCount == 0) {
    RemovePrinterRecord(ctx);
    return;
  }
  const auto* names = static_cast<const wchar_t* const*>(parked.Get());
  for (DWORD i = 0; nameParked && i < parkedCount; ++i) {
    LogLine(ctx, L"Printer '%s' stays on 'file:' until the port monitor is installed", names[i]);
  }
  WritePrinterRecord(ctx, names, parkedCount);
}

// A reinstall deletes a product printer whose settings are saved, or one it reads to carry
// nothing. Any other stays as it is (error 26): deleted, its settings would be lost.
bool MayDelete(InstallContext& ctx, const PRINTER_INFO_2W& printer) {
  if (!ctx.reinstall || FindSavedSettings(ctx.savedSettings, printer.pPrinterName)) return true;
  char subKey[kSubKeyCapacity];
  const bool read = ReadPrinterSubKey(printer.pPrinterName, subKey);
  if (read && subKey[0] == '\0') return true;
  if (read) Os().SetLastError(0);  // it carries a "SubKey" now, read too late for the record
  LogError(ctx, 26, L"Can`t read the settings of printer '%s', it stays as it is",
           printer.pPrinterName);
  return false;
}

// Saves the settings of every product printer of the snapshot. A reinstall adds the printers of a
// record left by an earlier run, and records what it will re-create before anything is deleted.
void SaveProductPrinters(InstallContext& ctx) {
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (IsProductPrinter(records[i])) SavePrinterSettings(ctx, records[i]);
  }
  if (!ctx.reinstall) return;
  TakeOverRecordedPrinters(ctx);
  if (ctx.savedSettings.head || ctx.savedSettings.recordedCount != 0) WriteRecord(ctx, false);
}

// Gives the re-created printer its old "SubKey" and clears the key's "deleted" mark; true when
// both "SubKey" values were written.
bool RestoreSubKey(HANDLE printer, const char* savedSubKey) {
  if (!SetPrinterSubKey(printer, savedSubKey)) return false;
  char subKey[kSubKeyCapacity] = {};
  GetPrinterSubKey(printer, subKey);
  if (subKey[0] == '\0') return true;
  std::string subPath = kPrinterKeysPrefix;
  subPath += subKey;
  ClearDeletedMark(subPath.c_str());
  return true;
}

// Puts the old comment and location on the re-created printer, and its default status; true when
// every one was set.
bool RestoreDetails(HANDLE printer, const PRINTER_INFO_2W& old) {
  PrinterInfoBlock current = QueryPrinterInfo(printer);
  PRINTER_INFO_2W* record = current.Record();
  if (!record) return false;
  record->pComment = old.pComment;
  record->pLocation = old.pLocation;
  const bool set = Os().SetPrinterW(printer, 2, reinterpret_cast<LPBYTE>(record), 0) != FALSE;
  const bool isDefault = IsDefault(old) && IsProductPrinter(old);
  return (!isDefault || Os().SetDefaultPrinterW(record->pPrinterName)) && set;
}

// Re-creates one saved printer; true when it is back whole. Its "SubKey" comes last, and only
// once the rest is set: a printer that a run cut short or failing leaves does not carry it, and
// gives way to the record's entry in the next run.
bool RestoreSavedPrinter(InstallContext& ctx, const SavedPrinterSettings& saved) {
  const wchar_t* name = saved.printer->pPrinterName;
  ScopedPrinter printer = AddProductPrinter(ctx, name);
  if (!printer) return false;
  if (RestoreDetails(printer.Get(), *saved.printer) && RestoreSubKey(printer.Get(), saved.subKey)) {
    return true;
  }
  LogError(ctx, 21, L"Can`t restore the settings of printer '%s'", name);
  return false;
}

}  // namespace

void DeleteProductPrinters(InstallContext& ctx) {
  LogLine(ctx, L"#DeleteAllPrinters");
  LogIndent indent(ctx);
  SaveProductPrinters(ctx);
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (IsProductPrinter(records[i]) && MayDelete(ctx, records[i])) {
      DeletePrinterByName(ctx, records[i].pPrinterName);
    }
  }
}

void RestorePrinterSettings(InstallContext& ctx) {
  if (ctx.savedSettings.head) {
    for (SavedPrinterSettings* node = ctx.savedSettings.head; node; node = node->next) {
      node->recreated = true;
    }
    WriteRecord(ctx, false);
  } else {
    AddProductPrinter(ctx, kDefaultPrinterName);
  }
  SavedPrinterSettings* node = ctx.savedSettings.head;
  while (node) {
    SavedPrinterSettings* next = node->next;
    if (RestoreSavedPrinter(ctx, *node)) RemoveSavedSettings(ctx.savedSettings, node);
    node = next;
  }
  ReturnRecordedParkedPrinters(ctx);
  WriteRecord(ctx, true);
}

}  // namespace qv
