// The product driver: adding it from the staged files, listing and deleting it on uninstall.
#include "core/install_context.h"
#include "printer_machine.h"
#include "printers/printer_driver.h"

namespace qv::sim {
namespace {

class Driver : public PrinterMachine {
 protected:
  Driver() {
    StagePackage();
    AddProductMonitor(sim, 2629);
  }
  static std::wstring Staged(const wchar_t* file) { return std::wstring(kDriverDir) + file; }
  static std::wstring Stored(const wchar_t* file) { return std::wstring(kStoreDir) + file; }
};

TEST_F(Driver, InstallAddsTheDriverAndDeletesTheStagedCopies) {
  EXPECT_EQ(Run(L"install"), 1);

  const SimDriver* driver = sim.FindDriver(kProductDriver, L"Windows x64");
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->version, 3u);
  EXPECT_EQ(driver->driverPath, Stored(L"orbdrv64.dll"));
  EXPECT_EQ(driver->dataFile, Stored(L"orbdrv64.dll"));
  EXPECT_EQ(driver->configFile, Stored(L"orbui64.dll"));
  EXPECT_EQ(driver->helpFile, Stored(L"orbhelp.chm"));
  EXPECT_EQ(driver->manufacturer + L"|" + driver->provider, L"Orbelin|Orbelin");
  for (const wchar_t* file : {L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"}) {
    EXPECT_FALSE(sim.FileExists(Staged(file))) << file;
    EXPECT_TRUE(sim.FileExists(Stored(file))) << file;
  }
  ExpectAllReleased();
}

// Without the system and driver directories (errors 6 and 7) no product file is copied or deleted:
// bare file names would name files of the current directory, often the setup package's own.
TEST_F(Driver, ProductFilesUnderAMissingDirectoryAreLeftAlone) {
  sim.FailAlways("GetSystemDirectoryW", ERROR_NOT_ENOUGH_MEMORY);
  sim.FailAlways("GetPrinterDriverDirectoryW", ERROR_NOT_ENOUGH_MEMORY);
  const wchar_t* bare[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"};
  for (const wchar_t* file : bare) sim.AddFile(file, "current directory", 2629);
  for (const wchar_t* command : {L"install", L"uninstall"}) {
    EXPECT_EQ(Run(command), 100) << command;
    for (const wchar_t* file : bare) {
      ASSERT_TRUE(sim.FileExists(file)) << file;
      EXPECT_NE(sim.FindFile(file)->data.find("current directory"), std::string::npos) << file;
    }
  }
  ExpectAllReleased();
}

TEST_F(Driver, MissingUiDllAddsNothingAndLeavesTheStagedDriverDll) {
  sim.files.erase(Lower(std::wstring(kSetupDir) + L"orbui64.dll"));

  int code = 0;
  const auto lines = RunAndReadLog(L"install", &code);

  EXPECT_EQ(code, 100);
  EXPECT_EQ(sim.CallCount("AddPrinterDriverExW"), 0);
  EXPECT_TRUE(sim.FileExists(Staged(L"orbdrv64.dll")));
  for (const std::wstring& entry : sim.PendingRenames())
    EXPECT_EQ(entry.find(L"orbdrv64"), std::wstring::npos);
  EXPECT_EQ(LineOf(lines, L"Printer Driver x64 was added successfully"), -1);
  EXPECT_EQ(LineOf(lines, L"Error(13)", true), -1);
  const int heading = LineOf(lines, L"#Add Printer Driver x64");
  EXPECT_EQ(lines.at(heading + 3).find_first_not_of(L' '),
            lines.at(heading).find_first_not_of(L' '));
  ExpectAllReleased();
}

TEST_F(Driver, RefusedAddIsError13AndUndeletableCopiesArePending) {
  sim.FailNext("AddPrinterDriverExW", 1, ERROR_ACCESS_DENIED);
  {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    ctx.is64 = false;
    ctx.environment = L"Windows NT x86";
    sim.FailAlways("DeleteFileW", ERROR_ACCESS_DENIED);
    InstallDriver(ctx);
    const auto lines = SplitLines(ctx.logText.Text());
    EXPECT_GE(LineOf(lines, L"#Add Printer Driver Win32"), 0);
    EXPECT_GE(LineOf(lines, L"Error(13): Can`t install a Win32 printer driver 'Quintavera printer'",
                     true),
              0);
    std::vector<std::wstring> pending;
    for (FileNameNode* n = ctx.pendingDeletes.head; n; n = n->next) pending.push_back(n->name);
    EXPECT_EQ(pending, (std::vector<std::wstring>{Staged(L"orbhelp.chm"), Staged(L"orbui64.dll"),
                                                  Staged(L"orbdrv64.dll")}));
  }
  ExpectAllReleased();
}

TEST_F(Driver, UninstallListsTheDriversAndRestartsTheSpoolerOnceForARefusal) {
  for (const wchar_t* name : {L"quintavera printer", L"Quintavera printer2"}) {
    sim.drivers.emplace_back();
    sim.drivers.back().name = name;
    sim.drivers.back().environment = L"Windows x64";
  }
  AddDriver(kProductDriver);
  sim.FailNext("DeletePrinterDriverExW", 1, ERROR_PRINTER_DRIVER_IN_USE);

  int code = 0;
  const auto lines = RunAndReadLog(L"uninstall", &code);

  EXPECT_EQ(code, 2);
  const int heading = LineOf(lines, L"#DeletePrinterDriver for Windows x64");
  ASSERT_GE(heading, 0);
  const std::vector<std::wstring> expected = {
      L"  ------------ 3 existing drivers-----------",
      L"  1. quintavera printer",
      L"  2. Quintavera printer2",
      L"  3. Quintavera printer",
      L"  -------------------------------------------",
      L"  Driver is found. Index=3",
      L"  Can't delete driver. Trying to restart spooler",
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lines.at(heading + 1 + i),
              lines.at(heading).substr(0, lines.at(heading).find(L'#')) + expected[i]);
  }
  EXPECT_GT(LineOf(lines, L"OK :)"), heading);
  EXPECT_EQ(sim.spoolerService.stopRequests, 1);
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_EQ(sim.FindDriver(kProductDriver, L"Windows x64"), nullptr);
  EXPECT_FALSE(sim.FileExists(Stored(L"orbdrv64.dll")));
  EXPECT_FALSE(sim.FileExists(Stored(L"orbui64.dll")));
  ExpectAllReleased();
}

TEST_F(Driver, DeletionRefusedTwiceIsError14) {
  AddDriver(kProductDriver);
  sim.FailNext("DeletePrinterDriverExW", 2, ERROR_PRINTER_DRIVER_IN_USE);

  int code = 0;
  const auto lines = RunAndReadLog(L"uninstall", &code);

  EXPECT_EQ(code, 100);
  EXPECT_GE(LineOf(lines, L"Error(14): Can`t remove the printer-driver 'Quintavera printer'", true),
            0);
  EXPECT_NE(sim.FindDriver(kProductDriver, L"Windows x64"), nullptr);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
