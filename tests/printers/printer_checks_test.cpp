// The package's checks "onInit", "onChkDrv" and "def.set" on unusual machines and for people.
#include "printer_machine.h"
#include "tray/people_default.h"

namespace qv::sim {
namespace {

TEST_F(PrinterMachine, ChecksOnUnusualMachines) {
  sim.AddPrinter(L"Office", L"Office driver", L"LPT1:");
  sim.defaultPrinter = L"Office";
  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_EQ(sim.defaultPrinter, L"Office") << "no product printer";
  const std::wstring driverFile = AddDriver(kProductDriver, 2605).driverPath;
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "no product printer";

  AddProductPrinter(L"First");
  AddProductPrinter(L"Second");
  std::rotate(sim.printers.begin(), sim.printers.begin() + 1, sim.printers.end());  // Office last
  EXPECT_EQ(Run(L"onInit"), 102) << "the default is another printer";
  EXPECT_EQ(Run(L"onChkDrv"), 103);
  sim.FailNext("OpenPrinterW", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "a product printer that cannot be opened";
  sim.AddFile(driverFile, "driver", 2604);
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "older build";
  sim.AddFile(driverFile, "driver");
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "no version information";

  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_EQ(sim.defaultPrinter, L"First");
  EXPECT_EQ(Run(L"onInit"), 3);
  sim.FailNext("OpenPrinterW", 1, ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(Run(L"onInit"), 102) << "a default printer that cannot be opened";
  AddProductPrinter(L"Q");
  sim.defaultPrinter = L"Q";
  EXPECT_EQ(Run(L"onInit"), 3) << "a product printer of a one-letter name";

  // SYSTEM's default is no one's: its requests are for each person, carried out once at log-on.
  sim.account = SimAccount::kSystem;
  sim.sessionId = 0;
  EXPECT_EQ(Run(L"onInit"), 102);
  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_EQ(Run(L"onInit"), 3);
  EXPECT_EQ(sim.defaultPrinter, L"Q");
  sim.FindPrinter(L"First")->driver = L"Office driver";
  EXPECT_EQ(Run(L"onInit"), 102) << "the printer requested is no product printer any more";
  sim.FindPrinter(L"First")->driver = kProductDriver;
  sim.SetRegString(L"HKLM\\SOFTWARE\\Orbelin\\Quintavera\\Tray", L"DefaultPrinter", L"Q");
  EXPECT_EQ(Run(L"onInit"), 3) << "a product printer of a one-letter name requested";
  sim.account = SimAccount::kStandardUser;  // a person's log-on: their default another printer
  sim.sessionId = 2;
  for (bool applied : {true, false}) {
    sim.defaultPrinter = L"Office";
    EXPECT_EQ(ApplyRequestedDefault(), applied);
    EXPECT_EQ(sim.defaultPrinter, applied ? L"Q" : L"Office");
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
