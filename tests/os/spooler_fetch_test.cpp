// The spooler's lists fetched while they grow: fetched again, within bounds.
#include "os/spooler_fetch.h"

#include "context/install_context.h"
#include "context/printer_list.h"
#include "monitor/monitor_list.h"
#include "printers/driver_list.h"
#include "scenario.h"

namespace qv::sim {
namespace {

// Right before each of the next `growths` fetches (the block for it is allocated right before
// it), another program adds a monitor, a driver and a printer.
struct GrowingSpooler : SimWindows {
  int growths = 0;
  void Grow() {
    const std::wstring name = L"Added " + std::to_wstring(growths--);
    monitors.push_back({name + L":", L"Windows x64", L"added.dll"});
    drivers.emplace_back().name = name;
    drivers.back().environment = L"Windows x64";
    AddPrinter(name, L"Other driver", L"LPT1:");
  }
  HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) override {
    if (growths > 0) Grow();
    return SimWindows::GlobalAlloc(flags, bytes);
  }
};

TEST(SpoolerFetch, ListsThatGrowBetweenTheCallsAreFetchedAgain) {
  const std::function<DWORD(InstallContext&)> queries[] = {
      [](InstallContext& ctx) {
        MonitorList list;
        return EnumerateMonitors(list, ctx).count;
      },
      [](InstallContext&) { return EnumerateDrivers(L"Windows x64").count; },
      [](InstallContext&) {
        PrinterList list;
        EnumeratePrinters(list);
        return list.count;
      }};
  for (size_t query = 0; query < 3; ++query) {
    // Growing before every fetch but the last allowed: everything is listed; before every one of
    // them: nothing is, and nothing is left allocated.
    for (int growths : {kSpoolerFetchAttempts - 1, kSpoolerFetchAttempts}) {
      SCOPED_TRACE(testing::Message()
                   << "monitors, drivers, printers: " << query << ", " << growths << " growths");
      GrowingSpooler machine;
      ScopedWindowsApi api(machine);
      machine.growths = growths + 1;
      machine.Grow();  // one of each before the queries
      InstallContext ctx;
      EXPECT_EQ(queries[query](ctx), growths < kSpoolerFetchAttempts ? 1u + growths : 0u);
      EXPECT_EQ(machine.LiveBlocks(), 0);
    }
  }
}

}  // namespace
}  // namespace qv::sim
