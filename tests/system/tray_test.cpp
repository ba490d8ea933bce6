// The tray program's control: closing a running tray program in its many moods, registering and
// starting it, and keeping the file that an install over the product is about to start again.
#include "system/tray.h"

#include <gtest/gtest.h>

#include "core/install_context.h"
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
  bool Registered() const { return sim.HasRegValue(kRunKey, kRunValue); }
  std::wstring RegisteredPath() const { return sim.RegString(kRunKey, kRunValue); }

  void StartFrom(const wchar_t* moduleDir, bool startTray = true) {
    InstallContext ctx;
    ctx.moduleDir.Assign(moduleDir);
    ctx.startTray = startTray;
    StartTray(ctx);
  }

  std::unique_ptr<SimTray> tray_;
};

TEST_F(TrayTest, NoTrayRunning) {
  // No entry: the mutex is made and closed, 1 s passes, the value's removal is still tried.
  CloseTray();
  EXPECT_EQ(sim.CallCount("CreateMutexA"), 1);
  EXPECT_EQ(sim.clock, 1000u);
  EXPECT_EQ(sim.CallCount("RegDeleteValueA"), 1);
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 0);

  // An entry: its file is deleted and the entry removed, without a pause.
  Register(sim, kTray);
  CloseTray();
  EXPECT_FALSE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());
  EXPECT_EQ(sim.clock, 1000u);

  // No mutex to be had: no deletion, but the entry goes all the same.
  Register(sim, kTray);
  sim.FailNext("CreateMutexA", 1, ERROR_ACCESS_DENIED);
  CloseTray();
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());

  // No Run key: nothing more is done.
  Register(sim, kTray);
  sim.FailNext("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
  CloseTray();
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_TRUE(Registered());
  ExpectAllReleased();
}

// A registered tray program run by a script is closed: the messages, waits and window polls it
// costs in virtual time, and whether its locked file outlives the 10 deletion attempts.
TEST(TrayCloseTest, ScriptedTrayPrograms) {
  struct Case {
    const char* name;
    TrayScript script;
    int closeMessages, waits, findWindows;
    uint64_t clock;
    bool fileKept;
  };
  const Case cases[] = {
      {"ends 1200 ms after the message", {0, 1200}, 1, 1, 1, 1200, false},
      {"window after 1 s", {1000, 0}, 1, 1, 5, 1000, false},  // polls at 0, 250 ... 1000 ms
      {"never lets go", {0, -1}, 20, 21, 20, 21 * 5000 + 9 * 100, true},
      {"never shows its window", {1000000, 0}, 0, 0, 20, 20 * 250 + 9 * 100, true},
      {"abandons the mutex", {0, 100, true}, 1, 2, 2, 100, false},  // abandoned, then ours
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    Register(machine, kTray);
    SimTray tray(machine, kTray, c.script);
    tray.Start();
    CloseTray();
    EXPECT_EQ(tray.closeMessages(), c.closeMessages);
    EXPECT_EQ(machine.CallCount("WaitForSingleObject"), c.waits);
    EXPECT_EQ(machine.CallCount("FindWindowW"), c.findWindows);
    EXPECT_EQ(machine.CallCount("DeleteFileW"), c.fileKept ? 10 : 1);
    EXPECT_EQ(machine.clock, c.clock);
    EXPECT_EQ(machine.FileExists(kTray), c.fileKept);
    EXPECT_FALSE(machine.HasRegValue(kRunKey, kRunValue));
    EXPECT_EQ(machine.LiveBlocks(), 0);
    EXPECT_EQ(machine.OpenHandles(), 0);
  }
}

TEST_F(TrayTest, LockedTrayFileIsTriedTenTimesAndTheEntryGoesAnyway) {
  Register(sim, kTray);
  SimTray tray(sim, kTray, {0, 0, false, /*fileLockedFor=*/250});
  tray.Start();
  CloseTray();
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 4);  // at 0, 100, 200 and 300 ms
  EXPECT_FALSE(sim.FileExists(kTray));

  Register(sim, kTray);
  sim.FindFile(kTray)->lockedForever = true;
  sim.FailNext("DeleteFileW", 1, ERROR_SHARING_VIOLATION);  // other errors retry after 10 ms
  const uint64_t before = sim.clock;
  CloseTray();
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 14);
  EXPECT_EQ(sim.clock - before, 10u + 8 * 100u);
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

TEST_F(TrayTest, TrayPathIsTheParentOfTheInstallerDirectory) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\App\\drv\\", L"C:\\App\\qvatray.exe"},
      {L"D:/pkg/drv/", L"D:/pkg\\qvatray.exe"},
      {L"C:\\", L"qvatray.exe"},
      {L"", L"qvatray.exe"}};
  for (const auto& [moduleDir, expected] : cases) {
    TextBuffer dir;
    dir.Assign(moduleDir);
    EXPECT_STREQ(TrayPathFor(dir).Text(), expected) << moduleDir;
  }
}

