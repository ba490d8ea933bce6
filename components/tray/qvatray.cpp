// qvatray.exe: the Quintavera tray program.
//
// Its duty is to show that Quintavera is there: the product icon in the notification area, with
// the tooltip "Quintavera" and a right-click menu whose "Close" ends the program. It runs as the
// person logged on (started by their log-on entry, or by an install in their session) and, as
// their agent, makes the product printer their default once when a deployment account asked for
// it (see install/tray/people_default.h). It meets the installer only through these names:
//   - while it runs it owns the named mutex kMutexName of its session (created owned, released
//     when it ends);
//   - it has a hidden top-level window of the class kWindowClass (FindWindowW in its session finds
//     it);
//   - the message 0x0402 (WM_USER + 2) posted to that window ends it cleanly: the icon is
//     removed, the mutex is released and closed;
//   - the end-session request of the Restart Manager (WM_QUERYENDSESSION, then WM_ENDSESSION),
//     with which an installer of another session closes it, ends it the same way.
// A second copy, started while one runs in the session, finds the mutex there and ends at once.
// When the notification area cannot take the icon (no shell, Wine's null graphics driver) the
// program keeps running all the same. When the taskbar starts again (Explorer restarted) the icon
// is added again: its "TaskbarCreated" broadcast is let through to an elevated copy.
#include <windows.h>
#include <shellapi.h>

#include "qvatray_res.h"
#include "tray/people_default.h"

namespace {

constexpr wchar_t kMutexName[] = L"{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr wchar_t kTip[] = L"Quintavera";
constexpr UINT kCloseMessage = WM_USER + 2;  // 0x0402, from the installer
constexpr UINT kNotifyMessage = WM_APP + 1;  // notification-area callbacks
constexpr UINT kIconId = 1;
constexpr UINT kMenuClose = 1001;

HINSTANCE g_instance = nullptr;
HICON g_icon = nullptr;
UINT g_taskbarCreated = 0;  // sent to top-level windows when the shell's taskbar (re)starts
bool g_iconShown = false;

void FillIconData(HWND hwnd, NOTIFYICONDATAW* nid) {
  ZeroMemory(nid, sizeof(*nid));
  nid->cbSize = sizeof(*nid);
  nid->hWnd = hwnd;
  nid->uID = kIconId;
}

void AddTrayIcon(HWND hwnd) {
  NOTIFYICONDATAW nid;
  FillIconData(hwnd, &nid);
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = kNotifyMessage;
  nid.hIcon = g_icon;
  lstrcpynW(nid.szTip, kTip, ARRAYSIZE(nid.szTip));
  // Without a notification area this fails; the program goes on without its icon.
  g_iconShown = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void RemoveTrayIcon(HWND hwnd) {
  if (!g_iconShown) return;
  NOTIFYICONDATAW nid;
  FillIconData(hwnd, &nid);
  Shell_NotifyIconW(NIM_DELETE, &nid);
  g_iconShown = false;
}

void ShowMenu(HWND hwnd) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, kMenuClose, L"Close");
  POINT pt;
  GetCursorPos(&pt);
  // The documented dance for notification-area menus: be foreground while the menu is up, and
  // post a harmless message afterwards so that it closes when the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  UINT cmd = TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0,
                            hwnd, nullptr);
  PostMessageW(hwnd, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (cmd == kMenuClose) DestroyWindow(hwnd);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      AddTrayIcon(hwnd);
      return 0;
    case kCloseMessage:
      DestroyWindow(hwnd);
      return 0;
    case kNotifyMessage:
      if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) ShowMenu(hwnd);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kMenuClose) DestroyWindow(hwnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing to save: it may always end
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      RemoveTrayIcon(hwnd);
      PostQuitMessage(0);
      return 0;
    default:
      if (g_taskbarCreated != 0 && msg == g_taskbarCreated) {
        g_iconShown = false;  // the new taskbar has no icons: add ours again
        AddTrayIcon(hwnd);
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// Started by a person's elevated install, the program runs elevated, and Windows drops messages
// that a less privileged process such as Explorer sends it unless they are let through. Bound at
// run time: the filter call is missing where there is no such isolation.
void AllowTaskbarCreated(HWND hwnd) {
  using ChangeFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto change = reinterpret_cast<ChangeFilterFn>(reinterpret_cast<void*>(
      user32 ? GetProcAddress(user32, "ChangeWindowMessageFilterEx") : nullptr));
  if (change != nullptr && g_taskbarCreated != 0) {
    change(hwnd, g_taskbarCreated, MSGFLT_ALLOW, nullptr);
  }
}

HICON LoadProductIcon(int size) {
  return static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(IDI_QVATRAY), IMAGE_ICON, size,
                                       size, LR_DEFAULTCOLOR));
}

int Run() {
  g_icon = LoadProductIcon(GetSystemMetrics(SM_CXSMICON));
  g_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

  WNDCLASSEXW wc;
  ZeroMemory(&wc, sizeof(wc));
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = g_instance;
  wc.hIcon = LoadProductIcon(GetSystemMetrics(SM_CXICON));
  wc.hIconSm = g_icon;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kWindowClass;
  if (RegisterClassExW(&wc) == 0) return 2;

  // A hidden top-level window (never shown), not a message-only one, so that FindWindowW finds it
  // and the taskbar's broadcasts reach it.
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, kTip, WS_OVERLAPPED, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              g_instance, nullptr);
  if (hwnd == nullptr) return 3;
  AllowTaskbarCreated(hwnd);

  MSG msg;
  int result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(hwnd)) DestroyWindow(hwnd);  // GetMessage failed: still take the icon away
  return result == 0 ? static_cast<int>(msg.wParam) : 4;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_instance = instance;
  // Owned from the start: whoever waits on the mutex gets it only when this program lets go.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
  if (mutex == nullptr) return 1;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another copy runs (or the installer is closing one): this copy does not own the mutex.
    CloseHandle(mutex);
    return 0;
  }
  qv::ApplyRequestedDefault();
  int code = Run();
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  if (g_icon != nullptr) DestroyIcon(g_icon);
  return code;
}
