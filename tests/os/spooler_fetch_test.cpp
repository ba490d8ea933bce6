// The spooler's lists fetched while they grow: fetched again, within bounds.
#include "os/spooler_fetch.h"

#include "context/printer_list.h"
#include "scenario.h"

namespace qv::sim {
namespace {

// Right before each of the next `growths` fetches (the block for it is allocated right before
// it), another program adds a printer.
struct GrowingSpooler : SimWindows {
  int growths = 0;
  void Grow() { AddPrinter(L"Added " + std::to_wstring(growths--), L"Other driver", L"LPT1:"); }
  HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) override {
    if (growths > 0) Grow();
    return SimWindows::GlobalAlloc(flags, bytes);
  }
};

// Growing before every fetch but the last allowed: every printer is listed; before every one of
// them: none is, and nothing is left allocated.
TEST(SpoolerFetch, ListsThatGrowBetweenTheCallsAreFetchedAgain) {
  for (int growths : {kSpoolerFetchAttempts - 1, kSpoolerFetchAttempts}) {
    SCOPED_TRACE(growths);
    GrowingSpooler machine;
    ScopedWindowsApi api(machine);
    machine.growths = growths + 1;
    machine.Grow();  // one before the query
    {
      PrinterList list;
      EnumeratePrinters(list);
      EXPECT_EQ(list.count, growths < kSpoolerFetchAttempts ? 1u + growths : 0u);
    }
    EXPECT_EQ(machine.LiveBlocks(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