TEST_F(TrayTest, StartTrayRegistersUnquotedAndStartsQuoted) {
  sim.AddFile(L"C:\\App\\qvatray.exe", "tray");
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(RegisteredPath(), L"C:\\App\\qvatray.exe");
  const auto& value = sim.registry[Lower(kRunKey)][Lower(kRunValue)];
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.data.size(), sizeof(L"C:\\App\\qvatray.exe"));  // with its NUL
  ASSERT_EQ(sim.processStarts.size(), 1u);
  const SimProcessStart& start = sim.processStarts[0];
  EXPECT_EQ(start.commandLine, L"\"C:\\App\\qvatray.exe\"");
  EXPECT_TRUE(start.started);
  EXPECT_EQ(start.startupSize, 104u);
  EXPECT_EQ(start.showWindow, SW_SHOW);

  // Without the Run key it is still started.
  sim.registry.erase(Lower(kRunKey));
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(sim.processStarts.size(), 2u);

  // A path over 259 characters is registered whole and started cut.
  sim.registry[Lower(kRunKey)];
  const std::wstring parent = L"C:\\" + std::wstring(260, L'p');
  StartFrom((parent + L"\\drv\\").c_str());
  EXPECT_EQ(RegisteredPath(), parent + L"\\qvatray.exe");
  ASSERT_EQ(sim.processStarts.size(), 3u);
  EXPECT_EQ(sim.processStarts[2].commandLine,
            L"\"" + (parent + L"\\qvatray.exe").substr(0, 259) + L"\"");
  ExpectAllReleased();
}

TEST_F(TrayTest, NothingRegisteredOrStartedWithoutTrayOrOnOldWindows) {
  sim.AddFile(L"C:\\App\\qvatray.exe", "tray");
  StartFrom(L"C:\\App\\drv\\", /*startTray=*/false);
  sim.majorVersion = 5;
  StartFrom(L"C:\\App\\drv\\");
  sim.majorVersion = 6;
  sim.platformId = VER_PLATFORM_WIN32_WINDOWS;
  StartFrom(L"C:\\App\\drv\\");
  sim.platformId = VER_PLATFORM_WIN32_NT;
  sim.FailNext("GetVersionExA", 1, ERROR_INVALID_PARAMETER);
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_FALSE(Registered());
  EXPECT_TRUE(sim.processStarts.empty());
  EXPECT_EQ(sim.CallCount("RegOpenKeyExA"), 0);
}

// The file that an install is about to start again is never deleted by its own removal phase;
// every other registered tray file is.
class TrayOverInstalledProductTest : public TrayTest {
 protected:
  void SetUp() override {
    StagePackage();
    tray_ = std::make_unique<SimTray>(sim, kTray, TrayScript{0, 200});
    tray_->StartWhenLaunched();
  }
};

TEST_F(TrayOverInstalledProductTest, InstallKeepsAndRestartsTheTrayProgram) {
  sim.SetRegString(kRunKey, kRunValue, L"C:\\SETUP\\QvaTray.exe");  // case differs
  tray_->Start();
  Run(L"install");
  EXPECT_EQ(tray_->closeMessages(), 1);
  EXPECT_EQ(tray_->starts(), 2);
  EXPECT_TRUE(tray_->running());
  EXPECT_EQ(RegisteredPath(), kTray);
  ExpectAllReleased();
}

TEST_F(TrayOverInstalledProductTest, InstallDeletesAnotherRegisteredTrayFile) {
  Register(sim, L"C:\\Old\\qvatray.exe");
  Run(L"install");
  EXPECT_FALSE(sim.FileExists(L"C:\\Old\\qvatray.exe"));
  EXPECT_TRUE(tray_->running());
  EXPECT_EQ(RegisteredPath(), kTray);
}

TEST_F(TrayOverInstalledProductTest, UninstallAndRemoveTrayDeleteIt) {
  const std::pair<const wchar_t*, int> commands[] = {{L"uninstall", 2}, {L"removetray", 6}};
  for (const auto& [command, exitCode] : commands) {
    SCOPED_TRACE(command);
    StagePackage();
    Run(L"install");
    ASSERT_TRUE(tray_->running());
    EXPECT_EQ(Run(command), exitCode);
    EXPECT_FALSE(tray_->running());
    EXPECT_FALSE(sim.FileExists(kTray));
    EXPECT_FALSE(Registered());
  }
  sim.AddFile(kTray, "tray");
  Run(L"in_notray");
  EXPECT_FALSE(tray_->running());
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
