// The log window: caption by error count, the whole log shown, Close, Esc and the close box alike.
#include "log/log_window.h"

#include <gtest/gtest.h>

#include "context/install_context.h"
#include "log/install_log.h"
#include "scenario.h"

namespace qv {
namespace {

TEST(LogWindowTest, CaptionByErrorCountClosedByEscCloseOrCloseBox) {
  sim::SimWindows sim;
  ScopedWindowsApi scope{sim};
  InstallContext ctx;
  sim.escClosesDialog = true;
  ShowLogWindow(ctx, nullptr);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install log.");
  EXPECT_EQ(sim.dialog.text, L"");
  EXPECT_EQ(sim.dialog.result, 0);
  sim.closeBoxClosesDialog = true;  // left to the dialog manager, as Esc
  ShowLogWindow(ctx, nullptr);
  EXPECT_EQ(sim.dialog.result, 0);
  sim.closeBoxClosesDialog = false;
  sim.SetLastError(0);
  LogError(ctx, 6, L"Can`t retrieve printer driver directory.");
  sim.escClosesDialog = false;
  ShowLogWindow(ctx, nullptr);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install error log!");
  EXPECT_EQ(sim.dialog.text, L"Error(6): Can`t retrieve printer driver directory.\r\n");
  EXPECT_EQ(sim.dialog.result, 1);
}

}  // namespace
}  // namespace qv
