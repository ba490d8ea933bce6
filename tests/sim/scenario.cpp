// Test fixture for scenarios on the simulated machine.
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

void Scenario::StagePackage() { StageProductPackage(sim); }

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

}  // namespace qv::sim
