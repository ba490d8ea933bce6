// Taking the monitor DLL an install has put in place out of the deletions at restart: the whole
// story of a DLL held during an uninstall, and the edit of the queue kept to exactly those entries.
#include "system/pending_deletion_cancel.h"

#include "core/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

constexpr wchar_t kMonitorDll[] = L"C:\\windows\\system32\\orbmon64.dll";

// Another program adds a deletion of its own to the queue after each of our next `changes` reads.
struct BusyQueue : SimWindows {
  int changes = 0;
  LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size) override {
    const LSTATUS status = SimWindows::RegQueryValueExW(key, name, reserved, type, data, size);
    if (data && changes > 0) {
      --changes;
      std::vector<std::wstring> queue = PendingRenames();
      queue.insert(queue.end(), {L"\\??\\C:\\other\\busy.tmp", L""});
      SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
    }
    return status;
  }
};

class PendingDeletionCancel : public Scenario {};

TEST_F(PendingDeletionCancel, InstallAfterAHeldUninstallSurvivesTheRestart) {
  StagePackage();
  ASSERT_EQ(Run(L"in_notray"), 1);
  sim.FindFile(kMonitorDll)->lockedForever = true;  // another program holds the DLL
  EXPECT_EQ(Run(L"uninstall"), 101);
  sim.FindFile(kMonitorDll)->lockedForever = false;  // and lets go
  EXPECT_EQ(Run(L"onInit"), 200);
  EXPECT_EQ(Run(L"in_notray"), 1);
  EXPECT_TRUE(sim.PendingRenames().empty());
  sim.Reboot();
  ASSERT_TRUE(sim.FileExists(kMonitorDll));
  EXPECT_NE(sim.FindFile(kMonitorDll)->data.find("[build=2629]"), std::string::npos);
  EXPECT_TRUE(sim.MonitorRegistered(L"Quintavera:"));
  ExpectAllReleased();
}

// Only the deletions of the path go; renames, other paths and a string without its pair stay.
TEST_F(PendingDeletionCancel, OnlyTheDeletionsOfThePathLeaveTheQueue) {
  const std::vector<std::wstring> kept = {
      L"\\??\\C:\\other\\app.dll",          L"",
      L"\\??\\C:\\windows\\system32\\orbmon64.dll", L"\\??\\C:\\windows\\system32\\orbmon64.old",
      L"\\??\\C:\\new\\orbmon64.dll",       L"\\??\\C:\\windows\\system32\\orbmon64.dll",
      L"\\??\\D:\\elsewhere\\orbmon64.dll", L""};
  std::vector<std::wstring> queue = {L"\\??\\C:\\WINDOWS\\System32\\ORBMON64.DLL", L""};
  queue.insert(queue.end(), kept.begin(), kept.begin() + 4);
  queue.insert(queue.end(), {L"C:\\windows\\system32\\orbmon64.dll", L""});
  queue.insert(queue.end(), kept.begin() + 4, kept.end());
  queue.push_back(L"\\??\\C:\\unpaired.dll");
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
  std::vector<std::wstring> expected = kept;
  expected.push_back(L"\\??\\C:\\unpaired.dll");
  sim.SetRegMultiSz(L"HKLM\\expected", kPendingRenamesValue, expected);

  InstallContext ctx;
  CancelQueuedDeletions(ctx, kMonitorDll);
  EXPECT_EQ(sim.registry[Lower(kSessionManagerKey)][Lower(kPendingRenamesValue)].data,
            sim.registry[L"hklm\\expected"][Lower(kPendingRenamesValue)].data);
  EXPECT_EQ(ctx.errorCount, 0);
  ExpectAllReleased();
}

TEST_F(PendingDeletionCancel, QueueThatCannotBeEditedKeepsEveryEntry) {
  struct Case {
    const char* name;
    std::function<void(BusyQueue&)> setUp;
    bool cancelled;
    std::wstring reason;  // the error line's ending; empty: no error line
  };
  const std::wstring line =
      L"Error(18): Can't cancel the deletion of C:\\windows\\system32\\orbmon64.dll at restart, it "
      L"stays queued";
  const Case cases[] = {
      {"changed once between reading and writing", [](BusyQueue& q) { q.changes = 1; }, true, L""},
      {"changing on every attempt", [](BusyQueue& q) { q.changes = 100; }, false, L""},
      {"value not writable",
       [](BusyQueue& q) { q.FailNext("RegSetValueExW", 1, ERROR_ACCESS_DENIED); }, false,
       L" - (System message 5.)"},
      {"key not writable",
       [](BusyQueue& q) { q.FailNext("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED); }, false,
       L" - (System message 5.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BusyQueue machine;
    ScopedWindowsApi api(machine);
    const std::vector<std::wstring> before = {L"\\??\\C:\\other\\app.dll", L"",
                                              std::wstring(L"\\??\\") + kMonitorDll, L""};
    machine.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, before);
    c.setUp(machine);
    InstallContext ctx;
    CancelQueuedDeletions(ctx, kMonitorDll);
    const std::vector<std::wstring> after = machine.PendingRenames();
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], before[0]);  // nothing of anyone else is dropped
    EXPECT_EQ(std::count(after.begin(), after.end(), L"\\??\\C:\\other\\busy.tmp"),
              std::count(after.begin(), after.end(), L"") - (c.cancelled ? 1 : 2));
    EXPECT_EQ(std::count(after.begin(), after.end(), before[2]), c.cancelled ? 0 : 1);
    const std::vector<std::wstring> log = SplitLines(ctx.logText.Text());
    EXPECT_EQ(ctx.errorCount, c.cancelled ? 0 : 1);
    if (!c.cancelled) {
      EXPECT_EQ(log.back(), line + c.reason);
    }
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
