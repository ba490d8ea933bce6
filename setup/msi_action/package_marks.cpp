// The marks custom actions hand on within one msiexec run, in a volatile machine key.
#include "package_marks.h"

#include "product_keys.h"
#include "scoped_handle.h"

namespace qvmsi {
namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Orbelin\\Quintavera";
constexpr wchar_t kMarksKey[] = L"SOFTWARE\\Orbelin\\Quintavera\\Package";
constexpr DWORD kMaxBytes = 256 * 1024;  // the largest printer record the installer reads

bool OpenMarks(REGSAM access, ScopedKey& key) {
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMarksKey, 0, access | KEY_WOW64_64KEY,
                         key.Receive()) == ERROR_SUCCESS;
}

// The product key stays non-volatile (the installer keeps its printer record beneath it); only
// the marks' own key is volatile. RegCreateKeyEx makes every missing key with the options given.
// A product key made here goes with the marks.
bool CreateMarks(ScopedKey& key) {
  ScopedKey product;
  DWORD made = 0;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY, nullptr, product.Receive(),
                        &made) != ERROR_SUCCESS ||
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMarksKey, 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD go = 1;
  return made != REG_CREATED_NEW_KEY ||
         ::RegSetValueExW(key.Get(), kProductKeysGo, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&go), sizeof(go)) == ERROR_SUCCESS;
}

bool SetValue(const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  ScopedKey key;
  return CreateMarks(key) &&
         ::RegSetValueExW(key.Get(), name, 0, type, data, size) == ERROR_SUCCESS;
}

// Whether a mark other than kProductKeysGo is there.
bool MarksLeft() {
  ScopedKey key;
  DWORD values = 0;
  if (!OpenMarks(KEY_QUERY_VALUE, key)) return false;
  if (::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return true;
  }
  const bool flag =
      ::RegQueryValueExW(key.Get(), kProductKeysGo, nullptr, nullptr, nullptr, nullptr) ==
      ERROR_SUCCESS;
  return values > (flag ? 1u : 0u);
}

}  // namespace

bool SetMark(const wchar_t* name, DWORD value) {
  return SetValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

DWORD ReadMark(const wchar_t* name, DWORD absent) {
  ScopedKey key;
  DWORD value = 0, type = 0, size = sizeof(value);
  if (!OpenMarks(KEY_QUERY_VALUE, key) ||
      ::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value)) {
    return absent;
  }
  return value;
}

bool TakeMark(const wchar_t* name) {
  bool taken = false;
  {
    ScopedKey key;
    taken = OpenMarks(KEY_SET_VALUE, key) && ::RegDeleteValueW(key.Get(), name) == ERROR_SUCCESS;
  }
  if (!MarksLeft()) ClearMarks();
  return taken;
}

bool SaveBytes(const wchar_t* name, const std::vector<BYTE>& bytes) {
  return bytes.size() <= kMaxBytes &&
         SetValue(name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool ReadBytes(const wchar_t* name, std::vector<BYTE>& bytes) {
  ScopedKey key;
  DWORD type = 0, size = 0;
  if (!OpenMarks(KEY_QUERY_VALUE, key) ||
      ::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size == 0 || size > kMaxBytes) {
    return false;
  }
  bytes.resize(size);
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS ||
      type != REG_BINARY) {
    return false;
  }
  bytes.resize(size);
  return true;
}

void ClearMarks() {
  const bool keysGo = ReadMark(kProductKeysGo) == 1;
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kMarksKey, KEY_WOW64_64KEY, 0);
  if (keysGo) RemoveEmptyProductKeys();
}

}  // namespace qvmsi
