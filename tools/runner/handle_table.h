// Counting a process's handles in the system's handle table, for systems whose
// GetProcessHandleCount reports nothing (Wine 8 answers 0).
#pragma once

#include <windows.h>

namespace qvrun {

// The number of open handles of `processId`; 0 when the table cannot be read.
DWORD CountHandlesInSystemTable(DWORD processId);

}  // namespace qvrun
