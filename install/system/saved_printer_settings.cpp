// SavedPrinterSettings: release of the carried-over printer settings.
#include "system/saved_printer_settings.h"

namespace qv {

SavedSettingsList::~SavedSettingsList() { FreeSavedSettings(*this); }

void FreeSavedSettings(SavedSettingsList& list) {
  while (SavedPrinterSettings* node = list.head) {
    list.head = node->next;
    delete[] node->subKey;
    delete node;
  }
}

}  // namespace qv
