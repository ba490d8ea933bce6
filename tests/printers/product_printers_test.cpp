// Product printers: deleted and added within a run.
#include "printer_machine.h"
#include "printers/product_printers.h"
#include "settings/printer_carry_over.h"
#include "program/run_setup.h"

namespace qv::sim {
namespace {

class ProductPrinters : public PrinterMachine {
 protected:
  void Start() { InitInstallContext(ctx, kSetupX64); }
  std::vector<std::wstring> Log() const { return SplitLines(ctx.logText.Text()); }
  void Finish() {
    FreeInstallContext(ctx);
    ExpectAllReleased();
  }

  InstallContext ctx;
};

// A printer gone since the run's snapshot is an open error (16); a refused deletion is error 17,
// the printer's jobs purged all the same.
TEST_F(ProductPrinters, DeletionErrorsAndThePurge) {
  SetData(AddProductPrinter(L"Gone"), "", "g");
  AddProductPrinter(L"Busy").jobs = 3;
  sim.FailNext("DeletePrinter", 1, ERROR_ACCESS_DENIED);
  Start();
  sim.printers.erase(sim.printers.begin());
  DeleteProductPrinters(ctx);
  EXPECT_EQ(ctx.errorCount, 2);
  EXPECT_EQ(ctx.savedSettings.head, nullptr);
  const auto lines = Log();
  const int heading = LineOf(lines, L"#DeletePrinter(Gone)");
  ASSERT_GE(heading, 0);
  EXPECT_EQ(lines.at(heading + 1).rfind(L"    Error(16): Can`t open printer 'Gone' - (", 0), 0u);
  EXPECT_GT(LineOf(lines, L"Error(17): Can`t delete printer 'Busy'", true), heading);
  ASSERT_NE(sim.FindPrinter(L"Busy"), nullptr);
  EXPECT_EQ(sim.FindPrinter(L"Busy")->jobs, 0);
  Finish();
}

TEST_F(ProductPrinters, RefusedPrinterIsError15AfterTheMonitorCheck) {
  sim.monitors.push_back({L"Local Port", L"Windows x64", L"localspl.dll"});
  Start();
  const size_t before = Log().size();
  EXPECT_FALSE(qv::AddProductPrinter(ctx, L"New"));
  EXPECT_EQ(ctx.indent, 0);
  const auto lines = Log();
  ASSERT_EQ(lines.size(), before + 7);
  EXPECT_EQ(lines[before + 2], L"  No Quintavera port monitor (Windows x64) was found.");
  EXPECT_EQ(lines.back().rfind(L"  Error(15): Can`t add printer 'New' - (", 0), 0u);
  Finish();
}

}  // namespace
}  // namespace qv::sim
