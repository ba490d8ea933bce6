// The tray program's control: closing it in its many moods, registering and starting it, in a
// person's run and from a deployment account.
#include "tray/tray.h"

#include "context/install_context.h"
#include "scenario.h"
#include "sim_tray.h"

namespace qv::sim {
namespace {

constexpr wchar_t kTray[] = L"C:\\setup\\qvatray.exe";

// Puts `path` on the machine and registers it at log-on.
void Register(SimWindows& machine, const std::wstring& path) {
  machine.SetRegString(kRunKey, kRunValue, path);
  machine.AddFile(path, "tray");
}

class TrayTest : public Scenario {
 protected:
  // The Run value's whole data: the path, then exactly one NUL and nothing after it.
  std::wstring RegisteredPath() const {
    if (!sim.HasRegValue(kRunKey, kRunValue)) return L"<none>";
    const std::vector<BYTE>& data = sim.registry.at(Lower(kRunKey)).at(Lower(kRunValue)).data;
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (text.empty() || text.back() != L'\0') return text + L"<no end>";
    return text.substr(0, text.size() - 1);
  }

  void StartFrom(const std::wstring& moduleDir, bool startTray = true) {
    InstallContext ctx;
    ctx.moduleDir.Assign(moduleDir.c_str());
    ctx.startTray = startTray;
    StartTray(ctx);
  }
};

// CloseTray in every mood of the tray program: the close messages, the virtual time it costs and
// whether its file outlives the deletion attempts; the Run value goes in every case.
TEST(TrayCloseTest, EveryMoodOfTheTrayProgram) {
  enum Setup { kRunning, kNotRunning, kQuoted, kNoEntry, kNoMutex, kOddValue, kLongest, kTooLong };
  struct Case {
    const char* name;
    Setup setup;
    TrayScript script;
    int closeMessages;
    uint64_t clock;
    bool fileKept;
    DWORD deleteError = 0;  // every deletion of the file fails so
  };
  const Case cases[] = {
      {"ends 1200 ms after the message", kRunning, {0, 1200}, 1, 1200, false},
      {"never lets go: ended 30 s later", kRunning, {0, -1}, 20, 21 * 5000 + 30000, false},
      {"never shows its window: ended 30 s later", kRunning, {1000000, 0}, 0, 5000 + 30000, false},
      {"abandons the mutex", kRunning, {0, 100, true}, 1, 100, false},  // abandoned, then ours
      {"file locked 250 ms after it ended", kRunning, {0, 0, false, 250}, 1, 300, false},
      {"window gone at once, ends 6 s later", kRunning, {0, 6050, false, 0, 0}, 1, 6050, false},
      {"not running, its path in quotes as installs write it: no pause", kQuoted, {}, 0, 0, false},
      {"not running, held open: 10 tries", kNotRunning, {}, 0, 90, true, ERROR_SHARING_VIOLATION},
      {"not running, denied: 10 tries", kNotRunning, {}, 0, 900, true, ERROR_ACCESS_DENIED},
      {"no entry: a pause for a tray program still starting", kNoEntry, {}, 0, 1000, true},
      {"no mutex: the file stays", kNoMutex, {}, 0, 0, true},
      {"a Run value of odd size, its NUL missing", kOddValue, {}, 0, 0, false},
      {"263 characters fill the 264 read back with the NUL", kLongest, {}, 0, 0, false},
      {"264 characters do not fit: as if there were no entry", kTooLong, {}, 0, 1000, true},
  };
  const std::wstring longest = L"C:\\" + std::wstring(263 - 7, L't') + L".exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    const std::wstring path = c.setup == kLongest   ? longest
                              : c.setup == kTooLong ? longest + L"x"
                                                    : kTray;
    Register(machine, path);
    if (c.setup == kNoEntry) machine.registry[Lower(kRunKey)].clear();
    if (c.setup == kQuoted) machine.SetRegString(kRunKey, kRunValue, L"\"" + path + L"\"");
    if (c.setup == kOddValue) {  // the NUL's second byte cut, its first not 0
      std::vector<BYTE>& value = machine.registry[Lower(kRunKey)][Lower(kRunValue)].data;
      value.pop_back();
      value.back() = 'x';
    }
    SimTray tray(machine, kTray, c.script);
    if (c.setup == kRunning) tray.Start();
    if (c.setup == kNoMutex) machine.FailNext("CreateMutexA", 1, ERROR_ACCESS_DENIED);
    if (c.deleteError != 0) machine.FailAlways("DeleteFileW", c.deleteError);
    CloseTray();
    EXPECT_EQ(tray.closeMessages(), c.closeMessages);
    EXPECT_EQ(machine.clock, c.clock);
    EXPECT_EQ(machine.FileExists(path), c.fileKept);
    EXPECT_FALSE(machine.HasRegValue(kRunKey, kRunValue));
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
}

TEST_F(TrayTest, StartTrayRegistersAndStartsQuotedOnlyWhereWanted) {
  sim.AddFile(L"C:\\App\\qvatray.exe", "tray");
  sim.majorVersion = 6;  // the first Windows it runs on
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(sim.processStarts.at(0).commandLine, L"\"C:\\App\\qvatray.exe\"");

  // Without the Run key it is still started; a path over 259 characters is started cut.
  sim.registry.erase(Lower(kRunKey));
  StartFrom(L"C:\\App\\drv\\");
  sim.registry[Lower(kRunKey)];
  const std::wstring parent = L"C:\\" + std::wstring(260, L'p');
  StartFrom(parent + L"\\drv\\");
  EXPECT_EQ(RegisteredPath(), L"\"" + parent + L"\\qvatray.exe\"");
  EXPECT_EQ(sim.processStarts.at(2).commandLine,
            L"\"" + (parent + L"\\qvatray.exe").substr(0, 259) + L"\"");
  StartFrom(L"C:\\");  // no parent: a bare name
  EXPECT_EQ(RegisteredPath(), L"\"qvatray.exe\"");

  // Neither registered nor started without the wish, before Windows 6 or when the version is
  // unknown.
  sim.registry.erase(Lower(kRunKey));
  StartFrom(L"C:\\App\\drv\\", /*startTray=*/false);
  sim.majorVersion = 5;
  StartFrom(L"C:\\App\\drv\\");
  sim.majorVersion = 6;
  sim.FailNext("GetVersionExA", 1, ERROR_INVALID_PARAMETER);
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(sim.processStarts.size(), 4u);
  EXPECT_EQ(RegisteredPath(), L"<none>");
  ExpectAllReleased();
}

// As SYSTEM in session 0 people's trays are closed and started again as each person, never as
// SYSTEM, from the file an install keeps (its entry may differ in case); an account without the
// right to a person's token leaves it to the next log-on; a tray that did not end is logged.
TEST_F(TrayTest, DeploymentAccountReachesTheTraysOfPeoplesSessions) {
  StageProductPackage(sim);
  sim.account = SimAccount::kSystem;
  sim.sessionId = 0;
  sim.sessions = {{2, WTSActive}, {3, WTSDisconnected}, {4, WTSConnected}};
  SimTray two(sim, kTray, TrayScript{0, 700}, 2);
  SimTray three(sim, kTray, TrayScript{0, -1}, 3);
  Register(sim, L"C:\\SETUP\\QvaTray.exe");
  two.StartWhenLaunched(), three.StartWhenLaunched();
  two.Start(), three.Start();
  std::vector<std::wstring> log = RunAndReadLog(L"install");
  EXPECT_EQ(two.starts() + three.starts(), 4);  // each ended and started again
  EXPECT_TRUE(two.running() && three.running());
  EXPECT_EQ(sim.processStarts.size(), 2u);
  EXPECT_GE(LineOf(log, L"Tray program started in session 3"), 0);
  EXPECT_EQ(LineOf(log, L"No one is logged on", true), -1);

  sim.account = SimAccount::kAdministrator;
  sim.FailNext("RmShutdown", 1, 351);
  log = RunAndReadLog(L"install");
  EXPECT_GE(LineOf(log, L"A tray program did not end (351): its file stays in use"), 0);
  EXPECT_GE(LineOf(log, L"Tray program of session 2 starts at its next log-on (1314: System "
                        L"message 1314.)"),
            0);
  two.Start(), three.Start();
  EXPECT_EQ(Run(L"removetray"), 6);
  EXPECT_FALSE(two.running() || three.running());
  EXPECT_EQ(sim.processStarts.size(), 2u);
  ExpectAllReleased();
}

// A deployment account (LocalSystem anywhere, any account in session 0) with no one logged on (a
// log-on screen is no one's) or the sessions unknown leaves the tray program to each log-on.
TEST_F(TrayTest, DeploymentWithoutPeopleLeavesTheTrayToTheirLogOn) {
  sim.account = SimAccount::kSystem;  // in session 1: a tool's interactive run
  sim.sessions = {{2, WTSConnected}};
  InstallContext ctx;
  ctx.startTray = true;
  StartTray(ctx);
  sim.FailNext("WTSEnumerateSessionsW", 1, ERROR_ACCESS_DENIED);
  StartTray(ctx);
  sim.account = SimAccount::kAdministrator;
  sim.sessionId = 0;
  StartTray(ctx);
  const std::wstring noOne = L"No one is logged on: the tray program starts at each log-on";
  EXPECT_EQ(SplitLines(ctx.logText.Text()),
            (std::vector<std::wstring>{
                noOne, L"Tray program starts at each person's next log-on (sessions unknown: 5)",
                noOne}));
}

}  // namespace
}  // namespace qv::sim
