// The port monitor: its operations on a run's context, then through the install and uninstall.
#include <algorithm>

#include "context/product.h"
#include "monitor/install_monitor.h"
#include "monitor/monitor_list.h"
#include "monitor/monitor_ports.h"
#include "monitor/remove_monitor.h"
#include "program/run_setup.h"
#include "scenario.h"

namespace qv::sim {
namespace {

using Lines = std::vector<std::wstring>;
class MonitorTest : public Scenario {
 protected:
  MonitorTest() { StageProductPackage(sim); }
  void Start() { InitInstallContext(ctx, kSetupX64); }
  Lines Log() const { return Trimmed(SplitLines(ctx.logText.Text())); }
  // `expected` appear in `log` in this order, indents aside (other lines may stand between them).
  static void ExpectLinesInOrder(const Lines& log, std::initializer_list<std::wstring> expected) {
    const Lines lines = Trimmed(log);
    auto at = lines.begin();
    for (const std::wstring& line : expected) {
      at = std::find(at, lines.end(), line);
      ASSERT_NE(at, lines.end()) << "missing or out of order: " << testing::PrintToString(line);
      ++at;
    }
  }
  void Finish() {
    FreeInstallContext(ctx);
    ExpectAllReleased();
  }
  void RemoveListedMonitor() {
    MonitorList monitors;
    RemoveMonitor(ctx, EnumerateMonitors(monitors, ctx));
  }
  bool DllHasBuild(int32_t build) {
    const SimFile* dll = sim.FindFile(kMonitorDll);
    return dll && dll->data.find("[build=" + std::to_string(build) + "]") != std::string::npos;
  }

  InstallContext ctx;
};

// Only the exact name "Quintavera:" is the product's monitor.
TEST_F(MonitorTest, FindProductMonitor) {
  Start();
  sim.monitors = {{L"quintavera:", L"Windows x64", L"a.dll"},
                  {L"Quintavera:x", L"Windows x64", L"b.dll"}};
  for (int expected : {-1, 2}) {
    MonitorList monitors;
    EnumerateMonitors(monitors, ctx);
    EXPECT_EQ(FindProductMonitor(monitors), expected);
    sim.monitors.push_back({L"Quintavera:", L"Windows x64", L"orbmon64.dll"});
  }
  sim.FailCallAfter(2, RPC_S_SERVER_UNAVAILABLE);  // the fetch, after the sizing and the block
  MonitorList monitors;
  EnumerateMonitors(monitors, ctx);
  EXPECT_EQ(Log().back(), L"3. EnumMonitors  failed with code: System message 1722.");
  sim.FailNext("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
  EnumerateMonitors(monitors, ctx);
  EXPECT_EQ(Log().back(), L"3. EnumMonitors - can't allocate memory for buffer");
  Finish();
}

TEST_F(MonitorTest, RegistrationRetriesEvery50msThenGivesUp) {
  sim.AddFile(kMonitorDll, "monitor", 2629);
  Start();
  ctx.copyMonitor = false;
  sim.FailNext("AddMonitorW", 4, ERROR_BUSY);
  const uint64_t before = sim.clock;
  InstallMonitor(ctx);
  EXPECT_EQ(sim.clock - before, 200u);
  const Lines log = Log();
  const std::wstring retry = L"AddMonitor - failed. Trying to wait and install again";
  EXPECT_EQ(std::count(log.begin(), log.end(), retry), 4);
  EXPECT_EQ(log.back(), L"AddMonitor - OK :)");
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
  EXPECT_GE(LineOf(Log(), L"Error(11): Can`t install a local port monitor'Quintavera:'", true), 0);
  EXPECT_EQ(ctx.errorCount, 1);
  EXPECT_STREQ(ctx.printerSnapshot.entries()[0].pPortName, L"file:");

  // A parked printer deleted meanwhile cannot be returned: the run says which.
  PRINTER_INFO_2W gone = {};
  gone.pPrinterName = const_cast<LPWSTR>(L"Gone");
  EXPECT_FALSE(ApplyPrinterRecord(ctx, gone));
  EXPECT_EQ(Log().back(), L"Can't open printer Gone");
  Finish();
}

TEST_F(MonitorTest, LockedDllIsCopiedWithTheSpoolerStopped) {
  sim.AddFile(kMonitorDll, "old monitor", 2500).heldBySpooler = true;
  Start();
  InstallMonitor(ctx);
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_TRUE(DllHasBuild(2629));
  EXPECT_EQ(ctx.errorCount, 0);

  // Locked even with the spooler stopped: the old DLL is registered.
  sim.monitors.clear();
  sim.FindFile(kMonitorDll)->lockedForever = true;
  InstallMonitor(ctx);
  EXPECT_EQ(Log().back(), L"AddMonitor - OK :)");
  EXPECT_GE(LineOf(Log(), L"Can't copy monitor file"), 0);
  EXPECT_EQ(ctx.errorCount, 1);
  Finish();
}

TEST_F(MonitorTest, RecordWithoutDllNameFallsBackToTheMonitorFile) {
  sim.AddFile(kMonitorDll, "monitor", 2629);
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L""});
  Start();
  RemoveListedMonitor();
  EXPECT_GE(
      LineOf(Log(), L"Auto calculated monitor file name: C:\\windows\\system32\\orbmon64.dll"), 0);
  EXPECT_FALSE(sim.FileExists(kMonitorDll));
  // A record that names its DLL is taken at its word.
  sim.AddFile(L"C:\\windows\\system32\\orbmon-old.dll", "monitor", 2629);
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L"orbmon-old.dll"});
  RemoveListedMonitor();
  EXPECT_FALSE(sim.FileExists(L"C:\\windows\\system32\\orbmon-old.dll"));

  // Nothing names the DLL: the system directory itself is neither deleted nor scheduled.
  sim.monitors.push_back({L"Quintavera:", L"Windows x64", L""});
  ctx.monitorFile = L"";
  RemoveListedMonitor();
  EXPECT_TRUE(ctx.pendingDeletes.Empty());
  EXPECT_EQ(Log().back(), L"Monitor was removed :)");
  Finish();
}

