// Taking the installed monitor DLL out of the deletions at restart, and nothing else.
#include "reboot/pending_deletion_cancel.h"

#include "context/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

constexpr wchar_t kBusy[] = L"\\??\\C:\\other\\busy.tmp";

// Another program queues a deletion of its own first after each of our next `changes` reads.
struct BusyQueue : SimWindows {
  int changes = 0;
  LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size) override {
    const LSTATUS status = SimWindows::RegQueryValueExW(key, name, reserved, type, data, size);
    if (data && changes > 0) {
      --changes;
      std::vector<std::wstring> queue = PendingRenames();
      queue.insert(queue.begin(), {kBusy, L""});
      SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
    }
    return status;
  }
};

class PendingDeletionCancel : public Scenario {};

// Only the deletions of the path go (in any case, with or without "\??\"); renames, other paths, a
// string without its pair and what another program queued meanwhile stay, in order. Changed since
// read, the queue is edited again; where it cannot be, an error line names the deletion that stays
// queued and nothing is dropped.
TEST_F(PendingDeletionCancel, OnlyTheDeletionsOfThePathLeaveTheQueue) {
  const std::vector<std::wstring> kept = {L"\\??\\C:\\other\\app.dll",
                                          L"",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.old",
                                          L"\\??\\C:\\new\\orbmon64.dll",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                          L"\\??\\D:\\elsewhere\\orbmon64.dll",
                                          L"",
                                          L"\\??\\C:\\unpaired.dll"};
  std::vector<std::wstring> queue = kept;
  queue.insert(queue.begin(), {L"\\??\\C:\\WINDOWS\\System32\\ORBMON64.DLL", L""});
  queue.insert(queue.begin() + 6, {L"C:\\windows\\system32\\orbmon64.dll", L""});
  struct Case {
    const char* name;
    std::function<void(BusyQueue&)> setUp;
    const wchar_t* error;  // the error line's reason; null: cancelled
  };
  const Case cases[] = {
      {"unchanged", [](BusyQueue&) {}, nullptr},
      {"changed once", [](BusyQueue& q) { q.changes = 1; }, nullptr},
      {"changing on every attempt", [](BusyQueue& q) { q.changes = 100; }, L""},
      {"value not writable", [](BusyQueue& q) { q.FailNext("RegSetValueExW", 1, 5); },
       L" - (System message 5.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BusyQueue machine;
    ScopedWindowsApi api(machine);
    machine.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
    c.setUp(machine);
    const int changes = machine.changes;
    InstallContext ctx;
    CancelQueuedDeletions(ctx, kMonitorDll);
    std::vector<std::wstring> expected = c.error ? queue : kept;
    for (int i = machine.changes; i < changes; ++i) expected.insert(expected.begin(), {kBusy, L""});
    EXPECT_EQ(machine.PendingRenames(), expected);
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
