// Product printers carried over a reinstall: names, "SubKey", comment, location, default status
// and the per-user "deleted" mark, on the simulated machine.
#include "printer_machine.h"

namespace qv::sim {
namespace {

const std::wstring kKeys = L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\";

std::string Sz(const char* text) { return std::string(text) + '\0'; }

class CarryOver : public PrinterMachine {
 protected:
  CarryOver() {
    StagePackage();
    AddProductMonitor(sim, 2629);
    AddDriver(kProductDriver);
    sim.AddPrinter(L"Office", L"Office driver", L"LPT1:");
  }
};

TEST_F(CarryOver, ReinstallRecreatesSavedPrintersLastFirstWithTheirSettings) {
  SimPrinter& a = AddProductPrinter(L"Printer A");
  a.comment = L"first floor";
  a.location = L"room 1";
  SetData(a, "", "a-key");
  SimPrinter& b = AddProductPrinter(L"Printer B");
  b.comment = L"second floor";
  b.location = L"room 2";
  SetData(b, "DsUser", "b-key");
  sim.defaultPrinter = L"Printer A";
  sim.SetRegString(kKeys + L"a-key", L"deleted", L"1");
  sim.SetRegString(kKeys + L"a-key", L"Name", L"kept");

  int code = 0;
  const auto lines = RunAndReadLog(L"install", &code);

  EXPECT_EQ(code, 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office", L"Printer B", L"Printer A"}));
  EXPECT_LT(LineOf(lines, L"#AddPrinter(Printer B)"), LineOf(lines, L"#AddPrinter(Printer A)"));
  const SimPrinter& newA = *sim.FindPrinter(L"Printer A");
  const SimPrinter& newB = *sim.FindPrinter(L"Printer B");
  EXPECT_EQ(newA.comment + L"|" + newA.location, L"first floor|room 1");
  EXPECT_EQ(newB.comment + L"|" + newB.location, L"second floor|room 2");
  for (const SimPrinter* p : {&newA, &newB}) {
    EXPECT_EQ(p->port, kProductPort);
    EXPECT_EQ(p->driver, kProductDriver);
    EXPECT_EQ(p->printProcessor, L"WinPrint");
  }
  EXPECT_EQ(SubKeyOf(newA, ""), Sz("a-key"));
  EXPECT_EQ(SubKeyOf(newA, "DsUser"), Sz("a-key"));
  EXPECT_EQ(SubKeyOf(newB, ""), Sz("b-key"));
  EXPECT_EQ(SubKeyOf(newB, "DsUser"), Sz("b-key"));
  EXPECT_EQ(sim.defaultPrinter, L"Printer A");
  EXPECT_FALSE(sim.HasRegValue(kKeys + L"a-key", L"deleted"));
  EXPECT_EQ(sim.RegString(kKeys + L"a-key", L"Name"), L"kept");
  EXPECT_EQ(sim.registry.count(Lower(kKeys + L"b-key")), 0u) << "a missing key is not created";
  EXPECT_EQ(sim.FindPrinter(L"Quintavera"), nullptr);
  ExpectAllReleased();
}

TEST_F(CarryOver, OnlyProductPrintersWithAUsableSubKeyComeBack) {
  AddProductPrinter(L"No key");
  SetData(AddProductPrinter(L"Too long"), "", std::string(64, 'x'));
  SetData(AddProductPrinter(L"Keyed"), "", "k");
  AddProductPrinter(L"Unterminated").data[{"", "SubKey"}] = {REG_SZ, std::vector<BYTE>(64, 'u')};
  AddProductPrinter(L"Short").data[{"", "SubKey"}] = {REG_SZ, {'s', 'h'}};  // ends within the buffer
  AddProductPrinter(L"Binary").data[{"DsUser", "SubKey"}] = {REG_BINARY, {'b', 0}};
  sim.AddPrinter(L"Fax", L"Fax driver", kProductPort);
  AddProductPrinter(L"\\\\server\\Shared").connection = true;
  sim.defaultPrinter = L"Fax";

  int code = 0;
  const auto lines = RunAndReadLog(L"install", &code);

  EXPECT_EQ(code, 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office", L"Fax", L"Short", L"Keyed"}));
  EXPECT_EQ(sim.FindPrinter(L"Fax")->driver, L"Fax driver");
  EXPECT_EQ(sim.defaultPrinter, L"Fax");
  const int connection = LineOf(lines, L"#DeletePrinter(\\\\server\\Shared)");
  ASSERT_GE(connection, 0);
  EXPECT_EQ(lines.at(connection + 1).substr(lines.at(connection + 1).find_first_not_of(L' ')),
            L"OK");
  EXPECT_EQ(LineOf(lines, L"#DeletePrinter(Fax)"), -1);
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

  sim.SetRegString(kKeys + L"a-key", L"deleted", L"1");
  const int adds = sim.CallCount("AddPrinterW");
  EXPECT_EQ(Run(L"uninstall"), 2);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office"}));
  EXPECT_EQ(sim.CallCount("AddPrinterW"), adds);
  EXPECT_TRUE(sim.HasRegValue(kKeys + L"a-key", L"deleted"));
  EXPECT_EQ(sim.FindDriver(kProductDriver, L"Windows x64"), nullptr);
  ExpectAllReleased();
}

TEST_F(CarryOver, FreshInstallAddsQuintaveraAndKeepsTheDefault) {
  sim.drivers.clear();
  sim.defaultPrinter = L"Office";

  int code = 0;
  const auto lines = RunAndReadLog(L"install", &code);

  EXPECT_EQ(code, 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"Office", L"Quintavera"}));
  EXPECT_EQ(sim.defaultPrinter, L"Office");
  const int heading = LineOf(lines, L"#DeleteAllPrinters");
  EXPECT_EQ(LineOf(lines, L"#DeletePrinter(", true), -1);
  EXPECT_EQ(lines.at(heading + 2), L"        BTW, there is no printer drivers on this system.");
  EXPECT_EQ(lines.at(heading + 3), L"        No Quintavera driver (Windows x64)was found");
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
