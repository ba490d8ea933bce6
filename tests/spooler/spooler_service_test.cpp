// The "spooler" service control: the start-up check and the stop-and-start scope, including a
// service that is already stopped, stuck in a pending state, or cannot be reached.
#include "spooler/spooler_service.h"

#include "core/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

using Lines = std::vector<std::wstring>;
class SpoolerService : public Scenario {};

TEST_F(SpoolerService, CheckSpoolerOutcomes) {
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
    Lines expected = {L"#Check Spooler"};
    if (!c.errorLine.empty()) expected.push_back(c.errorLine);
    EXPECT_EQ(SplitLines(context.logText.Text()), expected);
    EXPECT_EQ(machine.spoolerService.startRequests, c.starts);
    EXPECT_EQ(machine.OpenHandles(), 0);
  }
}

// The scope's log after "#Restart Spooler", whether the spooler runs after it and how long it
// waited (10 s at most each way). Without a context it writes nothing, failures included.
TEST_F(SpoolerService, RestartScopeOutcomes) {
  struct Case {
    const char* name;
    std::function<void(SimWindows&)> setUp;
    Lines lines;  // the beginning of each line
    bool running;
    uint64_t clock;
    bool withContext = true;
  };
  const Case cases[] = {
      {"stopped already: no wait, no error, started at the end",
       [](SimWindows& s) { s.spoolerService.state = SERVICE_STOPPED; }, {}, true, 0},
      {"stuck pending: gives up each way",
       [](SimWindows& s) { s.spoolerService.stopPendingPolls = 1000; },
       {L"Error(3): Can't stop the spooler", L"Error(4): Can't start the spooler"}, false, 20000},
      {"stopped late: the start refused meanwhile is asked again",
       [](SimWindows& s) { s.spoolerService.stopPendingPolls = 60; },
       {L"Error(3): Can't stop the spooler"}, true, 12000},
      {"stop refused: the code is logged, the start finds it running",
       [](SimWindows& s) { s.spoolerService.refuseStop = true; },
       {L"Error(5): ControlService failed with code 1061 (0x425) - (System message 1061.)",
        L"Error(3): Can't stop the spooler - (System message 1061.)"},
       true, 10000},
      {"no manager: inert",
       [](SimWindows& s) { s.FailNext("OpenSCManagerW", 1, ERROR_ACCESS_DENIED); },
       {L"Error(1): Can't open service manager. - (System message 5.)"}, true, 0},
      {"no context, pending both ways: restarted silently",
       [](SimWindows& s) {
         s.spoolerService.stopPendingPolls = 2;
         s.spoolerService.startPendingPolls = 2;
       },
       {}, true, 800, false},
      {"no context, stop refused", [](SimWindows& s) { s.spoolerService.refuseStop = true; }, {},
       true, 10000, false},
      {"no context, no service",
       [](SimWindows& s) { s.FailNext("OpenServiceW", 1, ERROR_ACCESS_DENIED); }, {}, true, 0,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    c.setUp(machine);
    InstallContext context;
    { RestartSpooler restart(c.withContext ? &context : nullptr); }
    const Lines lines = SplitLines(context.logText.Text());
    if (c.withContext) {
      ASSERT_EQ(lines.size(), c.lines.size() + 1);
      EXPECT_EQ(lines[0], L"#Restart Spooler");
      for (size_t i = 0; i < c.lines.size(); ++i) {
        EXPECT_EQ(lines[i + 1].rfind(c.lines[i], 0), 0u) << testing::PrintToString(lines[i + 1]);
      }
      EXPECT_EQ(context.errorCount, static_cast<int>(c.lines.size()));
    } else {
      EXPECT_TRUE(lines.empty());
    }
    EXPECT_EQ(machine.SpoolerRunning(), c.running);
    EXPECT_EQ(machine.clock, c.clock);
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_EQ(machine.LiveBlocks(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
