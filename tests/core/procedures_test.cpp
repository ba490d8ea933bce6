// The plans: headings and indents of install and uninstall runs, the log window rule, and the
// exit codes from the error count.
#include "core/procedures.h"

#include <gtest/gtest.h>

#include "scenario.h"

namespace qv {
namespace {

using Lines = std::vector<std::wstring>;

class ProceduresTest : public sim::Scenario {
 protected:
  void SetUp() override { StagePackage(); }
  static Lines Head(const Lines& lines, size_t count) {
    return Lines(lines.begin(), lines.begin() + std::min(count, lines.size()));
  }
};

TEST_F(ProceduresTest, InstallLogOpensWithContextThenReinstallThenUninstall) {
  const Lines log = RunAndReadLog(L"install");
  EXPECT_EQ(Head(log, 9),
            (Lines{L"Quintavera 2629", L"#Check Spooler",
                   L"PrinterDriverDirectory:C:\\windows\\system32\\spool\\drivers\\x64\\",
                   L"##0010", L"#ReInstall", L"    #UnInstall", L"      EnumMonitors",
                   L"      1. EnumMonitors returns true", L"      0 Monitors found."}));
  EXPECT_EQ(log.back().find(L"##0020"), std::wstring::npos);  // written after the window
  ExpectAllReleased();
}

TEST_F(ProceduresTest, UninstallLogHasNoMarkersAndStartsAtLevelZero) {
  const Lines log = RunAndReadLog(L"uninstall");
  EXPECT_EQ(
      Head(log, 9),
      (Lines{L"Quintavera 2629", L"#Check Spooler",
             L"PrinterDriverDirectory:C:\\windows\\system32\\spool\\drivers\\x64\\", L"#UnInstall",
             L"  EnumMonitors", L"  1. EnumMonitors returns true", L"  0 Monitors found.",
             L"  EnumPrinterDrivers for Windows x64", L"  0 drivers found"}));
  for (const auto& line : log) EXPECT_EQ(line.find(L"##00"), std::wstring::npos);
  ExpectAllReleased();
}

// An error line opens the window on its own and gives 100; Shift is then not even asked.
TEST_F(ProceduresTest, ErrorsShowTheLogAndGiveHundred) {
  sim.FailNext("GetSystemDirectoryW", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Run(L"install"), 100);
  EXPECT_TRUE(sim.dialog.shown);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install error log!");
  EXPECT_EQ(sim.CallCount("GetAsyncKeyState"), 0);
  ExpectAllReleased();
}

TEST_F(ProceduresTest, CleanRunShowsNothingUnlessShiftIsHeld) {
  const int code = Run(L"uninstall");
  EXPECT_FALSE(sim.dialog.shown);
  EXPECT_EQ(sim.CallCount("GetAsyncKeyState"), 1);
  EXPECT_EQ(code, 2);
  sim.shiftDown = true;
  sim.escClosesDialog = true;
  EXPECT_EQ(Run(L"uninstall"), 2);
  EXPECT_EQ(sim.dialog.caption, L"Quintavera build 2629- Install log.");
}

}  // namespace
}  // namespace qv
