// The log window: caption by error count, the whole log in control 1001, Close and Esc alike.
#include "log/log_window.h"

#include <gtest/gtest.h>

#include "core/install_context.h"
#include "log/install_log.h"
#include "scenario.h"

namespace qv {
namespace {

class LogWindowTest : public ::testing::Test {
 protected:
  sim::SimWindows sim;
  ScopedWindowsApi scope{sim};
  InstallContext ctx;
};

TEST_F(LogWindowTest, ErrorRunShowsEveryLineUnderTheErrorCaption) {
  LogLine(ctx, L"Quintavera %d", 2629);
  sim.SetLastError(0);
  LogError(ctx, 6, L"Can`t retrieve printer driver directory.");
  LogError(ctx, 7, L"Can`t retrieve system directory.");
  HWND owner = sim.AddWindow(L"Setup", L"Setup").hwnd;
  ShowLogWindow(ctx, owner);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install error log!");
  EXPECT_EQ(sim.dialog.text,
            L"Quintavera 2629\r\nError(6): Can`t retrieve printer driver directory.\r\n"
            L"Error(7): Can`t retrieve system directory.\r\n");
  EXPECT_EQ(sim.dialog.owner, owner);
  EXPECT_EQ(sim.dialog.result, 1);
}

TEST_F(LogWindowTest, CleanRunCaptionAndEscape) {
  sim.escClosesDialog = true;
  ShowLogWindow(ctx, nullptr);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install log.");
  EXPECT_EQ(sim.dialog.text, L"");
  EXPECT_EQ(sim.dialog.result, 0);
}

}  // namespace
}  // namespace qv
