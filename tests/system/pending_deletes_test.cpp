// The run's failed deletions: the list, its retries (with the spooler stopped when need be) and
// the hand-over to Windows for the reboot, as an uninstall run ends.
#include "system/pending_deletes.h"

#include "core/install_context.h"
#include "core/procedures.h"
#include "scenario.h"
#include "system/pending_renames.h"

namespace qv::sim {
namespace {

std::vector<std::wstring> Names(const FileNameList& list) {
  std::vector<std::wstring> names;
  for (const FileNameNode* node = list.head; node; node = node->next) names.push_back(node->name);
  return names;
}

class PendingDeletesTest : public Scenario {
 protected:
  // The lines of the retries and of the spooler restarts in a run's log, in order.
  static std::vector<std::wstring> RetryLines(const std::wstring& log) {
    std::vector<std::wstring> lines;
    for (const std::wstring& line : Trimmed(SplitLines(log))) {
      if (line.find(L"DeleteFile-try") != std::wstring::npos ||
          line.find(L"#Restart Spooler") != std::wstring::npos)
        lines.push_back(line);
    }
    return lines;
  }
  // A product monitor whose DLL nobody can delete before the reboot.
  void InstallUndeletableMonitor() {
    StagePackage();
    AddProductMonitor(sim, 2629).lockedForever = true;
  }
  InstallContext ctx;
};

TEST_F(PendingDeletesTest, ListKeepsNewestFirstWithoutExactDuplicates) {
  FileNameList list;
  AddFileName(list, L"C:\\a.dll");
  AddFileName(list, L"C:\\b.dll");
  AddFileName(list, L"C:\\a.dll");
  AddFileName(list, L"C:\\A.DLL");
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"C:\\A.DLL", L"C:\\b.dll", L"C:\\a.dll"}));
  FreeFileNameList(list);
  EXPECT_TRUE(list.Empty());
}

TEST_F(PendingDeletesTest, RetryDropsWhatIsGoneAndKeepsTheOrderOfTheRest) {
  RetryPendingDeletes(ctx);  // logs even with nothing to do
  sim.AddFile(L"C:\\locked1.dll").lockedForever = true;
  sim.AddFile(L"C:\\free.dll");
  sim.AddFile(L"C:\\locked2.dll").lockedForever = true;
  for (const wchar_t* name :
       {L"C:\\locked1.dll", L"C:\\gone.dll", L"C:\\free.dll", L"C:\\locked2.dll"})
    AddFileName(ctx.pendingDeletes, name);
  RetryPendingDeletes(ctx);
  EXPECT_EQ(Names(ctx.pendingDeletes),
            (std::vector<std::wstring>{L"C:\\locked2.dll", L"C:\\locked1.dll"}));
  EXPECT_FALSE(sim.FileExists(L"C:\\free.dll"));
  EXPECT_EQ(SplitLines(ctx.logText.Text()),
            (std::vector<std::wstring>{L"DeleteFile-try", L"DeleteFile-try"}));
  EXPECT_EQ(sim.OpenHandles(), 0);  // the names kept stay the context's
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
  EXPECT_EQ(ReadPendingRenames().pairCount, 2);
  sim.Reboot();
  EXPECT_FALSE(sim.FileExists(L"C:\\a.dll"));
  EXPECT_TRUE(sim.FileExists(L"C:\\c.dll"));
  EXPECT_TRUE(sim.PendingRenames().empty());
  ExpectAllReleased();
}

// The steps of an uninstall run after the removal: a file the spooler holds goes with the restart,
// one locked for good is left for the reboot (101), unless an error line was written (100).
TEST_F(PendingDeletesTest, UninstallCleanUpLeavesOnlyTheLockedFileForTheReboot) {
  for (const bool startFails : {false, true}) {
    SCOPED_TRACE(startFails);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    machine.registry[Lower(kSessionManagerKey)];
    machine.AddFile(L"C:\\windows\\system32\\held.dll").heldBySpooler = true;
    machine.AddFile(L"C:\\windows\\system32\\locked.dll").lockedForever = true;
    machine.AddFile(L"C:\\windows\\system32\\queued.dll");
    Os().MoveFileExW(L"C:\\windows\\system32\\queued.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    machine.spoolerService.refuseStart = startFails;
    {
      InstallContext run;
      InitInstallContext(run, kSetupX64);
      const int errorsBefore = run.errorCount;
      AddFileName(run.pendingDeletes, L"C:\\windows\\system32\\held.dll");
      AddFileName(run.pendingDeletes, L"C:\\windows\\system32\\locked.dll");
      UninstallAndCleanUp(run);
      EXPECT_FALSE(machine.FileExists(L"C:\\windows\\system32\\held.dll"));
      EXPECT_FALSE(machine.FileExists(L"C:\\windows\\system32\\queued.dll"));
      EXPECT_EQ(ScheduleDeletesAtReboot(run), 1u);
      EXPECT_EQ(run.errorCount - errorsBefore, startFails ? 1 : 0);
      EXPECT_EQ(RetryLines(run.logText.Text()),
                (std::vector<std::wstring>{L"DeleteFile-try", L"DeleteFile-try",
                                           L"#Restart Spooler", L"DeleteFile-try"}));
    }
    EXPECT_EQ(machine.PendingRenames().size(), 4u);  // the queued deletion and the locked file
    EXPECT_EQ(machine.LiveBlocks(), 0);
    EXPECT_EQ(machine.OpenHandles(), 0);
  }
}

// The DLL held by another program is left for the reboot (101). Once it lets go, setup runs again
// before any restart: onInit still answers 200, and the install deletes what is queued for deletion
// now, then takes the deletion of the DLL it put in place out of the queue: the monitor keeps its
// DLL after the restart.
TEST_F(PendingDeletesTest, UninstallLeavingTheMonitorDllForTheRebootExitsWith101Or100) {
  InstallUndeletableMonitor();
  EXPECT_EQ(Run(L"uninstall"), 101);
  EXPECT_FALSE(sim.MonitorRegistered(L"Quintavera:"));
  EXPECT_EQ(sim.PendingRenames(),
            (std::vector<std::wstring>{L"\\??\\C:\\windows\\system32\\orbmon64.dll", L""}));
  EXPECT_TRUE(sim.SpoolerRunning());
  sim.FindFile(L"C:\\windows\\system32\\orbmon64.dll")->lockedForever = false;
  EXPECT_EQ(Run(L"onInit"), 200);
  sim.AddFile(L"C:\\temp\\old.dll");  // someone else's deletion: carried out now, left queued
  Os().MoveFileExW(L"C:\\temp\\old.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  EXPECT_EQ(Run(L"in_notray"), 1);
  EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
  EXPECT_EQ(sim.PendingRenames(), (std::vector<std::wstring>{L"\\??\\C:\\temp\\old.dll", L""}));
  sim.Reboot();
  ASSERT_TRUE(sim.FileExists(L"C:\\windows\\system32\\orbmon64.dll"));
  EXPECT_NE(sim.FindFile(L"C:\\windows\\system32\\orbmon64.dll")->data.find("[build=2629]"),
            std::string::npos);
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));

  // With an error line as well (the clean-up's restart ends in error 4): 100.
  InstallUndeletableMonitor();
  sim.dialog = SimDialog();
  sim.spoolerService.refuseStart = true;
  EXPECT_EQ(Run(L"uninstall"), 100);
  EXPECT_TRUE(sim.dialog.shown);
  EXPECT_EQ(sim.PendingRenames().size(), 2u);
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
