// The "spooler" service control: the start-up check and the stop-and-start scope.
#include "spooler/spooler_service.h"

#include "context/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

using Lines = std::vector<std::wstring>;
class SpoolerService : public Scenario {};

// A machine's service: stopped or running (a start pending for 3 polls), and one call failing.
struct ServiceCase {
  bool stopped;
  const char* failing;  // fails `failures` times with `error`; "" for none
  int failures;
  DWORD error;
  void SetUp(SimWindows& machine) const {
    machine.spoolerService.state = stopped ? SERVICE_STOPPED : SERVICE_RUNNING;
    machine.spoolerService.startPendingPolls = 3;
    if (*failing) machine.FailNext(failing, failures, error);
  }
};

TEST_F(SpoolerService, CheckSpoolerOutcomes) {
  struct Case {
    const char* name;
    ServiceCase service;
    bool result;
    std::wstring errorLine;  // empty: none
    int starts;
  };
  const Case cases[] = {
      {"running spooler: only the heading", {false, "", 0, 0}, true, L"", 0},
      {"stopped spooler is started", {true, "", 0, 0}, true, L"", 1},
      {"no manager", {false, "OpenSCManagerW", 1, ERROR_ACCESS_DENIED}, false,
       L"  Error(1): Can't open service manager. - (System message 5.)", 0},
      {"no service", {false, "OpenServiceW", 1, ERROR_ACCESS_DENIED}, false,
       L"  Error(2): Can't open the spooler - (System message 5.)", 0},
      {"start refused, not asked again", {true, "StartServiceW", 1, ERROR_SERVICE_DISABLED}, false,
       L"  Error(4): Can't start the spooler - (System message 1058.)", 0},
      {"start asked again while the service database is locked",
       {true, "StartServiceW", 3, ERROR_SERVICE_DATABASE_LOCKED}, true, L"", 1},
      {"state unreadable starts nothing", {true, "QueryServiceStatus", 1, ERROR_ACCESS_DENIED},
       true, L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    c.service.SetUp(machine);
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
    ServiceCase service;
    int stopPendingPolls;
    bool refuseStop;
    Lines lines;  // the beginning of each line
    bool running;
    uint64_t clock;
    bool withContext = true;
  };
  const Case cases[] = {
      {"stopped already: no wait, no error, started at the end", {true, "", 0, 0}, 0, false, {},
       true, 600},
      {"stuck pending: gives up each way", {false, "", 0, 0}, 1000, false,
       {L"Error(3): Can't stop the spooler", L"Error(4): Can't start the spooler"}, false, 20000},
      {"stopped late: the start refused meanwhile is asked again", {false, "", 0, 0}, 60, false,
       {L"Error(3): Can't stop the spooler"}, true, 12600},
      {"stop refused: the code is logged, the start finds it running", {false, "", 0, 0}, 0, true,
       {L"Error(5): ControlService failed with code 1061 (0x425) - (System message 1061.)",
        L"Error(3): Can't stop the spooler - (System message 1061.)"},
       true, 10000},
      {"no manager: nothing stopped", {false, "OpenSCManagerW", 1, ERROR_ACCESS_DENIED}, 0, false,
       {L"Error(1): Can't open service manager. - (System message 5.)"}, true, 0},
      {"no context, stop refused", {false, "", 0, 0}, 0, true, {}, true, 10000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    c.service.SetUp(machine);
    machine.spoolerService.stopPendingPolls = c.stopPendingPolls;
    machine.spoolerService.refuseStop = c.refuseStop;
    InstallContext context;
    { RestartSpooler restart(c.withContext ? &context : nullptr); }
    Lines expected = c.lines;
    if (c.withContext) expected.insert(expected.begin(), L"#Restart Spooler");
    const Lines lines = SplitLines(context.logText.Text());
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].rfind(expected[i], 0), 0u) << testing::PrintToString(lines[i]);
    }
    EXPECT_EQ(machine.SpoolerRunning(), c.running);
    EXPECT_EQ(machine.clock, c.clock);
    EXPECT_EQ(machine.OpenHandles() + machine.LiveBlocks(), 0);
  }
}

// The services that depend on the spooler: the running ones stopped first (one that depends on
// another before it) and started again after it (in the reverse order); a stopped one stays
// stopped; one that will not stop keeps the spooler running, each failure its own line and every
// wait bounded; one that will not start again is named, as are dependents that cannot be listed.
TEST_F(SpoolerService, RestartStopsAndStartsTheDependents) {
  sim.AddSpoolerDependent(L"Fax");
  sim.otherServices[L"faxhelper"].dependsOn = L"fax";
  sim.AddSpoolerDependent(L"Idle", SERVICE_STOPPED);
  sim.otherServices[L"fax"].stopPendingPolls = 2;
  InstallContext context;
  { RestartSpooler restart(&context); }
  EXPECT_EQ(Trimmed(SplitLines(context.logText.Text())),
            Lines({L"#Restart Spooler", L"Stopping service 'faxhelper', which depends on the spooler",
                   L"Stopping service 'fax', which depends on the spooler",
                   L"Starting service 'fax' again", L"Starting service 'faxhelper' again"}));
  EXPECT_TRUE(sim.SpoolerRunning());
  for (const auto& [name, service] : sim.otherServices) {
    EXPECT_EQ(service.state, name == L"idle" ? SERVICE_STOPPED : SERVICE_RUNNING) << name.c_str();
  }

  sim.otherServices[L"faxhelper"].refuseStop = true;
  sim.AddSpoolerDependent(L"PrintLog").refuseStart = true;
  InstallContext refused;
  { RestartSpooler restart(&refused); }
  const Lines lines = Trimmed(SplitLines(refused.logText.Text()));
  for (const wchar_t* line : {L"Error(41): Can't stop service 'faxhelper', which depends on",
                              L"Error(41): Can't stop service 'fax', which depends on",
                              L"Error(5): ControlService failed with code 1051",
                              L"Error(42): Can't start service 'printlog' again"}) {
    EXPECT_NE(LineOf(lines, line, true), -1) << testing::PrintToString(lines);
  }
  EXPECT_EQ(refused.errorCount, 5);  // 41 twice, 5, 3 and 42
  EXPECT_TRUE(sim.SpoolerRunning());
  EXPECT_LE(sim.clock, 60000u);
  sim.FailAlways("EnumDependentServicesW", ERROR_ACCESS_DENIED);
  InstallContext unlisted;
  { RestartSpooler restart(&unlisted); }
  EXPECT_EQ(SplitLines(unlisted.logText.Text()).at(1),
            L"Error(40): Can't list the services that depend on the spooler - (System message 5.)");
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
