// Reaching every module of the process with an import patch, now and as modules load.
#include "module_loads.h"

#include <psapi.h>

#include <vector>

#include "import_patch.h"

namespace qvcompat {
namespace {

// ntdll's DLL load notifications (documented for LdrRegisterDllNotification; not in the SDK
// headers MinGW ships).
struct DllNotificationData {
  ULONG flags;
  const void* fullDllName;  // UNICODE_STRING*
  const void* baseDllName;  // UNICODE_STRING*
  void* dllBase;
  ULONG sizeOfImage;
};
using DllNotification = VOID(CALLBACK*)(ULONG reason, const DllNotificationData* data,
                                        void* context);
using RegisterDllNotification = LONG(NTAPI*)(ULONG flags, DllNotification notification,
                                             void* context, void** cookie);
constexpr ULONG kDllLoaded = 1;

// kernel32 may export a function as a jump through its own import of kernelbase's: patching
// those two would send the layer's own call of the real function back into the layer.
bool IsSystemBase(HMODULE module) {
  return module == ::GetModuleHandleW(L"kernel32.dll") ||
         module == ::GetModuleHandleW(L"kernelbase.dll");
}

struct PendingPatch {
  const char* function;
  const void* replacement;
};
PendingPatch g_pending = {};

VOID CALLBACK OnDllNotification(ULONG reason, const DllNotificationData* data, void*) {
  if (reason != kDllLoaded || !data || !g_pending.function) return;
  if (IsSystemBase(static_cast<HMODULE>(data->dllBase))) return;
  PatchImport(static_cast<HMODULE>(data->dllBase), g_pending.function, g_pending.replacement);
}

}  // namespace

int PatchLoadedModules(HMODULE except, const char* function, const void* replacement) {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  HANDLE self = ::GetCurrentProcess();
  const DWORD bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
  if (!::EnumProcessModules(self, modules.data(), bytes, &needed)) return 0;
  if (needed > bytes) {
    modules.resize(needed / sizeof(HMODULE));
    if (!::EnumProcessModules(self, modules.data(), needed, &needed)) return 0;
  }
  modules.resize(needed / sizeof(HMODULE));
  int patched = 0;
  for (HMODULE module : modules) {
    if (module != except && !IsSystemBase(module))
      patched += PatchImport(module, function, replacement);
  }
  return patched;
}

bool PatchModulesAsTheyLoad(const char* function, const void* replacement) {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto registerNotification = reinterpret_cast<RegisterDllNotification>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "LdrRegisterDllNotification")));
  if (!registerNotification) return false;
  g_pending = PendingPatch{function, replacement};
  void* cookie = nullptr;  // kept for the life of the process
  return registerNotification(0, &OnDllNotification, nullptr, &cookie) >= 0;
}

}  // namespace qvcompat
