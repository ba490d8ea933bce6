// A run's setup: file sets, directories and their separators, error lines 6 and 7.
#include "program/run_setup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scenario.h"

namespace qv {
namespace {

class RunSetup : public sim::Scenario {
 protected:
  std::vector<std::wstring> Lines() const { return SplitLines(ctx.logText.Text()); }
  InstallContext ctx;
};

// The flags choose the file set (the 64-bit one, with the tray, is in every whole-run log) and the
// tray; directories keep or gain their separator. A context set up again starts a log of its own
// and keeps nothing of the run before; directories it cannot read are errors 6 and 7.
TEST_F(RunSetup, FlagsChooseTheFilesDirectoriesKeepOrGainTheirSeparator) {
  sim.modulePath = L"C:/setup/x/inst.exe";
  sim.systemDirectory = L"C:\\windows\\system32\\";
  InitInstallContext(ctx, kSetupX64 | kSetupNoTray);
  EXPECT_FALSE(ctx.startTray);
  EXPECT_STREQ(ctx.moduleDir.Text(), L"C:/setup/x/");
  EXPECT_STREQ(ctx.systemDir.Text(), L"C:\\windows\\system32\\");
  sim.modulePath = L"inst.exe";
  PRINTER_INFO_2W earlier = {};
  earlier.pPrinterName = const_cast<LPWSTR>(L"Earlier");
  PushSavedSettings(ctx.savedSettings, earlier, "k");
  sim.FailNext("GetPrinterDriverDirectoryW", 1, ERROR_INVALID_ENVIRONMENT);
  sim.FailNext("GetSystemDirectoryW", 1, ERROR_ACCESS_DENIED);
  InitInstallContext(ctx, 0);
  EXPECT_TRUE(ctx.moduleDir.Empty());
  EXPECT_TRUE(ctx.driverDir.Empty());
  EXPECT_TRUE(ctx.systemDir.Empty());  // nothing of the run before is left
  EXPECT_EQ(ctx.savedSettings.head, nullptr);
  const std::vector<std::wstring> log = Lines();
  EXPECT_EQ(std::count(log.begin(), log.end(), L"Quintavera 2629"), 1);
  EXPECT_EQ(log.at(2),
            L"Error(6): Can`t retrieve printer driver directory. - (System message 1805.)");
  EXPECT_EQ(log.at(3), L"Error(7): Can`t retrieve system directory. - (System message 5.)");
  EXPECT_STREQ(ctx.environment, L"Windows NT x86");
  EXPECT_STREQ(ctx.driverFile, L"orbdrv32.dll");
  EXPECT_TRUE(ctx.startTray);
  // Paths of 259, 260 and 261 characters, one whose directory alone is longer than 260, and the
  // longest Windows has (32767): the first fills the first buffer, the others are asked again in
  // larger ones; one longer is no path: no directory.
  for (size_t length : {259u, 260u, 261u, 600u, 32767u, 32768u}) {
    const std::wstring dir = L"C:\\" + std::wstring(length - 17, L'd') + L"\\";
    sim.modulePath = dir + L"qvinstall.exe";
    InitInstallContext(ctx, kSetupX64);
    EXPECT_EQ(ctx.moduleDir.Text(), length < 32768 ? dir : L"") << length;
  }
}

// The default printer is asked three times: a spooler that answers at the third keeps the mark in
// the snapshot, one that never does loses it for this run alone.
TEST_F(RunSetup, TheDefaultPrinterIsAskedThreeTimes) {
  sim.AddPrinter(L"Quintavera", L"Quintavera printer", L"Quintavera:");
  sim.defaultPrinter = L"Quintavera";
  for (int failures : {2, 3}) {
    sim.FailNext("GetDefaultPrinterW", failures, RPC_S_SERVER_UNAVAILABLE);
    InitInstallContext(ctx, kSetupX64);
    ASSERT_EQ(ctx.printerSnapshot.count, 1u);
    EXPECT_EQ((ctx.printerSnapshot.entries()[0].Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0,
              failures < 3)
        << failures;
  }
  // A name that fills the first buffer of 255 characters, and one longer, asked again.
  for (size_t length : {254u, 255u}) {
    sim.printers.clear();
    sim.defaultPrinter = sim.AddPrinter(std::wstring(length, L'n'), L"Other", L"LPT1:").name;
    InitInstallContext(ctx, kSetupX64);
    EXPECT_NE(ctx.printerSnapshot.entries()[0].Attributes & PRINTER_ATTRIBUTE_DEFAULT, 0u);
  }
}

}  // namespace
}  // namespace qv
