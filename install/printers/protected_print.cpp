// Windows protected print mode, read from the policy that turns it on.
#include "printers/protected_print.h"

#include "os/scoped_handles.h"

namespace qv {
namespace {

constexpr char kPolicyKey[] = "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
constexpr wchar_t kPolicyValue[] = L"WindowsProtectedPrintGroupPolicyState";
constexpr DWORD kEnabled = 1;

}  // namespace

bool ProtectedPrintModeOn() {
  ScopedRegKey key;
  if (Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE, state = 0, bytes = sizeof state;
  const LSTATUS status = Os().RegQueryValueExW(key.Get(), kPolicyValue, nullptr, &type,
                                               reinterpret_cast<BYTE*>(&state), &bytes);
  return status == ERROR_SUCCESS && type == REG_DWORD && bytes == sizeof state && state == kEnabled;
}

}  // namespace qv
