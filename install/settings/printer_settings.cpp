// Printer settings carry-over: saving before the product printers are deleted, restoring once
// the driver is back.
#include "settings/printer_settings.h"

#include <cstring>
#include <string>

#include "context/install_context.h"
#include "context/printer_list.h"
#include "context/product.h"
#include "printers/product_printers.h"

namespace qv {
namespace {

constexpr char kSubKeyValue[] = "SubKey";
constexpr char kDsUserKey[] = "DsUser";
constexpr char kProductUserKey[] = "Software\\Orbelin\\Quintavera";
constexpr char kPrinterKeysPrefix[] = "Quintaveras\\";

// A read is usable when it succeeded, is REG_SZ and its text ends within the buffer.
bool AcceptSubKey(DWORD status, DWORD type, char* subKey) {
  if (status == ERROR_SUCCESS && type == REG_SZ &&
      std::memchr(subKey, '\0', kSubKeyCapacity) != nullptr) {
    return true;
  }
  std::memset(subKey, 0, kSubKeyCapacity);
  return false;
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

void SavePrinterSettings(InstallContext& ctx, PRINTER_INFO_2W& printer) {
  if (FindSavedSettings(ctx.savedSettings, printer.pPrinterName)) return;
  ScopedPrinter handle;
  if (!Os().OpenPrinterW(printer.pPrinterName, handle.Receive(), nullptr)) return;
  char subKey[kSubKeyCapacity] = {};
  GetPrinterSubKey(handle.Get(), subKey);
  if (subKey[0] != '\0') PushSavedSettings(ctx.savedSettings, printer, subKey);
}

void RestorePrinterSettings(InstallContext& ctx) {
  int restored = 0;
  for (const SavedPrinterSettings* node = ctx.savedSettings.head; node; node = node->next) {
    if (RestoreSavedPrinter(ctx, *node)) ++restored;
  }
  if (restored == 0) AddProductPrinter(ctx, kDefaultPrinterName);
}

bool SetPrinterSubKey(HANDLE printer, const char* subKey) {
  const DWORD bytes = static_cast<DWORD>(std::strlen(subKey) + 1);
  auto* data = reinterpret_cast<LPBYTE>(const_cast<char*>(subKey));
  char valueName[] = "SubKey";
  Os().SetPrinterDataA(printer, valueName, REG_SZ, data, bytes);
  return Os().SetPrinterDataExA(printer, kDsUserKey, kSubKeyValue, REG_SZ, data, bytes) ==
         ERROR_SUCCESS;
}

void GetPrinterSubKey(HANDLE printer, char* subKey) {
  std::memset(subKey, 0, kSubKeyCapacity);
  auto* data = reinterpret_cast<LPBYTE>(subKey);
  char valueName[] = "SubKey";
  DWORD type = REG_NONE;
  DWORD needed = 0;
  DWORD status = Os().GetPrinterDataA(printer, valueName, &type, data, kSubKeyCapacity, &needed);
  if (AcceptSubKey(status, type, subKey)) return;
  type = REG_NONE;
  status = Os().GetPrinterDataExA(printer, kDsUserKey, kSubKeyValue, &type, data, kSubKeyCapacity,
                                  &needed);
  AcceptSubKey(status, type, subKey);
}

bool ClearDeletedMark(const char* subPath) {
  std::string keyPath = kProductUserKey;
  keyPath += '\\';
  keyPath += subPath;
  ScopedRegKey key;
  if (Os().RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return Os().RegDeleteValueA(key.Get(), "deleted") == ERROR_SUCCESS;
}

}  // namespace qv
