// The installer's registry keys, removed with the product when empty.
#include "product_keys.h"

#include <windows.h>

namespace qvmsi {
namespace {

bool IsEmptyKey(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD subkeys = 1, values = 1;
  const LONG result = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                         &values, nullptr, nullptr, nullptr, nullptr);
  ::RegCloseKey(key);
  return result == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

void RemoveKeyIfEmpty(const wchar_t* path) {
  if (IsEmptyKey(path)) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0);
}

}  // namespace

void RemoveEmptyProductKeys() {
  RemoveKeyIfEmpty(L"Software\\Orbelin\\Quintavera");
  RemoveKeyIfEmpty(L"Software\\Orbelin");
}

}  // namespace qvmsi
