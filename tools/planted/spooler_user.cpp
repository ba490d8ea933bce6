// A DLL that imports winspool.drv, as many a shell extension or printer utility does: loaded into
// the installer before its first spooler call, it brings whatever winspool.drv the loader finds
// for it into the process (tests/e2e/planting.sh). Test-only.
#include <windows.h>
#include <winspool.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // Never true: keeps the import of winspool.drv without calling it.
  if (reason == 0xFFFF) ::ClosePrinter(nullptr);
  return TRUE;
}
