// The port monitor through the install and uninstall plans on the simulated machine: the version
// check of a reinstall, printers parked while the monitor is removed, and the monitor DLL the
// spooler keeps loaded.
#include <algorithm>

#include "core/product.h"
#include "monitor_test_support.h"

namespace qv::sim {
namespace {

class MonitorScenario : public Scenario {
 protected:
  MonitorScenario() { StagePackage(); }
  std::vector<std::wstring> RunLog(const std::wstring& command, int* exitCode = nullptr) {
    return Trimmed(RunAndReadLog(command, exitCode));
  }
  bool DllHasBuild(int32_t build) {
    const SimFile* dll = sim.FindFile(kMonitorDll);
    return dll && dll->data.find("[build=" + std::to_string(build) + "]") != std::string::npos;
  }
};

TEST_F(MonitorScenario, FirstInstallCopiesAndRegisters) {
  const auto lines = RunLog(L"install");
  ExpectLinesInOrder(lines,
                     {L"#DeleteMonitor", L"BTW, there is no port monitors on this system.",
                      L"No Quintavera port monitor was found.", L"Computing monitor filename",
                      L"Version is unknown, proceed with reinstall",
                      L"Can't delete monitor and monitor was not found. So everything should be ok",
                      L"#AddMonitor", L"Copy monitor file", L"AddMonitor - OK :)"});
  EXPECT_TRUE(DllHasBuild(2629));
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  ExpectAllReleased();
}

TEST_F(MonitorScenario, ReinstallKeepsACompatibleMonitor) {
  AddProductMonitor(sim, 2605).heldBySpooler = true;
  auto lines = RunLog(L"install");
  ExpectLinesInOrder(lines, {L"Port monitor is found. Index=1",
                             L"Trying to get monitor filename from MONITOR_INFO_2",
                             L"Version (2605) is compatible, proceed without uninstall",
                             L"InstallMonitor == 0, CopyMonitor == 1"});
  EXPECT_FALSE(HasLine(lines, L"#AddMonitor"));
  EXPECT_EQ(sim.CallCount("DeleteMonitorW"), 0);
  EXPECT_TRUE(DllHasBuild(2605));

  // Registered no longer: the DLL in place is registered without being copied over.
  sim.monitors.clear();
  sim.FindFile(kMonitorDll)->heldBySpooler = false;
  lines = RunLog(L"install");
  ExpectLinesInOrder(lines, {L"Version (2605) is compatible, proceed without uninstall",
                             L"InstallMonitor == 1, CopyMonitor == 0", L"#AddMonitor",
                             L"Skip copy monitor file", L"AddMonitor - OK :)"});
  EXPECT_TRUE(DllHasBuild(2605));
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  ExpectAllReleased();
}

TEST_F(MonitorScenario, ReinstallReplacesBuildsOutsideTheRange) {
  for (int32_t build : {2604, 2630}) {
    SCOPED_TRACE(build);
    sim.monitors.clear();
    AddProductMonitor(sim, build).heldBySpooler = true;
    int exitCode = 0;
    const auto lines = RunLog(L"install", &exitCode);
    ExpectLinesInOrder(lines, {L"Version (" + std::to_wstring(build) +
                                   L") is not supported, proceed with reinstall",
                               L"Monitor was removed :)", L"#AddMonitor", L"AddMonitor - OK :)"});
    // The spooler let go of the deleted monitor's DLL when it was stopped for the retry.
    EXPECT_TRUE(DllHasBuild(2629));
    EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
    EXPECT_EQ(exitCode, 1);
  }
  ExpectAllReleased();
}

TEST_F(MonitorScenario, UninstallNeverReadsTheBuild) {
  AddProductMonitor(sim, 2610).heldBySpooler = true;
  const auto lines = RunLog(L"uninstall");
  ExpectLinesInOrder(lines, {L"There is no check for monitor version", L"Monitor was removed :)"});
  EXPECT_EQ(sim.CallCount("GetFileVersionInfoSizeW"), 0);
  EXPECT_FALSE(sim.MonitorRegistered(L"Quintavera:"));
  EXPECT_FALSE(sim.FileExists(kMonitorDll));
  EXPECT_TRUE(sim.SpoolerRunning());
  ExpectAllReleased();
}

TEST_F(MonitorScenario, PrintersAreParkedWhileTheMonitorIsReplaced) {
  AddProductMonitor(sim, 2600).heldBySpooler = true;
  sim.AddPrinter(L"Office", L"Other driver", L"Quintavera:");
  sim.AddPrinter(L"Both", L"Other driver", L"file:,Quintavera:");
  sim.AddPrinter(L"Plain", L"Other driver", L"LPT1:");
  const auto lines = RunLog(L"install");
  ExpectLinesInOrder(lines,
                     {L"Can't delete monitor from the first try", L"SetPrinter(Office) - ok",
                      L"SetPrinter(Both) - ok", L"Monitor was removed :)", L"AddMonitor - OK :)",
                      L"SetPrinter(Office) - ok", L"SetPrinter(Both) - ok"});
  EXPECT_EQ(sim.CallCount("DeleteMonitorW"), 2);
  EXPECT_EQ(sim.FindPrinter(L"Office")->port, L"Quintavera:");
  EXPECT_EQ(sim.FindPrinter(L"Both")->port, L"Quintavera:,file:");
  EXPECT_EQ(sim.FindPrinter(L"Plain")->port, L"LPT1:");
  EXPECT_FALSE(HasLine(lines, L"SetPrinter(Plain) - ok"));
  ExpectAllReleased();
}

// A monitor whose deletion the spooler refuses three times (error 12) stays registered with a
// working port: the printers parked on "file:" go back at once, whatever the plan.
TEST_F(MonitorScenario, RefusedRemovalLeavesNoPrinterParked) {
  for (const wchar_t* command : {L"install", L"uninstall"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(command)));
    sim.monitors.clear();
    AddProductMonitor(sim, 2600);
    sim.printers.clear();
    sim.AddPrinter(L"Office", L"Other driver", L"Quintavera:");
    sim.FailAlways("DeleteMonitorW", ERROR_BUSY);
    int exitCode = 0;
    const auto lines = RunLog(command, &exitCode);
    EXPECT_EQ(exitCode, 100);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
      return line.rfind(L"Error(12): Can`t remove the port monitor 'Quintavera:'", 0) == 0;
    }));
    EXPECT_EQ(sim.FindPrinter(L"Office")->port, L"Quintavera:");
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
