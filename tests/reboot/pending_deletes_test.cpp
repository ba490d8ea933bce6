// The run's failed deletions: the list, its retries and the hand-over to Windows for the reboot.
#include "reboot/pending_deletes.h"

#include <tuple>

#include "context/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

class PendingDeletesTest : public Scenario {
 protected:
  InstallContext ctx;
};

// The list holds the newest first, without exact duplicates; a retry drops what is gone, and the
// rest goes to the reboot queue (an entry Windows refuses neither counted nor kept).
TEST_F(PendingDeletesTest, RetriedThenScheduledAtReboot) {
  RetryPendingDeletes(ctx);  // logs even with nothing to do
  EXPECT_EQ(ScheduleDeletesAtReboot(ctx), 0u);
  sim.AddFile(L"C:\\locked.dll").lockedForever = true;
  sim.AddFile(L"C:\\free.dll");
  sim.AddFile(L"C:\\b.dll").lockedForever = true;
  for (const wchar_t* name : {L"C:\\locked.dll", L"C:\\gone.dll", L"C:\\free.dll",
                              L"C:\\locked.dll", L"C:\\LOCKED.DLL", L"C:\\b.dll"})
    AddFileName(ctx.pendingDeletes, name);
  RetryPendingDeletes(ctx);
  std::vector<std::wstring> names;
  for (const FileNameNode* n = ctx.pendingDeletes.head; n; n = n->next) names.push_back(n->name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"C:\\b.dll", L"C:\\LOCKED.DLL", L"C:\\locked.dll"}));
  EXPECT_FALSE(sim.FileExists(L"C:\\free.dll"));
  EXPECT_EQ(SplitLines(ctx.logText.Text()),
            (std::vector<std::wstring>{L"DeleteFile-try", L"DeleteFile-try"}));
  sim.FailNext("MoveFileExW", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(ScheduleDeletesAtReboot(ctx), 2u);
  EXPECT_TRUE(ctx.pendingDeletes.Empty());
  EXPECT_EQ(sim.PendingRenames(), (std::vector<std::wstring>{L"\\??\\C:\\LOCKED.DLL", L"",
                                                             L"\\??\\C:\\locked.dll", L""}));
  {
    FileNameList left;  // a list its owner never emptied frees its names all the same
    AddFileName(left, L"C:\\left.dll");
  }
  ExpectAllReleased();
}

// The monitor DLL held by another program: an uninstall leaves it for the reboot (101, or 100 with
// an error line as well: the restart refused, error 4) and deletes now what was queued already,
// which stays queued (the install after it: tests/e2e/locked_monitor.sh); a reinstall of another
// build drops it instead of scheduling it (100: the copy failed).
TEST_F(PendingDeletesTest, OnlyAnUninstallLeavesTheLockedMonitorDllForTheReboot) {
  const std::wstring old = L"\\??\\C:\\temp\\old.dll";
  for (const auto& [command, restartRefused, exitCode] : {std::tuple{L"uninstall", false, 101},
                                                          {L"uninstall", true, 100},
                                                          {L"install", false, 100}}) {
    SCOPED_TRACE(testing::Message() << exitCode << " restart refused: " << restartRefused);
    const bool uninstall = command == std::wstring(L"uninstall");
    StageProductPackage(sim);
    AddProductMonitor(sim, uninstall ? 2629 : 2604).lockedForever = true;
    sim.AddFile(L"C:\\temp\\old.dll");
    sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, {old, L""});
    sim.spoolerService.refuseStart = restartRefused;
    EXPECT_EQ(Run(command), exitCode);
    EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
    std::vector<std::wstring> queue = {old, L""};
    if (uninstall) queue.insert(queue.end(), {L"\\??\\" + std::wstring(kMonitorDll), L""});
    EXPECT_EQ(sim.PendingRenames(), queue);
  }
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
