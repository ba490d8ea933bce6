// Windows' reboot queue: reading it, deleting what it queues, the "onInit" product-file check.
#include "reboot/pending_renames.h"

#include "reboot/pending_queue_value.h"
#include "scenario.h"

namespace qv::sim {
namespace {

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

// The second value's pairs follow the first's (a string left without its pair there pairs with
// nothing): its deletions are carried out now, renames are not, and a product file queued there
// answers true; one still there is worth two spooler restarts at most. A value of another type
// than REG_MULTI_SZ is not read.
TEST_F(PendingRenamesTest, TheSecondValueCountsAsMuchAsTheFirst) {
  const std::wstring monitor = L"\\??\\" + std::wstring(kMonitorDll);
  sim.AddFile(L"C:\\temp\\old.dll");
  sim.AddFile(L"C:\\temp\\a.dll");
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue,
                    {L"C:\\temp\\a.dll", L"C:\\temp\\b.dll", L"C:\\c", L"C:\\d",
                     L"C:\\unpaired.dll"});
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenames2Value,
                    {L"\\??\\C:\\temp\\old.dll", L"", monitor, L""});
  EXPECT_EQ(Paths(ReadPendingRenames()),
            (std::vector<std::wstring>{L"C:\\temp\\a.dll", L"C:\\temp\\b.dll", L"C:\\c", L"C:\\d",
                                       L"\\??\\C:\\temp\\old.dll", L"<null>", monitor, L"<null>"}));
  EXPECT_TRUE(CheckPendingProductFiles());
  EXPECT_FALSE(sim.FileExists(L"C:\\temp\\old.dll"));
  EXPECT_TRUE(sim.FileExists(L"C:\\temp\\a.dll"));
  EXPECT_EQ(sim.PendingRenames(kPendingRenames2Value).size(), 4u);
  sim.AddFile(kMonitorDll).lockedForever = true;
  EXPECT_TRUE(CheckPendingProductFiles());
  EXPECT_EQ(sim.spoolerService.stopRequests, 2);
  sim.registry[Lower(kSessionManagerKey)][Lower(kPendingRenamesValue)].type = REG_SZ;
  EXPECT_EQ(Paths(ReadPendingRenames()).size(), 4u);
  // Without memory the record is empty: a rename without its target would read as a deletion.
  FailNthHeapBlock(4);  // the two arrays, the first path's copy, then the next one's
  EXPECT_EQ(ReadPendingRenames().pairCount, 0);
  EXPECT_EQ(HeapBlocksBeforeFailure(), 0);
  // A directory of the monitor DLL's name, queued for deletion, is no product file.
  sim.AddFile(kMonitorDll, "").directory = true;
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, {monitor, L""});
  EXPECT_FALSE(CheckPendingProductFiles());
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
