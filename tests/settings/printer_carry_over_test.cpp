// Which product printers a reinstall carries over.
#include <cstring>

#include "../printers/printer_machine.h"
#include "settings/printer_settings.h"

namespace qv::sim {
namespace {

TEST_F(PrinterMachine, OnlyProductPrintersWithAUsableSubKeyComeBack) {
  StageProductPackage(sim);
  AddProductMonitor(sim, 2629);
  AddDriver(kProductDriver);
  sim.AddPrinter(L"Office", L"Office driver", L"LPT1:");
  AddProductPrinter(L"No key");
  SetData(AddProductPrinter(L"Too long"), "", std::string(64, 'x'));
  SetData(AddProductPrinter(L"Keyed"), "", "k");
  sim.SetRegString(L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\k", L"deleted", L"1");
  AddProductPrinter(L"Unterminated").data[{"", "SubKey"}] = {REG_SZ, std::vector<BYTE>(64, 'u')};
  // Ends within the buffer.
  AddProductPrinter(L"Short").data[{"", "SubKey"}] = {REG_SZ, {'s', 'h'}};
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
  EXPECT_EQ(sim.defaultPrinter, L"Fax");  // moved by Windows when "Keyed" went; not set again
  EXPECT_FALSE(sim.HasRegValue(L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\k", L"deleted"));
  const int connection = LineOf(lines, L"#DeletePrinter(\\\\server\\Shared)");
  ASSERT_GE(connection, 0);
  EXPECT_EQ(lines.at(connection + 1), L"OK");
  EXPECT_EQ(LineOf(lines, L"#DeletePrinter(Fax)"), -1);  // only on the product port
  ExpectAllReleased();
}

// A spooler that cannot answer for the plain "SubKey" when the settings are saved: a printer keyed
// under "DsUser" alone is neither saved nor deleted (error 26), its settings kept where they
// stand; the line names the spooler's error, none when the "SubKey" was read right after.
TEST_F(PrinterMachine, APrinterWhoseSubKeyCannotBeReadStays) {
  StageProductPackage(sim);
  AddProductMonitor(sim, 2629);
  AddDriver(kProductDriver);
  SetData(AddProductPrinter(L"Invoices"), "DsUser", "i");  // one letter, still a SubKey
  // A "SubKey" stored without its NUL, read into a buffer used before: its text alone.
  AddProductPrinter(L"Short").data[{"", "SubKey"}] = {REG_SZ, {'s', 'h'}};
  char subKey[kSubKeyCapacity];
  std::memset(subKey, 'x', sizeof subKey);
  EXPECT_TRUE(ReadPrinterSubKey(L"Short", subKey));
  EXPECT_STREQ(subKey, "sh");
  for (const wchar_t* reason : {L"", L" - (System message 1722.)"}) {
    sim.FailNext("GetPrinterDataA", *reason ? -1 : 1, RPC_S_SERVER_UNAVAILABLE);
    int code = 0;
    const auto lines = Trimmed(RunAndReadLog(L"install", &code));
    EXPECT_EQ(code, 100);
    EXPECT_GE(LineOf(lines, L"Error(26): Can`t read the settings of printer 'Invoices', it stays "
                            L"as it is" + std::wstring(reason)), 0);
    ASSERT_NE(sim.FindPrinter(L"Invoices"), nullptr);
    EXPECT_EQ(sim.FindPrinter(L"Invoices")->data.size(), 1u);
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
