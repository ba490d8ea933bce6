// The log window: the run's whole log in a modal dialog.
#include "log/log_window.h"

#include "base/wide_format.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/log_window_resources.h"

namespace qv {

void ShowLogWindow(InstallContext& ctx, HWND owner) {
  Os().DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_LOG_WINDOW), owner, LogDialogProc,
                       reinterpret_cast<LPARAM>(&ctx));
}

INT_PTR CALLBACK LogDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* ctx = reinterpret_cast<const InstallContext*>(lParam);
      Os().SetDlgItemTextW(window, IDC_LOG_TEXT, ctx->logText.Text());
      wchar_t caption[264];
      FormatWide(caption, 264, L"Quintavera build %d- Install%s",
                 {buildNumber, ctx->errorCount != 0 ? L" error log!" : L" log."});
      Os().SetWindowTextW(window, caption);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) Os().EndDialog(window, 1);
      if (LOWORD(wParam) == IDCANCEL) Os().EndDialog(window, 0);
      return 0;
    default:
      return 0;
  }
}

}  // namespace qv
