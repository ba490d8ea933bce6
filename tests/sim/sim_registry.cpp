// SimWindows registry: keys and values under HKLM and HKCU.
#include <cstring>

#include "sim_windows.h"

namespace qv::sim {
namespace {

std::wstring Widen(const std::string& narrow) {  // Latin-1, as the simulated ANSI code page
  std::wstring wide;
  for (char c : narrow) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

// The path of `subKey` under `key` as the registry map names it; empty for a root of neither hive.
std::wstring KeyPath(HKEY key, LPCSTR subKey) {
  if (key != HKEY_LOCAL_MACHINE && key != HKEY_CURRENT_USER) return L"";
  return Lower((key == HKEY_LOCAL_MACHINE ? L"hklm\\" : L"hkcu\\") + Widen(subKey ? subKey : ""));
}

}  // namespace

// A value of `type` holding `chars` (NULs included) as bytes.
static RegValue WideValue(DWORD type, const std::wstring& chars) {
  const auto* bytes = reinterpret_cast<const BYTE*>(chars.data());
  return RegValue{type, std::vector<BYTE>(bytes, bytes + chars.size() * sizeof(wchar_t))};
}

void SimWindows::SetRegString(const std::wstring& key, const std::wstring& name,
                              const std::wstring& text) {
  registry[Lower(key)][Lower(name)] = WideValue(REG_SZ, text + L'\0');
}

void SimWindows::SetRegMultiSz(const std::wstring& key, const std::wstring& name,
                               const std::vector<std::wstring>& strings) {
  std::wstring joined;
  for (const auto& s : strings) joined.append(s).push_back(L'\0');
  registry[Lower(key)][Lower(name)] = WideValue(REG_MULTI_SZ, joined + L'\0');
}

bool SimWindows::HasRegValue(const std::wstring& key, const std::wstring& name) const {
  auto found = registry.find(Lower(key));
  return found != registry.end() && found->second.count(Lower(name)) != 0;
}

LSTATUS SimWindows::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                  PHKEY result) {
  const LastErrorKept kept(*this);
  if (Fault("RegOpenKeyExA")) return static_cast<LSTATUS>(GetLastError());
  // ulOptions: "zero or REG_OPTION_OPEN_LINK".
  if (options != 0 && options != REG_OPTION_OPEN_LINK) return ERROR_INVALID_PARAMETER;
  const std::wstring path = KeyPath(key, subKey);
  if (path.empty() || registry.count(path) == 0) return ERROR_FILE_NOT_FOUND;
  *result = static_cast<HKEY>(NewHandle(HandleKind::kRegKey, path, access));
  return ERROR_SUCCESS;
}

// RegQueryValueExW: "lpReserved: This parameter is reserved and must be NULL"; "lpcbData can be
// NULL only if lpData is NULL".
LSTATUS SimWindows::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                                     LPBYTE data, LPDWORD size) {
  const LastErrorKept kept(*this);
  HandleEntry* entry = Fault("RegQueryValueExW") ? nullptr : Checked(key, "RegQueryValueExW");
  if (!entry) return static_cast<LSTATUS>(GetLastError());
  if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  auto& values = registry[entry->name];
  auto found = values.find(Lower(valueName ? valueName : L""));
  if (found == values.end()) return ERROR_FILE_NOT_FOUND;
  const RegValue& value = found->second;
  if (type) *type = value.type;
  const DWORD bytes = static_cast<DWORD>(value.data.size());
  const bool fits = size && *size >= bytes;
  if (size) *size = bytes;
  if (!data) return ERROR_SUCCESS;
  if (!fits) return ERROR_MORE_DATA;
  std::memcpy(data, value.data.data(), bytes);
  return ERROR_SUCCESS;
}

LSTATUS SimWindows::RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type,
                                   const BYTE* data, DWORD size) {
  const LastErrorKept kept(*this);
  HandleEntry* entry = Fault("RegSetValueExW") ? nullptr : Checked(key, "RegSetValueExW");
  if (!entry) return static_cast<LSTATUS>(GetLastError());
  // RegSetValueExW (learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regsetvalueexw):
  // "Reserved: This parameter is reserved and must be zero."
  if (reserved != 0) return ERROR_INVALID_PARAMETER;
  registry[entry->name][Lower(valueName ? valueName : L"")] =
      RegValue{type, std::vector<BYTE>(data, data + size)};
  return ERROR_SUCCESS;
}

LSTATUS SimWindows::RegDeleteValueA(HKEY key, LPCSTR valueName) {
  const LastErrorKept kept(*this);
  HandleEntry* entry = Fault("RegDeleteValueA") ? nullptr : Checked(key, "RegDeleteValueA");
  if (!entry) return static_cast<LSTATUS>(GetLastError());
  const bool erased = registry[entry->name].erase(Lower(Widen(valueName ? valueName : ""))) != 0;
  return erased ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LSTATUS SimWindows::RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD,
                                    REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD) {
  const LastErrorKept kept(*this);
  if (Fault("RegCreateKeyExA")) return static_cast<LSTATUS>(GetLastError());
  if (reserved != 0) return ERROR_INVALID_PARAMETER;  // "Reserved; must be zero."
  const std::wstring path = KeyPath(key, subKey);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  registry[path];
  *result = static_cast<HKEY>(NewHandle(HandleKind::kRegKey, path, access));
  return ERROR_SUCCESS;
}

LSTATUS SimWindows::RegFlushKey(HKEY key) {
  const LastErrorKept kept(*this);
  const bool done = !Fault("RegFlushKey") && Checked(key, "RegFlushKey");
  return done ? ERROR_SUCCESS : static_cast<LSTATUS>(GetLastError());
}

LSTATUS SimWindows::RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  const LastErrorKept kept(*this);
  if (Fault("RegDeleteKeyA")) return static_cast<LSTATUS>(GetLastError());
  return registry.erase(KeyPath(key, subKey)) != 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LSTATUS SimWindows::RegCloseKey(HKEY key) {
  const LastErrorKept kept(*this);
  Fault("RegCloseKey");
  return CloseOf(key, {HandleKind::kRegKey}) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace qv::sim
