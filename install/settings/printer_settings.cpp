// A product printer's settings: saving them before it is deleted, its "SubKey" read and written
// plain and under "DsUser", and the "deleted" mark of its key in the user's registry.
#include "settings/printer_settings.h"

#include <cstring>
#include <string>

#include "context/install_context.h"

namespace qv {
namespace {

constexpr char kSubKeyValue[] = "SubKey";
constexpr char kDsUserKey[] = "DsUser";
constexpr char kProductUserKey[] = "Software\\Orbelin\\Quintavera";

// A read is usable when it succeeded, is REG_SZ and its text ends within the buffer.
bool AcceptSubKey(DWORD status, DWORD type, char* subKey) {
  if (status == ERROR_SUCCESS && type == REG_SZ &&
      std::memchr(subKey, '\0', kSubKeyCapacity) != nullptr) {
    return true;
  }
  std::memset(subKey, 0, kSubKeyCapacity);
  return false;
}

// A read that says the value is there or not: any other answer is a failure to ask.
bool Answered(DWORD status) {
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA) {
    return true;
  }
  Os().SetLastError(status);
  return false;
}

}  // namespace

void SavePrinterSettings(InstallContext& ctx, PRINTER_INFO_2W& printer) {
  if (FindSavedSettings(ctx.savedSettings, printer.pPrinterName)) return;
  char subKey[kSubKeyCapacity] = {};
  if (ReadPrinterSubKey(printer.pPrinterName, subKey) && subKey[0] != '\0') {
    PushSavedSettings(ctx.savedSettings, printer, subKey);
  }
}

bool ReadPrinterSubKey(const wchar_t* name, char (&subKey)[kSubKeyCapacity]) {
  ScopedPrinter handle;
  return Os().OpenPrinterW(const_cast<LPWSTR>(name), handle.Receive(), nullptr) &&
         GetPrinterSubKey(handle.Get(), subKey);
}

bool SetPrinterSubKey(HANDLE printer, const char* subKey) {
  const DWORD bytes = static_cast<DWORD>(std::strlen(subKey) + 1);
  auto* data = reinterpret_cast<LPBYTE>(const_cast<char*>(subKey));
  char valueName[] = "SubKey";
  const DWORD plain = Os().SetPrinterDataA(printer, valueName, REG_SZ, data, bytes);
  const DWORD dsUser =
      Os().SetPrinterDataExA(printer, kDsUserKey, kSubKeyValue, REG_SZ, data, bytes);
  return plain == ERROR_SUCCESS && dsUser == ERROR_SUCCESS;
}

bool GetPrinterSubKey(HANDLE printer, char (&subKey)[kSubKeyCapacity]) {
  std::memset(subKey, 0, kSubKeyCapacity);
  auto* data = reinterpret_cast<LPBYTE>(subKey);
  char valueName[] = "SubKey";
  DWORD type = REG_NONE;
  DWORD needed = 0;
  DWORD status = Os().GetPrinterDataA(printer, valueName, &type, data, kSubKeyCapacity, &needed);
  if (AcceptSubKey(status, type, subKey)) return true;
  if (!Answered(status)) return false;
  type = REG_NONE;
  status = Os().GetPrinterDataExA(printer, kDsUserKey, kSubKeyValue, &type, data, kSubKeyCapacity,
                                  &needed);
  return AcceptSubKey(status, type, subKey) || Answered(status);
}

void ClearDeletedMark(const char* subPath) {
  std::string keyPath = kProductUserKey;
  keyPath += '\\';
  keyPath += subPath;
  ScopedRegKey key;
  if (Os().RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) ==
      ERROR_SUCCESS) {
    Os().RegDeleteValueA(key.Get(), "deleted");
  }
}

}  // namespace qv
