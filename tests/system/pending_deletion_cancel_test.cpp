// Taking the installed monitor DLL out of the deletions at restart, and nothing else.
#include "system/pending_deletion_cancel.h"

#include "core/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

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

// Only the deletions of the path go; renames, other paths and a string without its pair stay.
TEST_F(PendingDeletionCancel, OnlyTheDeletionsOfThePathLeaveTheQueue) {
  std::vector<std::wstring> expected = {L"\\??\\C:\\other\\app.dll",
                                        L"",
                                        L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                        L"\\??\\C:\\windows\\system32\\orbmon64.old",
                                        L"\\??\\C:\\new\\orbmon64.dll",
                                        L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                        L"\\??\\D:\\elsewhere\\orbmon64.dll",
                                        L"",
                                        L"\\??\\C:\\unpaired.dll"};
  std::vector<std::wstring> queue = expected;
  queue.insert(queue.begin(), {L"\\??\\C:\\WINDOWS\\System32\\ORBMON64.DLL", L""});
  queue.insert(queue.begin() + 6, {L"C:\\windows\\system32\\orbmon64.dll", L""});
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
  sim.SetRegMultiSz(L"HKLM\\expected", kPendingRenamesValue, expected);

  InstallContext ctx;
  CancelQueuedDeletions(ctx, kMonitorDll);
  EXPECT_EQ(sim.registry[Lower(kSessionManagerKey)][Lower(kPendingRenamesValue)].data,
            sim.registry[L"hklm\\expected"][Lower(kPendingRenamesValue)].data);
  EXPECT_EQ(ctx.errorCount, 0);
  ExpectAllReleased();
}

// Changed since read, the queue is edited again; where it cannot be, an error line names the
// deletion that stays queued and nothing of anyone else is dropped.
TEST_F(PendingDeletionCancel, QueueThatCannotBeEditedKeepsEveryEntry) {
  struct Case {
    const char* name;
    std::function<void(BusyQueue&)> setUp;
    const wchar_t* error;  // the error line's reason; null: cancelled
  };
  const Case cases[] = {
      {"changed once", [](BusyQueue& q) { q.changes = 1; }, nullptr},
      {"changing on every attempt", [](BusyQueue& q) { q.changes = 100; }, L""},
      {"value not writable", [](BusyQueue& q) { q.FailNext("RegSetValueExW", 1, 5); },
       L" - (System message 5.)"},
  };
  const std::wstring deletion = std::wstring(L"\\??\\") + kMonitorDll;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BusyQueue machine;
    ScopedWindowsApi api(machine);
    machine.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue,
                          {L"\\??\\C:\\other\\app.dll", L"", deletion, L""});
    c.setUp(machine);
    InstallContext ctx;
    CancelQueuedDeletions(ctx, kMonitorDll);
    const std::vector<std::wstring> after = machine.PendingRenames();
    EXPECT_EQ(after.at(0), L"\\??\\C:\\other\\app.dll");
    const auto busy = std::count(after.begin(), after.end(), L"\\??\\C:\\other\\busy.tmp");
    EXPECT_EQ(after.size(), 2 * static_cast<size_t>(busy) + (c.error ? 4 : 2));
    EXPECT_EQ(std::count(after.begin(), after.end(), deletion), c.error ? 1 : 0);
    EXPECT_EQ(ctx.errorCount, c.error ? 1 : 0);
    if (c.error) {
      EXPECT_EQ(SplitLines(ctx.logText.Text()).back(),
                L"Error(20): Can't cancel the deletion of " + std::wstring(kMonitorDll) +
                    L" at restart, it stays queued" + c.error);
    }
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
