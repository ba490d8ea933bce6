// The machines scenarios run on.
#include "scenario.h"

#include "program/command_line.h"
#include "sim_tray.h"

namespace qv::sim {

Scenario::Scenario() {
  sim.registry[Lower(kRunKey)];
  sim.registry[Lower(kSessionManagerKey)];
}

void StageProductPackage(SimWindows& sim) {
  for (const wchar_t* file : {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll"}) {
    sim.AddFile(std::wstring(kSetupDir) + file, "component", 2629);
  }
  sim.AddFile(std::wstring(kSetupDir) + L"orbhelp.chm", "help");
  sim.AddFile(L"C:\\setup\\qvatray.exe", "tray");
}

SimFile& AddProductMonitor(SimWindows& sim, int32_t build) {
  sim.monitors.push_back(SimMonitor{L"Quintavera:", L"Windows x64", L"orbmon64.dll"});
  return sim.AddFile(kMonitorDll, "monitor", build);
}

int Scenario::Run(const std::wstring& arguments) {
  sim.commandLine = L"\"" + sim.modulePath + L"\" " + arguments;
  return RunCommandLine();
}

std::vector<std::wstring> Scenario::RunAndReadLog(const std::wstring& arguments, int* exitCode) {
  sim.shiftDown = true;
  const int code = Run(arguments);
  if (exitCode) *exitCode = code;
  EXPECT_TRUE(sim.dialog.shown);
  return SplitLines(sim.dialog.text);
}

void Scenario::ExpectAllReleased() const {
  EXPECT_EQ(sim.LiveBlocks(), 0) << "blocks left allocated";
  EXPECT_EQ(sim.OpenHandles(), 0) << "handles left open";
}

std::vector<std::wstring> Scenario::SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::wstring> Scenario::Trimmed(const std::vector<std::wstring>& lines) {
  std::vector<std::wstring> trimmed;
  for (const std::wstring& line : lines) {
    const size_t start = line.find_first_not_of(L' ');
    trimmed.push_back(start == std::wstring::npos ? L"" : line.substr(start));
  }
  return trimmed;
}

int Scenario::LineOf(const std::vector<std::wstring>& lines, const std::wstring& text,
                     bool prefix) {
  const std::vector<std::wstring> trimmed = Trimmed(lines);
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (prefix ? trimmed[i].rfind(text, 0) == 0 : trimmed[i] == text) return static_cast<int>(i);
  }
  return -1;
}

namespace {

void AddTrayProgram(SimWindows& sim) {
  sim.AddFile(L"C:\\setup\\qvatray.exe", "tray");
  sim.SetRegString(kRunKey, kRunValue, L"C:\\setup\\qvatray.exe");
  sim.mutexes[SimWindows::ObjectName(kTrayMutexName, 1)].held = true;
  sim.AddWindow(kTrayWindowClass, L"").onPost = [&sim](SimWindow& window, UINT message) {
    if (message != 0x0402) return;
    sim.At(sim.clock + 300, [&sim, hwnd = window.hwnd] {
      sim.RemoveWindow(hwnd);
      sim.mutexes[SimWindows::ObjectName(kTrayMutexName, 1)].held = false;
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
