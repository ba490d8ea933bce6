// A simulated machine on which the product is installed and in use.
#include "installed_machine.h"

namespace qv::sim {
namespace {

constexpr wchar_t kTrayMutexClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr char kTrayMutex[] = "{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";

void AddTrayProgram(SimWindows& sim) {
  sim.AddFile(L"C:\\setup\\qvatray.exe", "tray");
  sim.SetRegString(L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"QuintaveraTray",
                   L"C:\\setup\\qvatray.exe");
  sim.mutexes[kTrayMutex].held = true;
  sim.AddWindow(kTrayMutexClass, L"").onPost = [&sim](SimWindow& window, UINT message) {
    if (message != 0x0402) return;
    const HWND hwnd = window.hwnd;
    sim.At(sim.clock + 300, [&sim, hwnd] {
      sim.RemoveWindow(hwnd);
      sim.mutexes[kTrayMutex].held = false;
    });
  };
}

}  // namespace

void MakeInstalledMachine(SimWindows& sim) {
  const std::wstring system = sim.systemDirectory + L"\\";
  const std::wstring store = sim.driverDirectory + L"\\3\\";
  for (const wchar_t* file : {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll"}) {
    sim.AddFile(std::wstring(L"C:\\setup\\drv\\") + file, "component", 2629);
  }
  sim.AddFile(L"C:\\setup\\drv\\orbhelp.chm", "help");

  sim.AddFile(system + L"orbmon64.dll", "monitor", 2629);
  sim.FindFile(system + L"orbmon64.dll")->heldBySpooler = true;
  sim.monitors.push_back(SimMonitor{L"Quintavera:", L"Windows x64", L"orbmon64.dll"});

  SimDriver driver;
  driver.name = L"Quintavera printer";
  driver.environment = L"Windows x64";
  driver.driverPath = driver.dataFile = store + L"orbdrv64.dll";
  driver.configFile = store + L"orbui64.dll";
  driver.helpFile = store + L"orbhelp.chm";
  sim.drivers.push_back(driver);
  for (const std::wstring* file : {&driver.driverPath, &driver.configFile, &driver.helpFile}) {
    sim.AddFile(*file, "driver", 2629);
    sim.FindFile(*file)->heldBySpooler = true;
  }

  SimPrinter& product = sim.AddPrinter(L"Quintavera", L"Quintavera printer", L"Quintavera:");
  product.comment = L"Front desk";
  product.location = L"Hall";
  const std::string subKey = "Printer1";
  const auto* text = reinterpret_cast<const BYTE*>(subKey.c_str());
  product.data[{"", "SubKey"}] =
      RegValue{REG_SZ, std::vector<BYTE>(text, text + subKey.size() + 1)};
  sim.AddPrinter(L"Office", L"Other maker driver", L"LPT1:");
  sim.drivers.push_back(SimDriver{L"Other maker driver", L"Windows x64"});
  sim.defaultPrinter = L"Quintavera";
  sim.SetRegString(L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\Printer1", L"deleted", L"1");

  AddTrayProgram(sim);

  sim.AddFile(sim.driverDirectory + L"\\orbui64.dll", "stale staged copy");
  sim.SetRegMultiSz(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                    L"PendingFileRenameOperations",
                    {L"\\??\\" + sim.driverDirectory + L"\\orbui64.dll", L""});
}

}  // namespace qv::sim
