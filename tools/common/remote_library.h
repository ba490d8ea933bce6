// Loading a DLL into another (suspended) process through a remote LoadLibraryW thread.
#pragma once

#include <windows.h>

#include <string>

namespace qvtools {

enum class RemoteLoad { kLoaded, kFailed, kTimedOut };

// Loads `dllPath` into `process` and waits up to `timeoutMs` for LoadLibraryW to return. On
// kTimedOut the loader thread may still read its argument: the caller must end the process.
RemoteLoad LoadLibraryInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs);

}  // namespace qvtools
