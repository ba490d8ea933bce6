// SavedPrinterSettings: what a deleted product printer carries over a reinstall.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "os/scoped_handles.h"

namespace qv {

// Size in bytes of a "SubKey" buffer, NUL included; a longer value is not found.
constexpr DWORD kSubKeyCapacity = 64;

struct SavedPrinterSettings {
  char* subKey;              // owned narrow "SubKey" text, 1 to 63 bytes
  PRINTER_INFO_2W* printer;  // the printer's record in the run's snapshot or in `recorded`
  SavedPrinterSettings* next;
  // A run has re-created this printer, whole or not: these settings win over a printer of its
  // name that does not carry its "SubKey".
  bool recreated;
};

// Owns its nodes and their subKey copies, and the printers taken over from the printer record;
// never the snapshot records.
struct SavedSettingsList {
  SavedPrinterSettings* head = nullptr;
  GlobalBlock recordData;  // the record's bytes, which `recorded` points into
  GlobalBlock recorded;    // RecordedPrinter entries
  DWORD recordedCount = 0;

  SavedSettingsList() = default;
  ~SavedSettingsList();
  SavedSettingsList(const SavedSettingsList&) = delete;
  SavedSettingsList& operator=(const SavedSettingsList&) = delete;
};

// Puts a node for `printer` with a copy of `subKey` at the front; false when memory runs out.
bool PushSavedSettings(SavedSettingsList& list, PRINTER_INFO_2W& printer, const char* subKey);
// Unlinks `node` from the list and releases it.
void RemoveSavedSettings(SavedSettingsList& list, SavedPrinterSettings* node);
// The node of the printer named `name` (names compared as the spooler does, ignoring the case of
// A-Z), or null.
const SavedPrinterSettings* FindSavedSettings(const SavedSettingsList& list, const wchar_t* name);
void FreeSavedSettings(SavedSettingsList& list);

}  // namespace qv
