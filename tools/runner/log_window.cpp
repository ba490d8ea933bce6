// Finding, reading and closing the installer's log window from another process.
#include "log_window.h"

#include <cwchar>
#include <vector>

namespace qvrun {
namespace {

constexpr UINT kMessageTimeoutMs = 5000;
constexpr LRESULT kMaxTextLength = 16 * 1024 * 1024;  // characters

struct WindowSearch {
  DWORD processId;
  HWND found;
};

bool IsDialogClass(HWND window) {
  wchar_t className[16] = {};
  const int length = ::GetClassNameW(window, className, 16);
  return length > 0 && std::wcscmp(className, L"#32770") == 0;
}

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !::IsWindowVisible(window) || !IsDialogClass(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// WM_GETTEXT across processes, sized with WM_GETTEXTLENGTH and bounded by a time-out.
bool ReadWindowText(HWND window, std::wstring& text) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                             &length)) {
    return false;
  }
  if (static_cast<LRESULT>(length) > kMaxTextLength) length = kMaxTextLength;
  std::vector<wchar_t> buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied)) {
    return false;
  }
  if (copied > length) copied = length;
  text.assign(buffer.data(), copied);
  return true;
}

}  // namespace

HWND FindLogWindow(DWORD processId) {
  WindowSearch search = {processId, nullptr};
  ::EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool ReadLogWindow(HWND window, LogWindowText& content) {
  HWND field = ::GetDlgItem(window, kLogTextId);
  if (!ReadWindowText(window, content.caption)) return false;
  content.text.clear();
  return !field || ReadWindowText(field, content.text);
}

void CloseLogWindow(HWND window) {
  HWND button = ::GetDlgItem(window, IDOK);
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace qvrun
