// Taking the installed monitor DLL out of the deletions at restart, and nothing else.
#include "reboot/pending_deletion_cancel.h"

#include <algorithm>

#include "context/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

constexpr wchar_t kBusy[] = L"\\??\\C:\\other\\busy.tmp";

constexpr wchar_t kOwn[] = L"\\??\\C:\\other\\app.dll", kOwnRecased[] = L"\\??\\C:\\OTHER\\app.dll";

// Another program queues a deletion of its own first in `value`: after each of our next `changes`
// reads, or each of our next `growths` size queries (so that the read after it finds more data).
// Or, after our next read, it writes its own entry anew in capitals: a change of the same size.
struct BusyQueue : SimWindows {
  const wchar_t* value = kPendingRenamesValue;
  int changes = 0;
  int growths = 0;
  int queued = 0;  // deletions queued so far
  bool recase = false, recased = false;
  LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size) override {
    const LSTATUS status = SimWindows::RegQueryValueExW(key, name, reserved, type, data, size);
    int& left = data ? changes : growths;
    if (data && recase && Lower(name) == Lower(value)) {
      recase = false, recased = true;
      std::vector<std::wstring> queue = PendingRenames(value);
      std::replace(queue.begin(), queue.end(), std::wstring(kOwn), std::wstring(kOwnRecased));
      SetRegMultiSz(kSessionManagerKey, value, queue);
    } else if (left > 0 && Lower(name) == Lower(value)) {
      --left;
      ++queued;
      std::vector<std::wstring> queue = PendingRenames(value);
      queue.insert(queue.begin(), {kBusy, L""});
      SetRegMultiSz(kSessionManagerKey, value, queue);
    }
    return status;
  }
};

class PendingDeletionCancel : public Scenario {};

// Only the deletions of the path go (in any case, with or without "\??\"); renames, other paths
// (on another drive, a proper prefix of it), a string without its pair and what another program
// queued meanwhile stay, in order, in either value. Changed since read, grown since sized or short
// of memory, the queue is edited again, three attempts in all; where it cannot be, an error line
// names the deletion that stays queued and nothing is dropped.
TEST_F(PendingDeletionCancel, OnlyTheDeletionsOfThePathLeaveTheQueue) {
  const std::vector<std::wstring> kept = {kOwn,
                                          L"",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.old",
                                          L"\\??\\C:\\new\\orbmon64.dll",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.dll",
                                          L"\\??\\D:\\windows\\system32\\orbmon64.dll",
                                          L"",
                                          L"\\??\\C:\\windows\\system32\\orbmon64.dl",
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
      {"in the second value", [](BusyQueue& q) { q.value = kPendingRenames2Value; }, nullptr},
      {"changed twice, then left", [](BusyQueue& q) { q.changes = 3; }, nullptr},
      {"changed once, same size", [](BusyQueue& q) { q.recase = true; }, nullptr},
      {"grown once", [](BusyQueue& q) { q.growths = 1; }, nullptr},
      {"no memory once", [](BusyQueue& q) { q.FailNext("GlobalAlloc", 1, 8); }, nullptr},
      {"changed on each of three attempts", [](BusyQueue& q) { q.changes = 5; }, L""},
      {"growing on every attempt", [](BusyQueue& q) { q.growths = 100; },
       L" - (System message 234.)"},
      {"value not writable", [](BusyQueue& q) { q.FailNext("RegSetValueExW", 1, 5); },
       L" - (System message 5.)"},
      {"key not writable", [](BusyQueue& q) { q.FailNext("RegOpenKeyExA", 1, 5); },
       L" - (System message 5.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BusyQueue machine;
    ScopedWindowsApi api(machine);
    c.setUp(machine);
    machine.SetRegMultiSz(kSessionManagerKey, machine.value, queue);
    InstallContext ctx;
    CancelQueuedDeletions(ctx, kMonitorDll);
    std::vector<std::wstring> expected = c.error ? queue : kept;
    for (int i = 0; i < machine.queued; ++i) expected.insert(expected.begin(), {kBusy, L""});
    if (machine.recased) std::replace(expected.begin(), expected.end(), kept[0], {kOwnRecased});
    EXPECT_EQ(machine.PendingRenames(machine.value), expected);
    EXPECT_EQ(ctx.errorCount, c.error ? 1 : 0);
    const std::wstring path = kMonitorDll;
    EXPECT_EQ(SplitLines(ctx.logText.Text()).back(),
              c.error ? L"Error(20): Can't cancel the deletion of " + path +
                            L" at restart, it stays queued" + c.error
                      : L"Deletion of " + path + L" at restart cancelled");
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
  {  // the reason of a value left is the one logged, whatever the other value's edit went through
    BusyQueue both;
    ScopedWindowsApi api(both);
    both.value = kPendingRenames2Value;
    both.changes = 1;  // a retry there, which clears the last error
    for (const wchar_t* value : {kPendingRenamesValue, kPendingRenames2Value})
      both.SetRegMultiSz(kSessionManagerKey, value, queue);
    both.FailNext("RegSetValueExW", 1, ERROR_ACCESS_DENIED);  // the first value's write
    InstallContext left;
    CancelQueuedDeletions(left, kMonitorDll);
    const std::wstring line = SplitLines(left.logText.Text()).back();
    EXPECT_EQ(line.substr(line.rfind(L" - ")), L" - (System message 5.)");
  }
  // A key not open to editing is no error where no deletion of the path is queued.
  sim.FailNext("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
  InstallContext ctx;
  CancelQueuedDeletions(ctx, kMonitorDll);
  EXPECT_EQ(ctx.errorCount, 0);
}

}  // namespace
}  // namespace qv::sim
