// The setup package's checks: "onInit", "onChkDrv" and "def.set" on the simulated machine.
#include "printer_machine.h"

namespace qv::sim {
namespace {

class Checks : public PrinterMachine {
 protected:
  Checks() { sim.AddPrinter(L"Office", L"Office driver", L"LPT1:"); }
};

TEST_F(Checks, OnInitAsksWhetherTheDefaultIsAnotherPrinter) {
  AddDriver(kProductDriver);
  AddProductPrinter(L"Mine");
  EXPECT_EQ(Run(L"onInit"), 102) << "no default printer";
  sim.defaultPrinter = L"Office";
  EXPECT_EQ(Run(L"onInit"), 102);
  sim.defaultPrinter = L"Mine";
  EXPECT_EQ(Run(L"ONINIT"), 3);
  sim.FailNext("OpenPrinterW", 1, ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(Run(L"onInit"), 102) << "a default printer that cannot be opened";
  ExpectAllReleased();
}

TEST_F(Checks, OnChkDrvReadsTheBuildOfTheFirstProductPrintersDriver) {
  const std::wstring driverFile = AddDriver(kProductDriver, 2605).driverPath;
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "no product printer";
  AddProductPrinter(L"Mine");
  EXPECT_EQ(Run(L"onchkdrv"), 103);
  sim.AddFile(driverFile, "driver", 2604);
  EXPECT_EQ(Run(L"onChkDrv"), 3);
  sim.AddFile(driverFile, "driver");
  EXPECT_EQ(Run(L"onChkDrv"), 3) << "no version information";
  ExpectAllReleased();
}

TEST_F(Checks, DefSetMakesTheFirstProductPrinterTheDefault) {
  sim.defaultPrinter = L"Office";
  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_EQ(sim.defaultPrinter, L"Office") << "no product printer";
  AddProductPrinter(L"First");
  AddProductPrinter(L"Second");
  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_EQ(sim.defaultPrinter, L"First");
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv::sim
