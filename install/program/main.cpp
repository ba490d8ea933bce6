// The installer's process entry: harden DLL loading, store the instance, run the command.
#include <windows.h>

#include "context/install_context.h"
#include "program/command_line.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // No DLL beside the installer may stand in for a system DLL.
  qv::Os().SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  qv::g_instance = instance;
  return qv::RunCommandLine();
}
