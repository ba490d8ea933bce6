// The "spooler" service control: the start-up check and the stop-and-start scope, including a
// service that is already stopped, stuck in a pending state, or cannot be reached.
#include "spooler/spooler_service.h"

#include "core/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

class SpoolerServiceTest : public Scenario {
 protected:
  std::vector<std::wstring> Lines() const { return SplitLines(ctx.logText.Text()); }
  InstallContext ctx;
};

TEST_F(SpoolerServiceTest, CheckSpoolerOutcomes) {
  struct Case {
    const char* name;
    std::function<void(SimWindows&)> setUp;
    bool result;
    std::wstring errorLine;  // empty: none
    int starts;
  };
  const Case cases[] = {
      {"running spooler: only the heading", [](SimWindows&) {}, true, L"", 0},
      {"stopped spooler is started",
       [](SimWindows& s) {
         s.spoolerService.state = SERVICE_STOPPED;
         s.spoolerService.startPendingPolls = 3;
       },
       true, L"", 1},
      {"no manager", [](SimWindows& s) { s.FailNext("OpenSCManagerW", 1, ERROR_ACCESS_DENIED); },
       false, L"  Error(1): Can't open service manager. - (System message 5.)", 0},
      {"no service", [](SimWindows& s) { s.FailNext("OpenServiceW", 1, ERROR_ACCESS_DENIED); },
       false, L"  Error(2): Can't open the spooler - (System message 5.)", 0},
      {"start refused",
       [](SimWindows& s) {
         s.spoolerService.state = SERVICE_STOPPED;
         s.spoolerService.refuseStart = true;
       },
       false, L"  Error(4): Can't start the spooler - (System message 1058.)", 1},
      {"start asked again while the service database is locked",
       [](SimWindows& s) {
         s.spoolerService.state = SERVICE_STOPPED;
         s.FailNext("StartServiceW", 3, ERROR_SERVICE_DATABASE_LOCKED);
       },
       true, L"", 1},
      {"state unreadable starts nothing",
       [](SimWindows& s) {
         s.spoolerService.state = SERVICE_STOPPED;
         s.FailNext("QueryServiceStatus", 1, ERROR_ACCESS_DENIED);
       },
       true, L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    c.setUp(machine);
    InstallContext context;
    EXPECT_EQ(CheckSpooler(context), c.result);
    std::vector<std::wstring> expected = {L"#Check Spooler"};
    if (!c.errorLine.empty()) expected.push_back(c.errorLine);
    EXPECT_EQ(SplitLines(context.logText.Text()), expected);
    EXPECT_EQ(machine.spoolerService.startRequests, c.starts);
    EXPECT_EQ(machine.OpenHandles(), 0);
  }
}

TEST_F(SpoolerServiceTest, ScopeOnStoppedSpoolerWritesNoErrorAndStartsItAtTheEnd) {
  sim.spoolerService.state = SERVICE_STOPPED;
  {
    RestartSpooler restart(&ctx);
    EXPECT_EQ(sim.spoolerService.state, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(sim.CallCount("ControlService"), 1);
    EXPECT_EQ(sim.CallCount("QueryServiceStatus"), 1);
    EXPECT_EQ(sim.clock, 0u);
  }
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_EQ(sim.spoolerService.startRequests, 1);
  EXPECT_EQ(Lines(), std::vector<std::wstring>{L"#Restart Spooler"});
  EXPECT_EQ(ctx.errorCount, 0);
  ExpectAllReleased();
}

TEST_F(SpoolerServiceTest, ScopeWithSpoolerStuckPendingGivesUpAfterTenSecondsEachWay) {
  sim.spoolerService.stopPendingPolls = 1000;
  {
    RestartSpooler restart(&ctx);
    EXPECT_EQ(sim.clock, 10000u);
    EXPECT_EQ(sim.CallCount("QueryServiceStatus"), 51);
  }
  EXPECT_EQ(sim.clock, 20000u);
  EXPECT_EQ(sim.CallCount("StartServiceW"), 1);
  const std::vector<std::wstring> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"#Restart Spooler");
  EXPECT_EQ(lines[1].rfind(L"Error(3): Can't stop the spooler", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind(L"Error(4): Can't start the spooler", 0), 0u) << lines[2];
  EXPECT_EQ(ctx.errorCount, 2);
  ExpectAllReleased();
}

// The stop outlasts its wait; the start refused meanwhile is asked again once it has stopped.
TEST_F(SpoolerServiceTest, ScopeStartsASpoolerThatStoppedLate) {
  sim.spoolerService.stopPendingPolls = 60;
  { RestartSpooler restart(&ctx); }
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_EQ(ctx.errorCount, 1);  // error 3 only
  EXPECT_LE(sim.clock, 20000u);
  ExpectAllReleased();
}

TEST_F(SpoolerServiceTest, ScopeWhoseStopIsRefusedLogsTheCodeAndStillWaits) {
  sim.spoolerService.refuseStop = true;
  { RestartSpooler restart(&ctx); }
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{
                         L"#Restart Spooler",
                         L"Error(5): ControlService failed with code 1061 (0x425) - (System "
                         L"message 1061.)",
                         L"Error(3): Can't stop the spooler - (System message 1061.)"}));
  EXPECT_TRUE(sim.SpoolerRunning());  // the start at the end finds it running: no error 4
  ExpectAllReleased();
}

TEST_F(SpoolerServiceTest, ScopeWithoutContextWritesNothingAndStillRestarts) {
  sim.spoolerService.stopPendingPolls = 2;
  sim.spoolerService.startPendingPolls = 2;
  { RestartSpooler restart(nullptr); }
  EXPECT_EQ(sim.spoolerService.stopRequests, 1);
  EXPECT_EQ(sim.spoolerService.startRequests, 1);
  EXPECT_TRUE(sim.SpoolerRunning());

  sim.spoolerService.refuseStop = true;  // every failure is silent as well
  { RestartSpooler restart(nullptr); }
  sim.FailNext("OpenServiceW", 1, ERROR_ACCESS_DENIED);
  { RestartSpooler restart(nullptr); }
  EXPECT_EQ(sim.spoolerService.startRequests, 1);
  ExpectAllReleased();
}

TEST_F(SpoolerServiceTest, ScopeThatCannotReachTheServiceIsInert) {
  sim.FailNext("OpenSCManagerW", 1, ERROR_ACCESS_DENIED);
  { RestartSpooler restart(&ctx); }
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{
                         L"#Restart Spooler",
                         L"Error(1): Can't open service manager. - (System message 5.)"}));
  EXPECT_EQ(sim.CallCount("ControlService") + sim.CallCount("StartServiceW"), 0);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
