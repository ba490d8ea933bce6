// The tray program's control: closing a running tray program in its many moods, registering and
// starting it, and keeping the file that an install over the product is about to start again.
#include "system/tray.h"

#include <gtest/gtest.h>

#include "core/install_context.h"
#include "scenario.h"
#include "sim_tray.h"

namespace qv {
namespace {

constexpr wchar_t kTray[] = L"C:\\setup\\qvatray.exe";

class TrayTest : public sim::Scenario {
 protected:
  void Register(const std::wstring& path) {
    sim.SetRegString(sim::kRunKey, sim::kRunValue, path);
    sim.AddFile(path, "tray");
  }
  bool Registered() const { return sim.HasRegValue(sim::kRunKey, sim::kRunValue); }
  std::wstring RegisteredPath() const { return sim.RegString(sim::kRunKey, sim::kRunValue); }

  // Closes a tray program run by `script` from kTray, registered at log-on.
  void CloseScripted(const sim::TrayScript& script) {
    Register(kTray);
    tray_ = std::make_unique<sim::SimTray>(sim, kTray, script);
    tray_->Start();
    CloseTray();
  }

  void StartFrom(const wchar_t* moduleDir, bool startTray = true) {
    InstallContext ctx;
    ctx.moduleDir.Assign(moduleDir);
    ctx.startTray = startTray;
    StartTray(ctx);
  }

  std::unique_ptr<sim::SimTray> tray_;
};

TEST_F(TrayTest, NoTrayRunning) {
  // No entry: the mutex is made and closed, 1 s passes, the value's removal is still tried.
  CloseTray();
  EXPECT_EQ(sim.CallCount("CreateMutexA"), 1);
  EXPECT_EQ(sim.clock, 1000u);
  EXPECT_EQ(sim.CallCount("RegDeleteValueA"), 1);
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 0);

  // An entry: its file is deleted and the entry removed, without a pause.
  Register(kTray);
  CloseTray();
  EXPECT_FALSE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());
  EXPECT_EQ(sim.clock, 1000u);

  // No mutex to be had: no deletion, but the entry goes all the same.
  Register(kTray);
  sim.FailNext("CreateMutexA", 1, ERROR_ACCESS_DENIED);
  CloseTray();
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());

  // No Run key: nothing more is done.
  Register(kTray);
  sim.FailNext("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
  CloseTray();
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_TRUE(Registered());
  EXPECT_EQ(sim.clock, 1000u);
  ExpectAllReleased();
}

