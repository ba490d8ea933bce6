// The layer handed on to child processes (the setup program's installer, the installer's tray
// program), loaded the way qvrun loads it into the program it starts.
#include "child_processes.h"

#include <cwchar>
#include <string>

#include "remote_library.h"

namespace qvcompat {
namespace {

constexpr DWORD kLoadTimeoutMs = 30000;

HMODULE g_layer = nullptr;

std::wstring LayerPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(g_layer, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// A 64-bit layer cannot go into a 32-bit child.
bool SameBitness(HANDLE child) {
  BOOL childWow64 = FALSE, ownWow64 = FALSE;
  return ::IsWow64Process(child, &childWow64) &&
         ::IsWow64Process(::GetCurrentProcess(), &ownWow64) && childWow64 == ownWow64;
}

// Wine 8's RemoveExistingProducts removes the older package with "msiexec /qn /i {code}
// REMOVE=..." and without UPGRADINGPRODUCTCODE, which Windows Installer sets for that removal (so
// the older package's actions know a newer one takes over). The layer gives it the value the
// scenario names in QV_COMPAT_UPGRADING_PRODUCT_CODE; every other command line stays as it is.
bool WithUpgradingProductCode(LPCWSTR commandLine, std::wstring& mended) {
  static const wchar_t kWineRemoval[] = L"msiexec /qn /i {";
  wchar_t code[64];
  const DWORD length = ::GetEnvironmentVariableW(L"QV_COMPAT_UPGRADING_PRODUCT_CODE", code, 64);
  if (!commandLine || length == 0 || length >= 64) return false;
  const std::wstring line(commandLine);
  if (line.compare(0, wcslen(kWineRemoval), kWineRemoval) != 0 ||
      line.find(L" REMOVE=") == std::wstring::npos ||
      line.find(L"UPGRADINGPRODUCTCODE=") != std::wstring::npos) {
    return false;
  }
  mended = line + L" UPGRADINGPRODUCTCODE=" + std::wstring(code, length);
  return true;
}

}  // namespace

void SetLayerModule(HMODULE layer) { g_layer = layer; }

BOOL WINAPI CompatCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                                 LPSECURITY_ATTRIBUTES processAttributes,
                                 LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                 DWORD flags, LPVOID environment, LPCWSTR directory,
                                 LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
  std::wstring mended;
  if (WithUpgradingProductCode(commandLine, mended)) commandLine = &mended[0];
  const std::wstring layer = LayerPath();
  if (layer.empty() || !info) {
    return ::CreateProcessW(application, commandLine, processAttributes, threadAttributes,
                            inheritHandles, flags, environment, directory, startup, info);
  }
  if (!::CreateProcessW(application, commandLine, processAttributes, threadAttributes,
                        inheritHandles, flags | CREATE_SUSPENDED, environment, directory, startup,
                        info)) {
    return FALSE;
  }
  if (SameBitness(info->hProcess) &&
      qvtools::LoadLibraryInto(info->hProcess, layer, kLoadTimeoutMs) ==
          qvtools::RemoteLoad::kTimedOut) {
    ::CloseHandle(info->hThread);  // the child has been ended: never left suspended behind us
    ::CloseHandle(info->hProcess);
    *info = PROCESS_INFORMATION{};
    ::SetLastError(ERROR_TIMEOUT);
    return FALSE;
  }
  if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(info->hThread);
  return TRUE;
}

}  // namespace qvcompat
