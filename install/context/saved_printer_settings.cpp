// SavedPrinterSettings: the list of carried-over printer settings, its search and release.
#include "context/saved_printer_settings.h"

#include <cstring>
#include <new>

#include "base/ascii_case.h"

namespace qv {

SavedSettingsList::~SavedSettingsList() { FreeSavedSettings(*this); }

bool PushSavedSettings(SavedSettingsList& list, PRINTER_INFO_2W& printer, const char* subKey) {
  const size_t length = std::strlen(subKey);
  char* copy = new (std::nothrow) char[length + 1];
  if (!copy) return false;
  std::memcpy(copy, subKey, length + 1);
  auto* node = new (std::nothrow) SavedPrinterSettings{copy, &printer, list.head, false};
  if (!node) {
    delete[] copy;
    return false;
  }
  list.head = node;
  return true;
}

void RemoveSavedSettings(SavedSettingsList& list, SavedPrinterSettings* node) {
  for (SavedPrinterSettings** link = &list.head; *link; link = &(*link)->next) {
    if (*link != node) continue;
    *link = node->next;
    delete[] node->subKey;
    delete node;
    return;
  }
}

const SavedPrinterSettings* FindSavedSettings(const SavedSettingsList& list, const wchar_t* name) {
  if (!name) return nullptr;
  for (const SavedPrinterSettings* node = list.head; node; node = node->next) {
    if (node->printer->pPrinterName && EqualsIgnoringAsciiCase(node->printer->pPrinterName, name)) {
      return node;
    }
  }
  return nullptr;
}

void FreeSavedSettings(SavedSettingsList& list) {
  while (SavedPrinterSettings* node = list.head) {
    list.head = node->next;
    delete[] node->subKey;
    delete node;
  }
  list.recorded.Reset();
  list.recordData.Reset();
  list.recordedCount = 0;
}

}  // namespace qv
