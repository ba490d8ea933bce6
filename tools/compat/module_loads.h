// Reaching every module of the process with an import patch: those loaded now and those loaded
// later (a Windows Installer custom action DLL is loaded long after its host process started).
#pragma once

#include <windows.h>

namespace qvcompat {

// Patches `function` in every loaded module but `except`; returns the slots changed.
int PatchLoadedModules(HMODULE except, const char* function, const void* replacement);

// Patches `function` in each module loaded from now on (ntdll's DLL load notifications); false
// when the notifications are not available. `function` and `replacement` must outlive the
// process.
bool PatchModulesAsTheyLoad(const char* function, const void* replacement);

}  // namespace qvcompat
