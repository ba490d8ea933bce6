// The layer handed on to child processes (the setup program's installer, the installer's tray
// program), loaded the way qvrun loads it into the program it starts.
#include "child_processes.h"

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

}  // namespace

void SetLayerModule(HMODULE layer) { g_layer = layer; }

BOOL WINAPI CompatCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                                 LPSECURITY_ATTRIBUTES processAttributes,
                                 LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                 DWORD flags, LPVOID environment, LPCWSTR directory,
                                 LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
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
