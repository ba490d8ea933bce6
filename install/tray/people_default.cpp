// The default printer requested for people: written by a deployment run, carried out by each
// person's tray program.
#include "tray/people_default.h"

#include <cwchar>

#include "os/scoped_handles.h"

namespace qv {
namespace {

constexpr char kTrayKey[] = "SOFTWARE\\Orbelin\\Quintavera\\Tray";
constexpr wchar_t kRequestValue[] = L"DefaultPrinter";
constexpr wchar_t kAppliedValue[] = L"DefaultPrinterApplied";
using PrinterName = wchar_t[kRequestedNameChars];

// A REG_SZ of at most 259 characters; empty when absent, of another type or too long.
void ReadName(HKEY root, const wchar_t* value, PrinterName& name) {
  name[0] = L'\0';
  ScopedRegKey key;
  if (Os().RegOpenKeyExA(root, kTrayKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  DWORD type = 0;
  DWORD bytes = sizeof(PrinterName) - sizeof(wchar_t);
  if (Os().RegQueryValueExW(key.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(name),
                            &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    name[0] = L'\0';
    return;
  }
  name[bytes / sizeof(wchar_t)] = L'\0';
}

void WriteName(HKEY root, const wchar_t* value, const wchar_t* name) {
  ScopedRegKey key;
  if (Os().RegCreateKeyExA(root, kTrayKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                           nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const auto bytes = static_cast<DWORD>((std::wcslen(name) + 1) * sizeof(wchar_t));
  Os().RegSetValueExW(key.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(name), bytes);
}

}  // namespace

void ReadDefaultRequest(PrinterName& printerName) {
  ReadName(HKEY_LOCAL_MACHINE, kRequestValue, printerName);
}

void RequestDefaultForPeople(const wchar_t* printerName) {
  WriteName(HKEY_LOCAL_MACHINE, kRequestValue, printerName);
}

void WithdrawDefaultRequest() { Os().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTrayKey); }

bool ApplyRequestedDefault() {
  PrinterName requested;
  PrinterName applied;
  ReadName(HKEY_LOCAL_MACHINE, kRequestValue, requested);
  ReadName(HKEY_CURRENT_USER, kAppliedValue, applied);
  if (requested[0] == L'\0' || std::wcscmp(requested, applied) == 0) return false;
  if (!Os().SetDefaultPrinterW(requested)) return false;  // tried again at the next log-on
  WriteName(HKEY_CURRENT_USER, kAppliedValue, requested);
  return true;
}

}  // namespace qv
