// qvhelpwin: stands in for the product's help viewer in the Wine machine (tests only).
//
//   qvhelpwin.exe show [seconds]   a visible top-level window of the class "HH Parent" titled
//                                  "Quintavera Help"; ends when the window is closed
//                                  (WM_SYSCOMMAND/SC_CLOSE included), or after `seconds`
//                                  (default 120) with exit code 3
//   qvhelpwin.exe count            prints "help windows: N" and exits with N
#include <windows.h>

#include <cwchar>
#include <string>

#include "console_out.h"

namespace {

const wchar_t kClass[] = L"HH Parent";
const wchar_t kTitle[] = L"Quintavera Help";
const UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK HelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kLifetimeTimer) PostQuitMessage(3);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      // SC_CLOSE becomes WM_CLOSE, and WM_CLOSE becomes DestroyWindow.
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int ShowHelpWindow(HINSTANCE instance, UINT seconds) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = HelpWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClass;
  if (!RegisterClassW(&windowClass)) return 2;
  HWND window = CreateWindowExW(0, kClass, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
  if (!window) return 2;
  SetTimer(window, kLifetimeTimer, seconds * 1000, nullptr);
  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  if (IsWindow(window)) DestroyWindow(window);
  return static_cast<int>(message.wParam);
}

BOOL CALLBACK CountHelpWindow(HWND window, LPARAM lParam) {
  wchar_t className[64] = {}, title[64] = {};
  GetClassNameW(window, className, 64);
  GetWindowTextW(window, title, 64);
  if (wcscmp(className, kClass) == 0 && wcscmp(title, kTitle) == 0) ++*reinterpret_cast<int*>(lParam);
  return TRUE;
}

int CountHelpWindows() {
  int count = 0;
  EnumWindows(CountHelpWindow, reinterpret_cast<LPARAM>(&count));
  qvtools::PrintLine(L"help windows: " + std::to_wstring(count));
  return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring word = argc > 1 ? argv[1] : L"";
  if (word == L"count") return CountHelpWindows();
  if (word == L"show") {
    UINT seconds = argc > 2 ? static_cast<UINT>(wcstoul(argv[2], nullptr, 10)) : 120;
    return ShowHelpWindow(GetModuleHandleW(nullptr), seconds ? seconds : 120);
  }
  qvtools::PrintLine(L"usage: qvhelpwin.exe show [seconds] | count");
  return 253;
}
