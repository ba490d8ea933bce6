// Product printers: deleted and added within a run, and which of them a reinstall carries over.
#include "core/install_context.h"
#include "printer_machine.h"
#include "printers/product_printers.h"

namespace qv::sim {
namespace {

class ProductPrinters : public PrinterMachine {
 protected:
  // Runs `step` on a fresh run's context; returns the lines it logged after the run's own start.
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

// A printer gone since the run's snapshot is an open error (16); a refused deletion is error 17,
// the printer's jobs purged all the same.
TEST_F(ProductPrinters, DeletionErrorsAndThePurge) {
  SetData(AddProductPrinter(L"Gone"), "", "g");
  AddProductPrinter(L"Busy").jobs = 3;
  sim.FailNext("DeletePrinter", 1, ERROR_ACCESS_DENIED);
  const auto lines = LogOfStep([this](InstallContext& ctx) {
    sim.printers.erase(sim.printers.begin());
    DeleteProductPrinters(ctx);
    EXPECT_EQ(ctx.errorCount, 2);
    EXPECT_EQ(ctx.savedSettings.head, nullptr);
  });
  const int heading = LineOf(lines, L"#DeletePrinter(Gone)");
  ASSERT_GE(heading, 0);
  EXPECT_EQ(lines.at(heading + 1).rfind(L"    Error(16): Can`t open printer 'Gone' - (", 0), 0u);
  EXPECT_GT(LineOf(lines, L"Error(17): Can`t delete printer 'Busy'", true), heading);
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

class CarryOver : public PrinterMachine {
 protected:
  CarryOver() {
    StagePackage();
    AddProductMonitor(sim, 2629);
    AddDriver(kProductDriver);
    sim.AddPrinter(L"Office", L"Office driver", L"LPT1:");
  }
};

TEST_F(CarryOver, OnlyProductPrintersWithAUsableSubKeyComeBack) {
  AddProductPrinter(L"No key");
  SetData(AddProductPrinter(L"Too long"), "", std::string(64, 'x'));
  SetData(AddProductPrinter(L"Keyed"), "", "k");
  AddProductPrinter(L"Unterminated").data[{"", "SubKey"}] = {REG_SZ, std::vector<BYTE>(64, 'u')};
  AddProductPrinter(L"Short").data[{"", "SubKey"}] = {REG_SZ, {'s', 'h'}};  // ends within the buffer
  AddProductPrinter(L"Binary").data[{"DsUser", "SubKey"}] = {REG_BINARY, {'b', 0}};
  sim.AddPrinter(L"Fax", L"Fax driver", kProductPort);
  AddProductPrinter(L"\\\\server\\Shared").connection = true;
  sim.defaultPrinter = L"keyed";  // like a product printer's name in another case: not one

  int code = 0;
  const auto lines = Trimmed(RunAndReadLog(L"install", &code));
  EXPECT_EQ(code, 1);
  std::vector<std::wstring> names;
  for (const SimPrinter& p : sim.printers) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Office", L"Fax", L"Short", L"Keyed"}));
  EXPECT_EQ(sim.FindPrinter(L"Fax")->driver, L"Fax driver");
  EXPECT_EQ(sim.CallCount("SetDefaultPrinterW"), 0);
  const auto connection =
      std::find(lines.begin(), lines.end(), L"#DeletePrinter(\\\\server\\Shared)");
  ASSERT_NE(connection, lines.end());
  EXPECT_EQ(connection[1], L"OK");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L"#DeletePrinter(Fax)"), 0);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
