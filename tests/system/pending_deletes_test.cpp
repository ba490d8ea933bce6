// The run's failed deletions: the list, its retries and the hand-over to Windows for the reboot,
// as an uninstall run ends.
#include "system/pending_deletes.h"

#include "core/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

constexpr wchar_t kMonitorDll[] = L"C:\\windows\\system32\\orbmon64.dll";

std::vector<std::wstring> Names(const FileNameList& list) {
  std::vector<std::wstring> names;
  for (const FileNameNode* node = list.head; node; node = node->next) names.push_back(node->name);
  return names;
}

class PendingDeletesTest : public Scenario {
 protected:
  InstallContext ctx;
};

// The list holds the newest first, without exact duplicates; a retry drops what is gone.
TEST_F(PendingDeletesTest, RetryDropsWhatIsGoneAndKeepsTheOrderOfTheRest) {
  RetryPendingDeletes(ctx);  // logs even with nothing to do
  sim.AddFile(L"C:\\locked.dll").lockedForever = true;
  sim.AddFile(L"C:\\free.dll");
  sim.AddFile(L"C:\\LOCKED.DLL").lockedForever = true;
  for (const wchar_t* name :
       {L"C:\\locked.dll", L"C:\\gone.dll", L"C:\\free.dll", L"C:\\locked.dll", L"C:\\LOCKED.DLL"})
    AddFileName(ctx.pendingDeletes, name);
  RetryPendingDeletes(ctx);
  EXPECT_EQ(Names(ctx.pendingDeletes),
            (std::vector<std::wstring>{L"C:\\LOCKED.DLL", L"C:\\locked.dll"}));
  EXPECT_FALSE(sim.FileExists(L"C:\\free.dll"));
  EXPECT_EQ(SplitLines(ctx.logText.Text()),
            (std::vector<std::wstring>{L"DeleteFile-try", L"DeleteFile-try"}));
  FreeFileNameList(ctx.pendingDeletes);
  EXPECT_TRUE(ctx.pendingDeletes.Empty());
  ExpectAllReleased();
}

TEST_F(PendingDeletesTest, ScheduledNamesReachTheRebootQueueAndGoAtReboot) {
  EXPECT_EQ(ScheduleDeletesAtReboot(ctx), 0u);
  for (const wchar_t* name : {L"C:\\a.dll", L"C:\\b.dll", L"C:\\c.dll"}) {
    sim.AddFile(name).lockedForever = true;
    AddFileName(ctx.pendingDeletes, name);
  }
  sim.FailNext("MoveFileExW", 1, ERROR_ACCESS_DENIED);  // refused: neither counted nor kept
  EXPECT_EQ(ScheduleDeletesAtReboot(ctx), 2u);
  EXPECT_TRUE(ctx.pendingDeletes.Empty());
  EXPECT_EQ(sim.PendingRenames(),
            (std::vector<std::wstring>{L"\\??\\C:\\b.dll", L"", L"\\??\\C:\\a.dll", L""}));
  sim.Reboot();
  EXPECT_FALSE(sim.FileExists(L"C:\\a.dll"));
  EXPECT_TRUE(sim.FileExists(L"C:\\c.dll"));
  EXPECT_TRUE(sim.PendingRenames().empty());
  ExpectAllReleased();
}

// The DLL held by another program is left for the reboot (101), what was queued already is deleted
// now and stays queued. Once the DLL is let go, an install before any restart takes its deletion
// out of the queue. With an error line as well (the restart refused: error 4) the code is 100.
TEST_F(PendingDeletesTest, UninstallLeavingTheMonitorDllForTheRebootExitsWith101Or100) {
  const std::wstring old = L"\\??\\C:\\temp\\old.dll",
                     monitor = L"\\??\\" + std::wstring(kMonitorDll);
  StagePackage();
  AddProductMonitor(sim, 2629).lockedForever = true;
  sim.AddFile(L"C:\\temp\\old.dll");
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, {old, L""});
  EXPECT_EQ(Run(L"uninstall"), 101);
  EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
  EXPECT_EQ(sim.PendingRenames(), (std::vector<std::wstring>{old, L"", monitor, L""}));
  sim.FindFile(kMonitorDll)->lockedForever = false;
  EXPECT_EQ(Run(L"onInit"),
            200);  // deletes the DLL queued for deletion, as setup always asks first
  EXPECT_EQ(Run(L"in_notray"), 1);
  EXPECT_EQ(sim.PendingRenames(), (std::vector<std::wstring>{old, L""}));

  StagePackage();
  AddProductMonitor(sim, 2629).lockedForever = true;
  sim.spoolerService.refuseStart = true;
  EXPECT_EQ(Run(L"uninstall"), 100);
  ExpectAllReleased();
}

// During a reinstall the old DLL that cannot be deleted is dropped after the removal, not
// scheduled: the run ends without a reboot (here 100, from the failed copy over that DLL).
TEST_F(PendingDeletesTest, ReinstallDropsAnUndeletableOldMonitorDll) {
  StagePackage();
  AddProductMonitor(sim, 2604).lockedForever = true;
  EXPECT_EQ(Run(L"install"), 100);
  EXPECT_TRUE(sim.PendingRenames().empty());
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
