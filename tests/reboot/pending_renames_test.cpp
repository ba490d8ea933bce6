// Windows' reboot queue: reading it, deleting what it queues, the "onInit" product-file check.
#include "reboot/pending_renames.h"

#include "reboot/pending_queue_value.h"
#include "scenario.h"

namespace qv::sim {
namespace {

// The value as raw bytes: the strings joined by NULs exactly as given, cut or padded to `bytes`.
RegValue RawValue(const std::wstring& chars, DWORD type = REG_MULTI_SZ, size_t bytes = SIZE_MAX) {
  RegValue value{type, {}};
  const auto* data = reinterpret_cast<const BYTE*>(chars.data());
  value.data.assign(data, data + chars.size() * sizeof(wchar_t));
  if (bytes != SIZE_MAX) value.data.resize(bytes, 0);
  return value;
}

std::vector<std::wstring> Paths(const PendingRenames& renames) {
  std::vector<std::wstring> paths;
  for (int32_t slot = 0; slot < 2 * renames.pairCount; ++slot)
    paths.push_back(renames.paths[slot] ? renames.paths[slot] : L"<null>");
  return paths;
}

class PendingRenamesTest : public Scenario {};

// Only the NT prefix "\??\" goes; the Win32 one "\\?\" names the same file and stays.
TEST(QueuedPathTest, OnlyTheNtPrefixIsDropped) {
  EXPECT_STREQ(WithoutNtPrefix(L"\\??\\C:\\a.dll"), L"C:\\a.dll");
  for (const wchar_t* path : {L"\\\\?\\C:\\a.dll", L"?\\??\\C:", L"\\?\\\\C:", L"\\??C:\\a"})
    EXPECT_STREQ(WithoutNtPrefix(path), path);
}

TEST_F(PendingRenamesTest, ValuesAreReadWithinTheirDataOrNotAtAll) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    RegValue value;
    std::vector<std::wstring> paths;
  };
  const Case cases[] = {
      {"empty", RawValue(L""), {}},
      {"one byte", RawValue(L"a", REG_MULTI_SZ, 1), {}},
      {"final NUL only", RawValue(L"\0"s), {}},
      {"one pair, empty target", RawValue(L"\\??\\C:\\a\0\0\0"s), {L"\\??\\C:\\a", L"<null>"}},
      {"odd length", RawValue(L"C:\\a\0C:\\b\0\0"s, REG_MULTI_SZ, 23), {L"C:\\a", L"C:\\b"}},
      {"last string without NUL", RawValue(L"C:\\a\0C:\\bb"s), {L"C:\\a", L"C:\\bb"}},
      {"odd string count", RawValue(L"C:\\a\0\0C:\\c\0\0"s), {L"C:\\a", L"<null>"}},
      {"empty target in the middle",
       RawValue(L"C:\\a\0\0C:\\c\0C:\\d\0\0"s),
       {L"C:\\a", L"<null>", L"C:\\c", L"C:\\d"}},
      {"not REG_MULTI_SZ", RawValue(L"C:\\a\0\0\0"s, REG_SZ), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim.registry[Lower(kSessionManagerKey)][Lower(kPendingRenamesValue)] = c.value;
    EXPECT_EQ(Paths(ReadPendingRenames()), c.paths);
  }
  // Without memory the record is empty: a rename without its target would read as a deletion.
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, {L"C:\\new", L"C:\\in-use"});
  sim.FailNext("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(ReadPendingRenames().pairCount, 0);
  FailNthHeapBlock(4);  // the two arrays, the source's copy, then the target's
  EXPECT_EQ(ReadPendingRenames().pairCount, 0);
  EXPECT_EQ(HeapBlocksBeforeFailure(), 0);
  sim.registry.clear();  // no key at all
  EXPECT_EQ(ReadPendingRenames().pairCount, 0);
  ExpectAllReleased();
}

// The second value's pairs follow the first's (a string left without its pair there pairs with
// nothing): its deletions are carried out now, and a product file queued there answers true.
TEST_F(PendingRenamesTest, TheSecondValueCountsAsMuchAsTheFirst) {
  const std::wstring monitor = L"\\??\\" + std::wstring(kMonitorDll);
  sim.AddFile(L"C:\\temp\\old.dll");
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue,
                    {L"C:\\temp\\a.dll", L"C:\\temp\\b.dll", L"C:\\unpaired.dll"});
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenames2Value,
                    {L"\\??\\C:\\temp\\old.dll", L"", monitor, L""});
  EXPECT_EQ(Paths(ReadPendingRenames()),
            (std::vector<std::wstring>{L"C:\\temp\\a.dll", L"C:\\temp\\b.dll",
                                       L"\\??\\C:\\temp\\old.dll", L"<null>", monitor, L"<null>"}));
  EXPECT_TRUE(CheckPendingProductFiles());
  EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
  EXPECT_EQ(sim.PendingRenames(kPendingRenames2Value).size(), 4u);
  ExpectAllReleased();
}

