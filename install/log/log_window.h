// The log window: the run's whole log in a modal dialog (template 101), the program's only
// visible surface. Read once when it opens; closing it changes nothing of the run's outcome.
#pragma once

#include <windows.h>

namespace qv {

struct InstallContext;

// Shows the log of `ctx` owned by `owner` (may be none) and waits until it is closed.
void ShowLogWindow(InstallContext& ctx, HWND owner);
INT_PTR CALLBACK LogDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
