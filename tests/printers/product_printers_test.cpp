// Deleting and adding product printers within one run: open, delete and add failures, purge.
#include "core/install_context.h"
#include "printer_machine.h"
#include "printers/product_printers.h"

namespace qv::sim {
namespace {

class ProductPrinters : public PrinterMachine {
 protected:
  // Runs `step` on a fresh run's context (64-bit); returns the lines it logged after the run's
  // own start.
  template <typename Step>
  std::vector<std::wstring> LogOfStep(Step step) {
    InstallContext ctx;
    InitInstallContext(ctx, kSetupX64);
    const size_t from = SplitLines(ctx.logText.Text()).size();
    step(ctx);
    const auto lines = SplitLines(ctx.logText.Text());
    return std::vector<std::wstring>(lines.begin() + from, lines.end());
  }
};

TEST_F(ProductPrinters, PrinterGoneSinceTheSnapshotIsAnOpenError) {
  SetData(AddProductPrinter(L"Gone"), "", "g");
  const auto lines = LogOfStep([this](InstallContext& ctx) {
    sim.printers.clear();
    DeleteProductPrinters(ctx);
    EXPECT_EQ(ctx.errorCount, 1);
    EXPECT_EQ(ctx.savedSettings.head, nullptr);
  });
  const int heading = LineOf(lines, L"#DeletePrinter(Gone)");
  ASSERT_GE(heading, 0);
  EXPECT_EQ(lines.at(heading + 1).rfind(L"    Error(16): Can`t open printer 'Gone' - (", 0), 0u);
  ExpectAllReleased();
}

TEST_F(ProductPrinters, JobsArePurgedEvenWhenTheDeletionIsRefused) {
  AddProductPrinter(L"Busy").jobs = 3;
  sim.FailNext("DeletePrinter", 1, ERROR_ACCESS_DENIED);
  const auto lines = LogOfStep([](InstallContext& ctx) { DeleteProductPrinters(ctx); });
  EXPECT_GE(LineOf(lines, L"Error(17): Can`t delete printer 'Busy'", true), 0);
  ASSERT_NE(sim.FindPrinter(L"Busy"), nullptr);
  EXPECT_EQ(sim.FindPrinter(L"Busy")->jobs, 0);
  ExpectAllReleased();
}

TEST_F(ProductPrinters, RefusedPrinterIsError15AfterTheMonitorCheck) {
  sim.monitors.push_back({L"Local Port", L"Windows x64", L"localspl.dll"});
  const auto lines = LogOfStep([](InstallContext& ctx) {
    EXPECT_FALSE(qv::AddProductPrinter(ctx, L"New"));
    EXPECT_EQ(ctx.indent, 0);
  });
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2], L"  No Quintavera port monitor (Windows x64) was found.");
  EXPECT_EQ(lines.back().rfind(L"  Error(15): Can`t add printer 'New' - (", 0), 0u);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
