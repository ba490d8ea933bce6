// Port monitor operations called directly on a run's context: listing, registration retries,
// the locked DLL, the port list edits, and the DLL path when the monitor's record names no DLL.
#include "core/install_context.h"
#include "monitor/install_monitor.h"
#include "monitor/monitor_list.h"
#include "monitor/monitor_ports.h"
#include "monitor/remove_monitor.h"
#include "monitor_test_support.h"

namespace qv::sim {
namespace {

class MonitorOperations : public Scenario {
 protected:
  MonitorOperations() { StagePackage(); }
  void Start(bool reinstall = false) {
    InitInstallContext(ctx, kSetupX64);
    ctx.reinstall = reinstall;
  }
  std::vector<std::wstring> Log() const { return Trimmed(SplitLines(ctx.logText.Text())); }
  void Finish() {
    FreeInstallContext(ctx);
    ExpectAllReleased();
  }
  void RemoveListedMonitor() {
    MonitorList monitors;
    EnumerateMonitors(monitors, ctx);
    RemoveMonitor(ctx, monitors);
  }

  InstallContext ctx;
};

// Only the exact name "Quintavera:" is the product's monitor.
TEST_F(MonitorOperations, FindProductMonitor) {
  Start();
  sim.monitors = {{L"quintavera:", L"Windows x64", L"a.dll"},
                  {L"Quintavera:x", L"Windows x64", L"b.dll"}};
  {
    MonitorList nearMisses;
    EnumerateMonitors(nearMisses, ctx);
    EXPECT_EQ(nearMisses.count, 2u);
    EXPECT_EQ(FindProductMonitor(nearMisses), -1);
  }
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L"orbmon64.dll"});
  {
    MonitorList withProduct;
    EnumerateMonitors(withProduct, ctx);
    EXPECT_EQ(FindProductMonitor(withProduct), 2);
  }
  Finish();
}

TEST_F(MonitorOperations, RegistrationRetriesEvery50msThenGivesUp) {
  sim.AddFile(kMonitorDll, "monitor", 2629);
  Start();
  ctx.copyMonitor = false;
  sim.FailNext("AddMonitorW", 4, ERROR_BUSY);
  const uint64_t before = sim.clock;
  InstallMonitor(ctx);
  EXPECT_EQ(sim.clock - before, 200u);
  EXPECT_EQ(sim.CallCount("Sleep"), 4);
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  auto lines = Log();
  ExpectLinesInOrder(
      lines, {L"#AddMonitor", L"Skip copy monitor file",
              L"AddMonitor - failed. Trying to wait and install again",
              L"AddMonitor - failed. Trying to wait and install again",
              L"AddMonitor - failed. Trying to wait and install again",
              L"AddMonitor - failed. Trying to wait and install again", L"AddMonitor - OK :)"});
  EXPECT_EQ(ctx.errorCount, 0);

  // Five refusals: error 11, and a parked printer stays on "file:".
  sim.monitors.clear();
  sim.AddPrinter(L"Office", L"Other driver", L"Quintavera:");
  TakePrinterSnapshot(ctx);
  ParkOnFilePort(ctx.printerSnapshot.entries()[0].pPortName);
  ctx.monitorPrinters = AllocateZeroedBlock(2 * sizeof(PRINTER_INFO_2W*));
  ctx.MonitorPrinters()[0] = &ctx.printerSnapshot.entries()[0];
  sim.FailNext("AddMonitorW", 5, ERROR_BUSY);
  InstallMonitor(ctx);
  lines = Log();
  EXPECT_EQ(lines.back().rfind(L"Error(11): Can`t install a local port monitor'Quintavera:'", 0),
            0u)
      << testing::PrintToString(lines.back());
  EXPECT_EQ(ctx.errorCount, 1);
  EXPECT_STREQ(ctx.printerSnapshot.entries()[0].pPortName, L"file:");
  Finish();
}

TEST_F(MonitorOperations, LockedDllIsCopiedWithTheSpoolerStopped) {
  sim.AddFile(kMonitorDll, "old monitor", 2500).heldBySpooler = true;
  Start();
  InstallMonitor(ctx);
  EXPECT_EQ(sim.spoolerService.stopRequests, 1);
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_NE(sim.FindFile(kMonitorDll)->data.find("[build=2629]"), std::string::npos);
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  EXPECT_FALSE(HasLine(Log(), L"Can't copy monitor file"));
  EXPECT_EQ(ctx.errorCount, 0);

  // Locked even with the spooler stopped: the old DLL is registered.
  sim.monitors.clear();
  sim.FindFile(kMonitorDll)->lockedForever = true;
  InstallMonitor(ctx);
  EXPECT_EQ(Log().back(), L"AddMonitor - OK :)");
  EXPECT_TRUE(HasLine(Log(), L"Can't copy monitor file"));
  EXPECT_EQ(ctx.errorCount, 1);
  Finish();
}

// Port lists are edited by whole entries: parked, then returned.
TEST(MonitorPorts, ParkingAndReturningReplaceOneWholeEntry) {
  struct Case {
    std::wstring ports, parked, returned;
  };
  const Case cases[] = {
      {L"Quintavera:", L"file:", L"Quintavera:"},
      {L"file:,Quintavera:", L"file:,file:", L"Quintavera:,file:"},
      {L"PDFfile:,Quintavera:", L"PDFfile:,file:", L"PDFfile:,Quintavera:"},
      {L"Quintavera:,Quintavera:", L"file:,Quintavera:", L"Quintavera:,Quintavera:"},
      {L"OldQuintavera:,Quintavera:x", L"OldQuintavera:,Quintavera:x", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.ports));
    std::wstring ports = c.ports;
    EXPECT_EQ(ParkOnFilePort(ports.data()), c.ports != c.parked);
    EXPECT_STREQ(ports.c_str(), c.parked.c_str());
    if (c.returned.empty()) continue;
    EXPECT_TRUE(ReturnToProductPort(ports.data()));
    EXPECT_STREQ(ports.c_str(), c.returned.c_str());
  }
}

TEST_F(MonitorOperations, RecordWithoutDllNameFallsBackToTheMonitorFile) {
  sim.AddFile(kMonitorDll, "monitor", 2629);
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L""});
  Start();
  RemoveListedMonitor();
  EXPECT_TRUE(
      HasLine(Log(), L"Auto calculated monitor file name: C:\\windows\\system32\\orbmon64.dll"));
  EXPECT_FALSE(sim.FileExists(kMonitorDll));
  EXPECT_FALSE(sim.MonitorRegistered(L"Quintavera:"));

  // Nothing names the DLL: the system directory itself is neither deleted nor scheduled.
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L""});
  ctx.monitorFile = L"";
  const int deletions = sim.CallCount("DeleteFileW");
  RemoveListedMonitor();
  EXPECT_TRUE(HasLine(Log(), L"Auto calculated monitor file name: C:\\windows\\system32\\"));
  EXPECT_EQ(sim.CallCount("DeleteFileW"), deletions);
  EXPECT_TRUE(ctx.pendingDeletes.Empty());
  EXPECT_EQ(Log().back(), L"Monitor was removed :)");
  Finish();
}

}  // namespace
}  // namespace qv::sim