TEST_F(TrayTest, TrayThatEndsSoonAfterTheMessage) {
  CloseScripted({/*windowAfter=*/0, /*endsAfter=*/1200});
  EXPECT_EQ(tray_->closeMessages(), 1);
  EXPECT_EQ(sim.CallCount("WaitForSingleObject"), 1);
  EXPECT_EQ(sim.clock, 1200u);
  EXPECT_FALSE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

TEST_F(TrayTest, TrayWhoseWindowAppearsLate) {
  CloseScripted({/*windowAfter=*/1000, /*endsAfter=*/0});
  EXPECT_EQ(sim.CallCount("FindWindowW"), 5);  // at 0, 250, 500, 750 and 1000 ms
  EXPECT_EQ(tray_->closeMessages(), 1);
  EXPECT_FALSE(tray_->running());
  EXPECT_FALSE(sim.FileExists(kTray));
  ExpectAllReleased();
}

TEST_F(TrayTest, TrayThatNeverEndsOrNeverShowsItsWindow) {
  // Never lets go: 20 messages, 21 waits of 5 s; its locked file resists 10 attempts.
  CloseScripted({/*windowAfter=*/0, /*endsAfter=*/-1});
  EXPECT_EQ(tray_->closeMessages(), 20);
  EXPECT_EQ(sim.CallCount("WaitForSingleObject"), 21);
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 10);
  EXPECT_EQ(sim.clock, 21 * 5000u + 9 * 100u);
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

TEST_F(TrayTest, TrayThatNeverShowsItsWindowCosts20Polls) {
  CloseScripted({/*windowAfter=*/1000000, /*endsAfter=*/0});
  EXPECT_EQ(sim.CallCount("FindWindowW"), 20);
  EXPECT_EQ(sim.CallCount("WaitForSingleObject"), 0);
  EXPECT_EQ(sim.clock, 20 * 250u + 9 * 100u);
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

TEST_F(TrayTest, AbandonedMutexCountsAsTimeoutThenIsOurs) {
  CloseScripted({/*windowAfter=*/0, /*endsAfter=*/100, /*abandonsMutex=*/true});
  EXPECT_EQ(tray_->closeMessages(), 1);
  EXPECT_EQ(sim.CallCount("WaitForSingleObject"), 2);  // abandoned, then at once ours
  EXPECT_EQ(sim.clock, 100u);
  EXPECT_FALSE(sim.FileExists(kTray));
  ExpectAllReleased();
}

TEST_F(TrayTest, LockedTrayFileIsTriedTenTimesAndTheEntryGoesAnyway) {
  CloseScripted({0, 0, false, /*fileLockedFor=*/250});
  EXPECT_EQ(sim.CallCount("DeleteFileW"), 4);  // at 0, 100, 200 and 300 ms
  EXPECT_FALSE(sim.FileExists(kTray));

  Register(kTray);
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
      {L"C:\\App\\drv", L"C:\\App\\qvatray.exe"},
      {L"D:/pkg/drv/", L"D:/pkg\\qvatray.exe"},
      {L"C:\\", L"qvatray.exe"},
      {L"\\drv\\", L"qvatray.exe"},
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
  const auto& value = sim.registry[sim::Lower(sim::kRunKey)][sim::Lower(sim::kRunValue)];
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.data.size(), sizeof(L"C:\\App\\qvatray.exe"));  // with its NUL
  ASSERT_EQ(sim.processStarts.size(), 1u);
  const sim::SimProcessStart& start = sim.processStarts[0];
  EXPECT_EQ(start.commandLine, L"\"C:\\App\\qvatray.exe\"");
  EXPECT_TRUE(start.started);
  EXPECT_EQ(start.creationFlags, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  EXPECT_FALSE(start.inheritHandles);
  EXPECT_EQ(start.startupSize, 104u);
  EXPECT_EQ(start.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(start.showWindow, SW_SHOW);

  // Without the Run key it is still started.
  sim.registry.erase(sim::Lower(sim::kRunKey));
  StartFrom(L"C:\\App\\drv\\");
  EXPECT_EQ(sim.processStarts.size(), 2u);
  ExpectAllReleased();
}

TEST_F(TrayTest, LongTrayPathIsRegisteredWholeButStartedCut) {
  const std::wstring parent = L"C:\\" + std::wstring(260, L'p');
  StartFrom((parent + L"\\drv\\").c_str());
  const std::wstring trayPath = parent + L"\\qvatray.exe";
  EXPECT_EQ(RegisteredPath(), trayPath);
  ASSERT_EQ(sim.processStarts.size(), 1u);
  EXPECT_EQ(sim.processStarts[0].commandLine, L"\"" + trayPath.substr(0, 259) + L"\"");
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
    tray_ = std::make_unique<sim::SimTray>(sim, kTray, sim::TrayScript{0, 200});
    tray_->StartWhenLaunched();
  }
};

TEST_F(TrayOverInstalledProductTest, InstallKeepsAndRestartsTheTrayProgram) {
  sim.SetRegString(sim::kRunKey, sim::kRunValue, L"C:\\SETUP\\QvaTray.exe");  // case differs
  tray_->Start();
  Run(L"install");
  EXPECT_EQ(tray_->closeMessages(), 1);
  EXPECT_TRUE(sim.FileExists(kTray));
  EXPECT_EQ(tray_->starts(), 2);
  EXPECT_TRUE(tray_->running());
  EXPECT_EQ(RegisteredPath(), kTray);
  ExpectAllReleased();
}

TEST_F(TrayOverInstalledProductTest, InstallDeletesAnotherRegisteredTrayFile) {
  Register(L"C:\\Old\\qvatray.exe");
  Run(L"install");
  EXPECT_FALSE(sim.FileExists(L"C:\\Old\\qvatray.exe"));
  EXPECT_TRUE(tray_->running());
  EXPECT_EQ(RegisteredPath(), kTray);
}

TEST_F(TrayOverInstalledProductTest, UninstallAndRemoveTrayDeleteIt) {
  Run(L"install");
  ASSERT_TRUE(tray_->running());
  Run(L"uninstall");
  EXPECT_FALSE(tray_->running());
  EXPECT_FALSE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());

  StagePackage();
  Run(L"install");
  ASSERT_TRUE(tray_->running());
  EXPECT_EQ(Run(L"removetray"), 6);
  EXPECT_FALSE(tray_->running());
  EXPECT_FALSE(sim.FileExists(kTray));
  EXPECT_FALSE(Registered());

  sim.AddFile(kTray, "tray");
  Run(L"in_notray");
  EXPECT_FALSE(tray_->running());
  EXPECT_FALSE(Registered());
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv
