// Hostile runs on an installed machine: every call of every command failing, once and always.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "program/command_line.h"
#include "scenario.h"

namespace qv {
namespace {

// The answers each command may give; 100 for the words without a log: the installer mutex could
// not be had.
const std::map<std::wstring, std::set<int>> kCommands = {
    {L"install", {1, 100, 101}},     {L"in_notray", {1, 100, 101}},
    {L"uninstall", {2, 100, 101}},   {L"install /log=C:\\logs\\run.log", {1, 100, 101}},
    {L"onInit", {200, 102, 3, 100}}, {L"onChkDrv", {103, 3}},
    {L"def.set", {4, 100}},          {L"removetray", {6, 100}}};

// A realistic error for a failing call of `function`: the ones the installer tells apart.
DWORD RealisticError(const std::string& function) {
  if (function == "GlobalAlloc") return ERROR_NOT_ENOUGH_MEMORY;
  if (function == "CreateFileW") return ERROR_SHARING_VIOLATION;
  const bool spooler = function.find("Printer") != std::string::npos ||
                       function.find("Monitor") != std::string::npos;
  return spooler ? RPC_S_SERVER_UNAVAILABLE : ERROR_ACCESS_DENIED;
}

// `command` with `function` failing `times` (-1: always; 0: none) answers one of its answers,
// lets go of everything it took and never takes the current directory's files of the product's
// names for its own (a product path missing its directory); the functions it called.
std::set<std::string> RunWithFault(const std::wstring& command, const std::string& function,
                                   int times) {
  sim::SimWindows machine;
  ScopedWindowsApi scope(machine);
  sim::MakeInstalledMachine(machine);
  const wchar_t* bare[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"};
  for (const wchar_t* file : bare) machine.AddFile(file, "current directory", 2629);
  if (times != 0) machine.FailNext(function, times, RealisticError(function));
  machine.commandLine = L"qvinstall.exe " + command;
  const int code = RunCommandLine();
  // Without a readable command line there is no command word: 6, as for no word at all.
  EXPECT_TRUE(kCommands.at(command).count(code) || (function == "CommandLineToArgvW" && code == 6))
      << "exit code " << code;
  EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0) << "blocks or handles left";
  for (const wchar_t* file : bare) {
    const sim::SimFile* left = machine.FindFile(file);
    EXPECT_TRUE(left && left->data.find("current directory") != std::string::npos) << file;
  }
  const std::vector<std::string> calls = machine.CalledFunctions();
  return {calls.begin(), calls.end()};
}

TEST(FaultSweep, EveryFunctionFailingOnceAndAlways) {
  for (const auto& command : kCommands) {
    for (const std::string& function : RunWithFault(command.first, "", 0)) {
      for (int times : {1, -1}) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(command.first) << ", " << function
                                        << " failing " << (times < 0 ? "always" : "once"));
        RunWithFault(command.first, function, times);
      }
    }
  }
}

}  // namespace
}  // namespace qv
