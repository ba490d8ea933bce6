// Closing the tray programs of every session through Windows' Restart Manager. It reaches every
// program started from the tray program's file, in any session, for an administrator or
// LocalSystem; it asks each to end (WM_QUERYENDSESSION and WM_ENDSESSION with ENDSESSION_CLOSEAPP)
// and, with RmForceShutdown, ends one that has not answered within its timeout (30 seconds).
#pragma once

#include <windows.h>

namespace qv {

// 0 when no program started from `trayPath` runs any more; else the Restart Manager's error
// (ERROR_FAIL_SHUTDOWN: one did not end).
DWORD ShutDownTraysOfEverySession(const wchar_t* trayPath);

}  // namespace qv
