// Product printers carried over a reinstall: which come back, the default printer, the uninstall's
// saved settings, on the simulated machine (the settings themselves: tests/system/printer_record).
#include "printer_machine.h"

namespace qv::sim {
namespace {

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
  AddProductPrinter(L"Binary").data[{"DsUser", "SubKey"}] = {REG_BINARY, {'b', 0}};
  sim.AddPrinter(L"Fax", L"Fax driver", kProductPort);
  AddProductPrinter(L"\\\\server\\Shared").connection = true;
  sim.defaultPrinter = L"Fax";

  int code = 0;
  const auto lines = Trimmed(RunAndReadLog(L"install", &code));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office", L"Fax", L"Keyed"}));
  EXPECT_EQ(sim.FindPrinter(L"Fax")->driver, L"Fax driver");
  EXPECT_EQ(sim.defaultPrinter, L"Fax");
  const auto connection =
      std::find(lines.begin(), lines.end(), L"#DeletePrinter(\\\\server\\Shared)");
  ASSERT_NE(connection, lines.end());
  EXPECT_EQ(connection[1], L"OK");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L"#DeletePrinter(Fax)"), 0);
  ExpectAllReleased();
}

// A default printer named like a product printer in another case is not that printer; an
// uninstall then saves the product printer's settings but recreates nothing.
TEST_F(CarryOver, DefaultNameInOtherCaseThenUninstall) {
  SetData(AddProductPrinter(L"Printer A"), "", "a-key");
  sim.defaultPrinter = L"printer a";
  EXPECT_EQ(Run(L"install"), 1);
  EXPECT_NE(sim.FindPrinter(L"Printer A"), nullptr);
  EXPECT_EQ(sim.CallCount("SetDefaultPrinterW"), 0);

  const std::wstring key = L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\a-key";
  sim.SetRegString(key, L"deleted", L"1");
  EXPECT_EQ(Run(L"uninstall"), 2);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office"}));
  EXPECT_TRUE(sim.HasRegValue(key, L"deleted"));
  ExpectAllReleased();
}

TEST_F(CarryOver, FreshInstallAddsQuintaveraAndKeepsTheDefault) {
  sim.drivers.clear();
  sim.defaultPrinter = L"Office";
  EXPECT_EQ(Run(L"install"), 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office", L"Quintavera"}));
  EXPECT_EQ(sim.defaultPrinter, L"Office");
}

}  // namespace
}  // namespace qv::sim
