// The tray program's control: closing it in its many moods, registering and starting it.
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
  enum Setup { kRunning, kNotRunning, kNoEntry, kNoMutex, kOddValue, kLongest, kTooLong };
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
      {"never lets go", kRunning, {0, -1}, 20, 21 * 5000 + 9 * 100, true},
      {"never shows its window", kRunning, {1000000, 0}, 0, 20 * 250 + 9 * 100, true},
      {"no window, ends unasked after 3 s", kRunning, {1000000, 0, false, 0, 3000}, 0, 5000, false},
      {"abandons the mutex", kRunning, {0, 100, true}, 1, 100, false},  // abandoned, then ours
      {"file locked 250 ms after it ended", kRunning, {0, 0, false, 250}, 1, 300, false},
      {"not running: deleted without a pause", kNotRunning, {}, 0, 0, false},
      {"not running, held open: 10 tries", kNotRunning, {}, 0, 90, true, ERROR_SHARING_VIOLATION},
      {"not running, locked: 10 tries", kNotRunning, {}, 0, 90, true, ERROR_LOCK_VIOLATION},
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

TEST_F(TrayTest, StartTrayRegistersUnquotedAndStartsQuotedOnlyWhereWanted) {
  sim.AddFile(L"C:\\App\\qvatray.exe", "tray");
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(sim.processStarts.at(0).commandLine, L"\"C:\\App\\qvatray.exe\"");

  // Without the Run key it is still started; a path over 259 characters is started cut.
  sim.registry.erase(Lower(kRunKey));
  StartFrom(L"C:\\App\\drv\\");
  sim.registry[Lower(kRunKey)];
  const std::wstring parent = L"C:\\" + std::wstring(260, L'p');
  StartFrom(parent + L"\\drv\\");
  EXPECT_EQ(RegisteredPath(), parent + L"\\qvatray.exe");
  EXPECT_EQ(sim.processStarts.at(2).commandLine,
            L"\"" + (parent + L"\\qvatray.exe").substr(0, 259) + L"\"");
  StartFrom(L"C:\\");  // no parent: a bare name
  EXPECT_EQ(RegisteredPath(), L"qvatray.exe");

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

// An install's removal phase deletes every registered tray file but the one it starts again;
// "removetray" closes it.
TEST_F(TrayTest, InstallKeepsOnlyTheTrayFileItStartsAgain) {
  StageProductPackage(sim);
  SimTray tray(sim, kTray, TrayScript{0, 200});
  tray.StartWhenLaunched();
  sim.SetRegString(kRunKey, kRunValue, L"C:\\SETUP\\QvaTray.exe");  // case differs
  tray.Start();
  Run(L"install");
  EXPECT_EQ(tray.starts(), 2);
  EXPECT_TRUE(tray.running());

  Register(sim, L"C:\\Old\\qvatray.exe");
  Run(L"install");
  EXPECT_FALSE(sim.FileExists(L"C:\\Old\\qvatray.exe"));
  EXPECT_TRUE(tray.running());
  EXPECT_EQ(RegisteredPath(), kTray);
  EXPECT_EQ(Run(L"removetray"), 6);
  EXPECT_FALSE(tray.running());
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
