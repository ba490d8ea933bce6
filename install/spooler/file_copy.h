// Copying one product file from the installer's directory, with a bounded wait for a target that
// is still locked, reported as one log line.
#pragma once

#include <windows.h>

namespace qv {

struct InstallContext;

// Capacity, terminator included, of the callers' destPath buffers, and their type.
constexpr size_t kDestPathCapacity = 264;
using DestPath = wchar_t[kDestPathCapacity];

// Creates `path` for writing: up to 100 attempts 50 ms apart, giving up once more than 10 s have
// passed ("CreateFile - timeout"). Returns the handle or INVALID_HANDLE_VALUE.
HANDLE OpenForWriteWithTimeout(InstallContext& ctx, const wchar_t* path);

// Copies moduleDir\fileName to destDir\fileName through an 8192-byte buffer and logs the report
// "CopyFile <file> to <dir>)" with its outcome; with `logAsError` a failure is an error line.
// `destPath` (kDestPathCapacity characters, may be null) receives the target path; a target that
// does not fit is refused. Returns S_OK or E_FAIL.
HRESULT CopyProductFile(InstallContext& ctx, const wchar_t* destDir, const wchar_t* fileName,
                        wchar_t* destPath, bool logAsError);

}  // namespace qv
