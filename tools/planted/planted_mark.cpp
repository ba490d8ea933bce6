// A DLL that must never be loaded: planted beside the installer under a system DLL's name, it
// leaves a file as its mark when any process loads it. Built once per name (PLANTED_MARK); the
// winspool.drv copy also answers ClosePrinter (planted_winspool.def) and fails it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE mark = ::CreateFileW(PLANTED_MARK, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) ::CloseHandle(mark);
  }
  return TRUE;
}

extern "C" BOOL WINAPI PlantedClosePrinter(HANDLE) {
  ::SetLastError(ERROR_PROC_NOT_FOUND);
  return FALSE;
}
