// Deleting and adding product printers within one run: open, delete and add failures, purge.
#include "core/install_context.h"
#include "printer_machine.h"
#include "printers/product_printers.h"

namespace qv::sim {
namespace {

class ProductPrinters : public PrinterMachine {
 protected:
  std::vector<std::wstring> LogOf(const InstallContext& ctx) {
    return SplitLines(ctx.logText.Text());
  }
};

TEST_F(ProductPrinters, PrinterGoneSinceTheSnapshotIsAnOpenError) {
  SetData(AddProductPrinter(L"Gone"), "", "g");
  {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    sim.printers.clear();
    DeleteProductPrinters(ctx);
    const auto lines = LogOf(ctx);
    const int heading = LineOf(lines, L"#DeletePrinter(Gone)");
    ASSERT_GE(heading, 0);
    EXPECT_EQ(lines.at(heading + 1).rfind(L"    Error(16): Can`t open printer 'Gone' - (", 0), 0u);
    EXPECT_EQ(ctx.errorCount, 1);
    EXPECT_EQ(ctx.savedSettings.head, nullptr);
  }
  ExpectAllReleased();
}

TEST_F(ProductPrinters, JobsArePurgedEvenWhenTheDeletionIsRefused) {
  AddProductPrinter(L"Busy").jobs = 3;
  sim.FailNext("DeletePrinter", 1, ERROR_ACCESS_DENIED);
  {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    DeleteProductPrinters(ctx);
    EXPECT_GE(LineOf(LogOf(ctx), L"Error(17): Can`t delete printer 'Busy'", true), 0);
  }
  ASSERT_NE(sim.FindPrinter(L"Busy"), nullptr);
  EXPECT_EQ(sim.FindPrinter(L"Busy")->jobs, 0);
  ExpectAllReleased();
}

TEST_F(ProductPrinters, RefusedPrinterIsError15AfterTheMonitorCheck) {
  sim.monitors.push_back({L"Local Port", L"Windows x64", L"localspl.dll"});
  {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    const int from = static_cast<int>(LogOf(ctx).size());
    EXPECT_FALSE(qv::AddProductPrinter(ctx, L"New"));
    const auto all = LogOf(ctx);
    const std::vector<std::wstring> lines(all.begin() + from, all.end());
    const std::vector<std::wstring> expected = {
        L"#AddPrinter(New)",
        L"  Let's check our port monitors",
        L"  No Quintavera port monitor (Windows x64) was found.",
        L"  ------- 1 existing monitors ----------",
        L"  1. Local Port",
        L"  ---------------------------------------",
    };
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), lines.begin()));
    EXPECT_EQ(lines.back().rfind(L"  Error(15): Can`t add printer 'New' - (", 0), 0u);
    EXPECT_EQ(sim.CallCount("AddPrinterW"), 1);
    EXPECT_EQ(ctx.indent, 0);
  }
  ExpectAllReleased();
}

TEST_F(ProductPrinters, AddedPrinterOnTheProductPort) {
  RegisterMonitor();
  AddDriver(kProductDriver);
  {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    ScopedPrinter printer = qv::AddProductPrinter(ctx, L"New");
    EXPECT_TRUE(printer);
    const auto lines = LogOf(ctx);
    EXPECT_GE(LineOf(lines, L"Port monitor (Windows x64) is found"), 0);
    EXPECT_EQ(lines.back(), L"  OK :)");
  }
  const SimPrinter& added = *sim.FindPrinter(L"New");
  EXPECT_EQ(added.port + L"|" + added.driver + L"|" + added.comment,
            L"Quintavera:|Quintavera printer|");
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
