// The product driver: adding it from the staged files, listing and deleting it on uninstall.
#include "printer_machine.h"
#include "printers/printer_driver.h"
#include "program/run_setup.h"

namespace qv::sim {
namespace {

class Driver : public PrinterMachine {
 protected:
  Driver() {
    StagePackage();
    AddProductMonitor(sim, 2629);
  }
  static std::wstring Staged(const wchar_t* file) { return std::wstring(kDriverDir) + file; }
};

// A package without its help file: a copy error (its one error opens the log window), and the
// driver added without one.
TEST_F(Driver, AMissingHelpFileLeavesTheDriverWithoutOne) {
  sim.files.erase(Lower(std::wstring(kSetupDir) + L"orbhelp.chm"));
  EXPECT_EQ(Run(L"install"), 100);
  EXPECT_TRUE(sim.dialog.shown);
  ASSERT_EQ(sim.drivers.size(), 1u);
  EXPECT_EQ(sim.drivers[0].helpFile, L"");
}

TEST_F(Driver, RefusedAddIsError13AndUndeletableCopiesArePending) {
  sim.FailNext("AddPrinterDriverExW", 1, ERROR_ACCESS_DENIED);
  sim.FailAlways("DeleteFileW", ERROR_ACCESS_DENIED);
  InstallContext ctx;
  InitInstallContext(ctx, kSetupX64);
  ctx.is64 = false;
  ctx.environment = L"Windows NT x86";
  InstallDriver(ctx);
  const auto lines = SplitLines(ctx.logText.Text());
  EXPECT_GT(
      LineOf(lines, L"Error(13): Can`t install a Win32 printer driver 'Quintavera printer'", true),
      LineOf(lines, L"#Add Printer Driver Win32"));
  std::vector<std::wstring> pending;
  for (FileNameNode* n = ctx.pendingDeletes.head; n; n = n->next) pending.push_back(n->name);
  EXPECT_EQ(pending, (std::vector<std::wstring>{Staged(L"orbhelp.chm"), Staged(L"orbui64.dll"),
                                                Staged(L"orbdrv64.dll")}));
  FreeInstallContext(ctx);
  ExpectAllReleased();
}

// Only the driver named exactly is deleted; refused once, it goes after a spooler restart; refused
// twice, it stays and the run ends with error 14.
TEST_F(Driver, UninstallFindsTheDriverByItsExactNameAndRetriesARefusalOnce) {
  for (const int refusals : {1, 2}) {
    SCOPED_TRACE(refusals);
    for (const wchar_t* name : {L"quintavera printer", L"Quintavera printer2"})
      sim.drivers.push_back(SimDriver{name, L"Windows x64", {}, {}, {}, {}});
    AddDriver(kProductDriver);
    sim.FailNext("DeletePrinterDriverExW", refusals, ERROR_PRINTER_DRIVER_IN_USE);
    int code = 0;
    const auto lines = Trimmed(RunAndReadLog(L"uninstall", &code));
    const int index = LineOf(lines, L"Driver is found. Index=3");
    ASSERT_GE(index, 0);
    EXPECT_EQ(lines.at(index + 1), L"Can't delete driver. Trying to restart spooler");
    EXPECT_TRUE(sim.SpoolerRunning());
    EXPECT_EQ(sim.drivers.size(), refusals == 1 ? 2u : 3u);
    const int error =
        LineOf(lines, L"Error(14): Can`t remove the printer-driver 'Quintavera printer'", true);
    EXPECT_EQ(code, refusals == 1 ? 2 : 100);
    EXPECT_EQ(error > index, refusals == 2);
    EXPECT_EQ(sim.FileExists(std::wstring(kStoreDir) + L"orbdrv64.dll"), refusals == 2);
    sim.drivers.clear();
  }
  AddDriver(kProductDriver);  // the only driver: listed all the same
  const auto lines = Trimmed(RunAndReadLog(L"uninstall"));
  EXPECT_GE(LineOf(lines, L"------------ 1 existing drivers-----------"), 0);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
