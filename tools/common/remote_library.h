// Loading a DLL into another (suspended) process through a remote LoadLibraryW thread.
#pragma once

#include <windows.h>

#include <string>

namespace qvtools {

enum class RemoteLoad { kLoaded, kFailed, kTimedOut };

// Loads `dllPath` into `process` and waits up to `timeoutMs` for LoadLibraryW to return. On
// kTimedOut the process has been ended (exit code 255), since its loader thread could still read
// the argument block.
RemoteLoad LoadLibraryInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs);

}  // namespace qvtools
