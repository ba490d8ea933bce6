// The installer's process entry: store the instance, run the command (which hardens DLL loading
// before anything else).
#include <windows.h>

#include "context/install_context.h"
#include "program/command_line.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qv::g_instance = instance;
  return qv::RunCommandLine();
}
