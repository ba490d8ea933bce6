// SavedPrinterSettings: what a deleted product printer carries over a reinstall.
#pragma once

#include <windows.h>
#include <winspool.h>

namespace qv {

struct SavedPrinterSettings {
  char* subKey;              // owned narrow "SubKey" text, 1 to 63 bytes
  PRINTER_INFO_2W* printer;  // the printer's record in the run's snapshot, not owned
  SavedPrinterSettings* next;
};

// Owns its nodes and their subKey copies, never the snapshot records.
struct SavedSettingsList {
  SavedPrinterSettings* head = nullptr;

  SavedSettingsList() = default;
  ~SavedSettingsList();
  SavedSettingsList(const SavedSettingsList&) = delete;
  SavedSettingsList& operator=(const SavedSettingsList&) = delete;
};

void FreeSavedSettings(SavedSettingsList& list);

}  // namespace qv
