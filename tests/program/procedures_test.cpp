// The plans: the whole logs of install and uninstall runs, the log window rule, the exit codes.
#include "program/procedures.h"

#include <gtest/gtest.h>

#include "program/command_line.h"
#include "scenario.h"

namespace qv {
namespace {

using Lines = std::vector<std::wstring>;
constexpr wchar_t kRecordKey[] = L"hklm\\software\\orbelin\\quintavera\\installer";
constexpr wchar_t kRequestKey[] = L"hklm\\software\\orbelin\\quintavera\\tray";

class ProceduresTest : public sim::Scenario {
 protected:
  void SetUp() override { StageProductPackage(sim); }
};

// A first install on a clean machine: nothing to remove, then monitor, driver and the default
// printer; the whole log as the plans write it.
TEST_F(ProceduresTest, FreshInstallWritesThePlannedLog) {
  int code = 0;
  const Lines log = RunAndReadLog(L"install", &code);
  EXPECT_EQ(
      log,
      (Lines{
          L"Quintavera 2629",
          L"#Check Spooler",
          L"PrinterDriverDirectory:C:\\windows\\system32\\spool\\drivers\\x64\\",
          L"##0010",
          L"#ReInstall",
          L"    #UnInstall",
          L"      EnumMonitors",
          L"      1. EnumMonitors returns true",
          L"      0 Monitors found.",
          L"      EnumPrinterDrivers for Windows x64",
          L"      0 drivers found",
          L"      #DeleteAllPrinters",
          L"      #DeletePrinterDriver for Windows x64",
          L"        BTW, there is no printer drivers on this system.",
          L"        No Quintavera driver (Windows x64)was found",
          L"      #DeleteMonitor",
          L"        BTW, there is no port monitors on this system.",
          L"        No Quintavera port monitor was found.",
          L"        Computing monitor filename",
          L"        Auto calculated monitor file name: "
          L"C:\\windows\\system32\\orbmon64.dll",
          L"        Version is unknown, proceed with reinstall",
          L"        Can't delete monitor and monitor was not found. So everything "
          L"should be ok",
          L"    #AddMonitor",
          L"      Copy monitor file",
          L"        CopyFile orbmon64.dll to C:\\windows\\system32\\)- OK",
          L"      AddMonitor - OK :)",
          L"    #Add Printer Driver x64",
          L"        CopyFile orbdrv64.dll to C:\\windows\\system32\\spool\\drivers\\x64\\)- OK",
          L"        CopyFile orbui64.dll to C:\\windows\\system32\\spool\\drivers\\x64\\)- OK",
          L"        CopyFile orbhelp.chm to C:\\windows\\system32\\spool\\drivers\\x64\\)- OK",
          L"      Printer Driver x64 was added successfully",
          L"    #AddPrinter(Quintavera)",
          L"      Let's check our port monitors",
          L"      Port monitor (Windows x64) is found",
          L"      OK :)",
      }));
  EXPECT_EQ(code, 1);
  ASSERT_NE(sim.FindPrinter(L"Quintavera"), nullptr);
  EXPECT_EQ(sim.FindPrinter(L"Quintavera")->port, L"Quintavera:");
  ExpectAllReleased();
}

// Under Windows protected print mode's policy an install changes nothing, not even the spooler's
// state, and says why, in the quiet mode's log file too; the policy turned off lets it through.
TEST_F(ProceduresTest, ProtectedPrintModeRefusesTheInstall) {
  MakeInstalledMachine(sim);
  sim.AddFile(sim::kMonitorDll, "monitor", 2600);  // older: removed while the spooler holds it
  for (const DWORD state : {1u, 0u}) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&state);
    sim.registry[L"hklm\\software\\policies\\microsoft\\windows nt\\printers\\wpp"]
                [L"windowsprotectedprintgrouppolicystate"] =
        sim::RegValue{REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof state)};
    sim.spoolerService.state = SERVICE_STOPPED;
    int code = 0;
    const Lines log = RunAndReadLog(L"install", &code);
    EXPECT_EQ(code, state ? 100 : 1);
    EXPECT_EQ(sim.SpoolerRunning(), state == 0);
    EXPECT_EQ(log.size() == 2 && log[1] ==
                                     L"Error(43): Windows protected print mode is on: Windows "
                                     L"admits no Quintavera printer driver or port monitor, "
                                     L"nothing was changed",
              state == 1);
    if (state == 1) {  // quiet, the refusal is in the log file
      EXPECT_EQ(Run(L"install /log=C:\\refused.log"), 100);
      EXPECT_NE(sim.FindFile(L"C:\\refused.log"), nullptr);
    } else {  // the monitor DLL the spooler held goes once it has restarted
      EXPECT_EQ(Trimmed(log).at(LineOf(log, L"#Restart Spooler") + 1), L"DeleteFile-try");
    }
  }
  ExpectAllReleased();
}

