// A simulated machine on which the product is installed and in use.
#include "installed_machine.h"

#include "scenario.h"
#include "sim_tray.h"

namespace qv::sim {
namespace {

void AddTrayProgram(SimWindows& sim) {
  sim.AddFile(L"C:\\setup\\qvatray.exe", "tray");
  sim.SetRegString(kRunKey, kRunValue, L"C:\\setup\\qvatray.exe");
  sim.mutexes[kTrayMutexName].held = true;
  sim.AddWindow(kTrayWindowClass, L"").onPost = [&sim](SimWindow& window, UINT message) {
    if (message != 0x0402) return;
    sim.At(sim.clock + 300, [&sim, hwnd = window.hwnd] {
      sim.RemoveWindow(hwnd);
      sim.mutexes[kTrayMutexName].held = false;
    });
  };
}

}  // namespace

void MakeInstalledMachine(SimWindows& sim) {
  const std::wstring store = sim.driverDirectory + L"\\3\\";
  StageProductPackage(sim);

  AddProductMonitor(sim, 2629).heldBySpooler = true;

  const SimDriver& driver = sim.drivers.emplace_back(
      SimDriver{L"Quintavera printer", L"Windows x64", store + L"orbdrv64.dll",
                store + L"orbdrv64.dll", store + L"orbui64.dll", store + L"orbhelp.chm"});
  for (const std::wstring* file : {&driver.driverPath, &driver.configFile, &driver.helpFile}) {
    sim.AddFile(*file, "driver", 2629).heldBySpooler = true;
  }

  SimPrinter& product = sim.AddPrinter(L"Quintavera", L"Quintavera printer", L"Quintavera:");
  product.comment = L"Front desk";
  product.location = L"Hall";
  const char subKey[] = "Printer1";
  product.data[{"", "SubKey"}] =
      RegValue{REG_SZ, std::vector<BYTE>(subKey, subKey + sizeof subKey)};
  sim.AddPrinter(L"Office", L"Other maker driver", L"LPT1:");
  sim.drivers.push_back(SimDriver{L"Other maker driver", L"Windows x64", {}, {}, {}, {}});
  sim.defaultPrinter = L"Quintavera";
  sim.SetRegString(L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\Printer1", L"deleted", L"1");

  AddTrayProgram(sim);

  sim.AddFile(sim.driverDirectory + L"\\orbui64.dll", "stale staged copy");
  sim.SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue,
                    {L"\\??\\" + sim.driverDirectory + L"\\orbui64.dll", L""});
}

}  // namespace qv::sim
