// The installer's log window as the runner sees it from outside: found, read and closed.
#pragma once

#include <windows.h>

#include <string>

namespace qvrun {

constexpr int kLogTextId = 1001;

struct LogWindowText {
  std::wstring caption;
  std::wstring text;
};

// The first visible top-level dialog (class "#32770") of process `processId`, or null.
HWND FindLogWindow(DWORD processId);

// Reads the caption and the whole text of the log field; false when the window went away.
bool ReadLogWindow(HWND window, LogWindowText& content);

// Presses "Close" (IDOK) the way a click on the button would.
void CloseLogWindow(HWND window);

}  // namespace qvrun
