// Redirecting one imported function of a loaded module through its import address table.
#pragma once

#include <windows.h>

namespace qvcompat {

// Points every import address table slot of `module` that imports `function` by name at
// `replacement`. Returns the number of slots changed.
int PatchImport(HMODULE module, const char* function, const void* replacement);

}  // namespace qvcompat
