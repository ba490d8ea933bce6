// The product driver: adding it from the staged files, listing and deleting it on uninstall.
#include "printer_machine.h"
#include "printers/printer_driver.h"
#include "program/run_setup.h"

namespace qv::sim {
namespace {

class Driver : public PrinterMachine {
 protected:
  Driver() {
    StageProductPackage(sim);
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
  ctx.driverDir.Clear();  // no driver directory: nothing is staged where the installer runs
  InstallDriver(ctx);
  EXPECT_EQ(Trimmed(SplitLines(ctx.logText.Text())).back(),
            L"No printer driver directory, nothing to stage");
  FreeInstallContext(ctx);
  ExpectAllReleased();
}

// Only the driver named exactly is the product's; a refused deletion is tried once more after a
// spooler restart, and refused again it is error 14.
TEST_F(Driver, UninstallFindsTheDriverByItsExactNameAndRetriesARefusalOnce) {
  AddDriver(kProductDriver);  // alone: listed all the same
  EXPECT_GE(LineOf(RunAndReadLog(L"uninstall"), L"------------ 1 existing drivers-----------"), 0);
  for (const int refusals : {1, 2}) {
    SCOPED_TRACE(refusals);
    for (const wchar_t* name : {L"quintavera printer", L"Quintavera printer2"})
      sim.drivers.push_back(SimDriver{name, L"Windows x64", {}, {}, {}, {}});
    AddDriver(kProductDriver);
    sim.FailNext("DeletePrinterDriverExW", refusals, ERROR_PRINTER_DRIVER_IN_USE);
    int code = 0;
    const std::vector<std::wstring> lines = Trimmed(RunAndReadLog(L"uninstall", &code));
    const int index = LineOf(lines, L"Driver is found. Index=3");
    ASSERT_GE(index, 0);
    EXPECT_EQ(lines.at(index + 1), L"Can't delete driver. Trying to restart spooler");
    EXPECT_EQ(lines.at(index + 2), L"#Restart Spooler");
    EXPECT_EQ(code, refusals == 1 ? 2 : 100);
    EXPECT_EQ(LineOf(lines, L"Error(14): Can`t remove the printer-driver 'Quintavera printer' - (",
                     true) > index, refusals == 2);
    sim.drivers.clear();
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
