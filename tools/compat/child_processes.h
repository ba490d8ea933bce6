// Carrying the layer into the processes that the program it is loaded into starts.
#pragma once

#include <windows.h>

namespace qvcompat {

// Remembers the layer's own module, whose file is loaded into every child.
void SetLayerModule(HMODULE layer);

// CreateProcessW whose child gets the layer before its first instruction runs: it is created
// suspended, the layer is loaded into it, and it is resumed unless the caller asked for it
// suspended. A child the layer refuses (nothing of it to patch) or cannot reach (32-bit) runs as
// it is; one that does not finish loading the layer in time is ended and the call fails.
BOOL WINAPI CompatCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                                 LPSECURITY_ATTRIBUTES processAttributes,
                                 LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                 DWORD flags, LPVOID environment, LPCWSTR directory,
                                 LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info);

}  // namespace qvcompat