// Uninstalling an installed product: printers, driver, monitor removed in that order (a driver
// without a name listed as such); the monitor DLL the spooler still holds goes after one restart,
// so nothing waits for the reboot; a printer record left by a reinstall cut short goes too, its
// printers not re-created, and so does the request of a default printer for people.
TEST_F(ProceduresTest, UninstallRemovesPrintersDriverMonitorInOrder) {
  sim::MakeInstalledMachine(sim);
  sim.drivers.insert(sim.drivers.begin(), sim::SimDriver{})->environment = L"Windows x64";
  sim.registry[kRecordKey][L"printers"] = sim::RegValue{REG_BINARY, {1}};
  sim.SetRegString(kRequestKey, L"DefaultPrinter", L"Quintavera");
  int code = 0;
  const Lines log = RunAndReadLog(L"uninstall", &code);
  EXPECT_EQ(log, (Lines{
                     L"Quintavera 2629",
                     L"#Check Spooler",
                     L"PrinterDriverDirectory:C:\\windows\\system32\\spool\\drivers\\x64\\",
                     L"#UnInstall",
                     L"  EnumMonitors",
                     L"  1 Monitors found.",
                     L"  EnumPrinterDrivers for Windows x64",
                     L"  3 drivers found",
                     L"  #DeleteAllPrinters",
                     L"    #DeletePrinter(Quintavera)",
                     L"      OK",
                     L"  #DeletePrinterDriver for Windows x64",
                     L"    ------------ 3 existing drivers-----------",
                     L"    1. ***EMPTY***",
                     L"    2. Quintavera printer",
                     L"    3. Other maker driver",
                     L"    -------------------------------------------",
                     L"    Driver is found. Index=2",
                     L"    OK :)",
                     L"  #DeleteMonitor",
                     L"    ------- 1 existing monitors ----------",
                     L"    1. Quintavera:",
                     L"    ---------------------------------------",
                     L"    Port monitor is found. Index=1",
                     L"    Trying to get monitor filename from MONITOR_INFO_2",
                     L"    Auto calculated monitor file name: C:\\windows\\system32\\orbmon64.dll",
                     L"    There is no check for monitor version",
                     L"    Monitor was removed :)",
                     L"  DeleteFile-try",
                     L"DeleteFile-try",
                     L"#Restart Spooler",
                     L"DeleteFile-try",
                 }));
  EXPECT_EQ(code, 2);
  EXPECT_FALSE(sim.FileExists(L"C:\\windows\\system32\\orbmon64.dll"));
  EXPECT_EQ(sim.registry.count(kRecordKey) + sim.registry.count(kRequestKey), 0u);
  ExpectAllReleased();
}

// A monitor without a name is listed as such.
TEST_F(ProceduresTest, AMonitorWithoutANameIsListedAsSuch) {
  sim::MakeInstalledMachine(sim);
  sim.monitors.insert(sim.monitors.begin(), sim::SimMonitor{});
  EXPECT_GE(LineOf(Trimmed(RunAndReadLog(L"uninstall")), L"1. ***EMPTY***"), 0);
}

// A spooler that keeps the staged driver files open once it has taken them into its store.
struct SpoolerHoldsStagedFiles : sim::SimWindows {
  BOOL AddPrinterDriverExW(LPWSTR name, DWORD level, LPBYTE info, DWORD flags) override {
    const BOOL added = SimWindows::AddPrinterDriverExW(name, level, info, flags);
    for (auto& [path, file] : files)
      if (path.rfind(sim::Lower(driverDirectory) + L"\\orb", 0) == 0) file.heldBySpooler = true;
    return added;
  }
};

// Staged copies the spooler still holds go after one restart at the end of the install.
TEST(InstallEnd, StagedCopiesTheSpoolerHoldsGoAfterOneRestart) {
  SpoolerHoldsStagedFiles machine;
  ScopedWindowsApi scope(machine);
  sim::StageProductPackage(machine);
  machine.commandLine = L"qvinstall.exe install";
  EXPECT_EQ(RunCommandLine(), 1);  // 101: a staged copy would be left for the reboot
}

}  // namespace
}  // namespace qv