// A reinstall keeps a registered monitor of a compatible build, and registers the DLL in place
// without copying over it once the monitor is registered no longer.
TEST_F(MonitorTest, ReinstallKeepsACompatibleMonitor) {
  sim.monitors = {{L"Local Port", L"Windows x64", L"localspl.dll"}};  // before it, as on Windows
  AddProductMonitor(sim, 2605).heldBySpooler = true;
  Lines lines = RunAndReadLog(L"install");
  ExpectLinesInOrder(lines, {L"Version (2605) is compatible, proceed without uninstall",
                             L"InstallMonitor == 0, CopyMonitor == 1"});
  EXPECT_EQ(LineOf(lines, L"#AddMonitor"), -1);
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  EXPECT_TRUE(DllHasBuild(2605));

  sim.monitors.clear();
  sim.FindFile(kMonitorDll)->heldBySpooler = false;
  lines = RunAndReadLog(L"install");
  ExpectLinesInOrder(lines, {L"Version (2605) is compatible, proceed without uninstall",
                             L"InstallMonitor == 1, CopyMonitor == 0", L"#AddMonitor",
                             L"Skip copy monitor file", L"AddMonitor - OK :)"});

  // Kept, but queued for deletion at the restart: the queue's deletions take it before the
  // registration, so it is copied anew, and its deletion leaves the queue.
  sim.monitors.clear();
  sim.FindFile(kMonitorDll)->heldBySpooler = false;
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue,
                    {std::wstring(L"\\??\\") + kMonitorDll, L""});
  int code = 0;
  lines = RunAndReadLog(L"install", &code);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(DllHasBuild(2629));
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  EXPECT_TRUE(sim.PendingRenames().empty());
  ExpectAllReleased();
}

// A monitor whose deletion the spooler refuses three times (error 12) stays registered with a
// working port: the printers parked on "file:" go back at once, whatever the plan. The machine's
// only printer stands on the product port: parked and returned, or each refusal logged, alike.
TEST_F(MonitorTest, RefusedRemovalLeavesNoPrinterParked) {
  for (const wchar_t* command : {L"install", L"uninstall"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(command)));
    sim.monitors = {{L"Local Port", L"Windows x64", L"localspl.dll"},  // before it, as on Windows
                    {L"Standard TCP/IP Port", L"Windows x64", L"tcpmon.dll"}};
    AddProductMonitor(sim, 2630);  // the build after this one's: replaced
    sim.printers.clear();
    sim.AddPrinter(L"Office", L"Other driver", L"Quintavera:");
    sim.FailAlways("DeleteMonitorW", ERROR_BUSY);
    const bool unmoved = *command == L'u';  // a spooler that will not move the printer either
    if (unmoved) sim.FailAlways("SetPrinterW", ERROR_ACCESS_DENIED);
    int exitCode = 0;
    const Lines lines = RunAndReadLog(command, &exitCode);
    EXPECT_EQ(exitCode, 100);
    if (!unmoved)
      ExpectLinesInOrder(lines, {L"Version (2630) is not supported, proceed with reinstall"});
    EXPECT_GE(LineOf(lines, L"Error(12): Can`t remove the port monitor 'Quintavera:'", true), 0);
    const wchar_t* set = unmoved ? L"SetPrinter(Office) - failed" : L"SetPrinter(Office) - ok";
    ExpectLinesInOrder(lines, {L"Can't delete monitor from the first try", set, set});
    EXPECT_EQ(sim.FindPrinter(L"Office")->port, L"Quintavera:");
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