// A product file queued for deletion answers true, there or not; only one still there is worth a
// spooler restart, two at most. The queue itself stays.
TEST_F(PendingRenamesTest, QueuedDeletionOfAProductFileAnswersTrueOnceTheFileIsGone) {
  struct Case {
    const char* name;
    bool exists;
    uint64_t lockedUntil;
    int restarts;
  };
  const Case cases[] = {{"already gone", false, 0, 0},
                        {"deleted now", true, 0, 0},
                        {"freed by the first restart", true, 300, 1},
                        {"held for good", true, UINT64_MAX, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    if (c.exists) machine.AddFile(kMonitorDll).lockedUntil = c.lockedUntil;
    machine.spoolerService.stopPendingPolls = 2;  // a restart takes 400 ms
    // Queued after another file's rename.
    machine.SetRegMultiSz(
        kSessionManagerKey, kPendingRenamesValue,
        {L"\\??\\C:\\a.tmp", L"\\??\\C:\\b.tmp", std::wstring(L"\\??\\") + kMonitorDll, L""});
    EXPECT_TRUE(CheckPendingProductFiles());
    EXPECT_EQ(machine.spoolerService.stopRequests, c.restarts);
    EXPECT_TRUE(machine.SpoolerRunning());
    EXPECT_EQ(machine.FileExists(kMonitorDll), c.restarts == 2);
    EXPECT_EQ(machine.PendingRenames().size(), 4u);
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
}

// Queued deletions of other files are carried out now, renames and directories left; x86 names,
// a directory and a missing file's rename are no product files: the spooler is left alone.
TEST_F(PendingRenamesTest, OtherQueuedFilesAreDeletedNowAndLeaveTheSpoolerAlone) {
  sim.AddFile(L"C:\\temp\\old.dll");
  sim.AddFile(L"C:\\temp\\renamed.dll");
  sim.AddFile(L"C:\\temp\\orbui64.dll").directory = true;
  sim.AddFile(L"C:\\windows\\system32\\orbmon32.dll").lockedForever = true;
  sim.SetRegMultiSz(
      kSessionManagerKey, kPendingRenamesValue,
      {L"\\??\\C:\\TEMP\\OLD.DLL", L"", L"\\??\\C:\\temp\\renamed.dll", L"\\??\\C:\\temp\\new.dll",
       L"\\??\\C:\\temp\\orbui64.dll", L"", L"\\??\\C:\\windows\\system32\\orbmon32.dll", L"",
       L"\\??\\C:\\temp\\orbdrv64.dll", L"\\??\\C:\\temp\\orbdrv64.old"});
  const std::vector<std::wstring> before = sim.PendingRenames();
  EXPECT_FALSE(CheckPendingProductFiles());
  EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
  EXPECT_TRUE(sim.FileExists(L"C:\\temp\\renamed.dll"));
  EXPECT_TRUE(sim.FileExists(L"C:\\temp\\orbui64.dll"));
  EXPECT_EQ(sim.PendingRenames(), before);
  EXPECT_EQ(sim.spoolerService.stopRequests, 0);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
