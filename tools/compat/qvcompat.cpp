// qvcompat.dll: loaded into the installer's process by the runner (qvrun --compat) under Wine,
// or into the setup program that starts the installer.
//
// The installer binds winspool.drv at run time through kernel32's GetProcAddress. Patching the
// main module's import of GetProcAddress lets this layer hand out its own AddPrinterW and
// DeletePrinterDriverExW; every other lookup is answered by the real GetProcAddress. Patching the
// import of CreateProcessW of every module, those loaded later included, carries the layer into
// every process the program starts, whichever module starts it (msiexec's msi.dll starts the
// custom action host, the custom action DLL it loads starts the installer). The main module's
// imports of the private-namespace calls, which Wine 8 lacks, go to the layer's own.
#include <windows.h>

#include <cstring>

#include "child_processes.h"
#include "import_patch.h"
#include "module_loads.h"
#include "private_namespaces.h"
#include "spooler_fixes.h"

namespace qvcompat {
namespace {

FARPROC AsProc(const void* function) {
  return reinterpret_cast<FARPROC>(const_cast<void*>(function));
}

FARPROC WINAPI CompatGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC real = ::GetProcAddress(module, name);
  if (!real || IS_INTRESOURCE(name)) return real;
  const DWORD error = ::GetLastError();
  const bool winspool = module == ::GetModuleHandleW(L"winspool.drv");
  ::SetLastError(error);
  if (!winspool) return real;
  if (std::strcmp(name, "AddPrinterW") == 0) {
    return AsProc(reinterpret_cast<const void*>(&CompatAddPrinterW));
  }
  if (std::strcmp(name, "DeletePrinterDriverExW") == 0) {
    return AsProc(reinterpret_cast<const void*>(&CompatDeletePrinterDriverExW));
  }
  return real;
}

}  // namespace
}  // namespace qvcompat

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    qvcompat::SetLayerModule(instance);
    HMODULE program = ::GetModuleHandleW(nullptr);
    const int spooler = qvcompat::PatchImport(
        program, "GetProcAddress", reinterpret_cast<const void*>(&qvcompat::CompatGetProcAddress));
    const void* createProcess = reinterpret_cast<const void*>(&qvcompat::CompatCreateProcessW);
    // Never the layer itself: its wrapper calls the real CreateProcessW.
    const int children = qvcompat::PatchLoadedModules(instance, "CreateProcessW", createProcess);
    const int namespaces = qvcompat::PatchPrivateNamespaces(program);
    // Refuse to load when there is nothing to patch, so the runner knows the layer is absent.
    if (spooler + children + namespaces == 0) return FALSE;
    qvcompat::PatchModulesAsTheyLoad("CreateProcessW", createProcess);
  }
  return TRUE;
}
