// Hostile runs on an installed machine: every call of every command failing, once and always.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "scenario.h"
#include "program/command_line.h"

namespace qv {
namespace {

struct Command {
  const wchar_t* word;
  std::set<int> exitCodes;
};

// 100 for the words without a log: the installer mutex could not be had.
const Command kCommands[] = {{L"install", {1, 100, 101}},
                             {L"in_notray", {1, 100, 101}},
                             {L"uninstall", {2, 100, 101}},
                             {L"install /log=C:\\logs\\run.log", {1, 100, 101}},
                             {L"onInit", {200, 102, 3, 100}},
                             {L"onChkDrv", {103, 3}},
                             {L"def.set", {4, 100}},
                             {L"removetray", {6, 100}}};

// A realistic error for a failing call of `function`.
DWORD RealisticError(const std::string& function) {
  static const std::map<std::string, DWORD> errors = {
      {"GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY}, {"CreateFileW", ERROR_SHARING_VIOLATION},
      {"ReadFile", ERROR_READ_FAULT}, {"WriteFile", ERROR_DISK_FULL},
      {"OpenPrinterW", ERROR_INVALID_PRINTER_NAME}, {"DeleteFileW", ERROR_ACCESS_DENIED},
      {"GetFileVersionInfoSizeW", ERROR_RESOURCE_TYPE_NOT_FOUND}};
  auto found = errors.find(function);
  if (found != errors.end()) return found->second;
  const bool spooler = function.find("Printer") != std::string::npos ||
                       function.find("Monitor") != std::string::npos;
  return spooler ? RPC_S_SERVER_UNAVAILABLE : ERROR_ACCESS_DENIED;
}

// Functions whose failure the installer never reports as an error line.
const std::set<std::string> kSilent = {
    "ReleaseMutex", "FindWindowW", "PostMessageW", "CreateProcessW",
    "GetVersionExA", "RegDeleteValueA", "RegQueryValueExW", "GetFileAttributesW", "MoveFileExW",
    "GetAsyncKeyState", "Sleep", "GetTickCount", "IsWindow", "CloseHandle",
    "RegCloseKey", "ClosePrinter", "CloseServiceHandle", "GlobalFree", "LocalFree",
    "SetDefaultDllDirectories"};

struct SweepRun {
  std::set<std::string> called;
  bool errorsLogged;
};

// `command` on a fresh installed machine with `function` failing `times` (-1: always).
SweepRun RunWithFault(const Command& command, const std::string& function, int times) {
  sim::SimWindows machine;
  ScopedWindowsApi scope(machine);
  sim::MakeInstalledMachine(machine);
  // Files of the current directory under the product's names: a product path missing its
  // directory must never name them.
  const wchar_t* bare[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"};
  for (const wchar_t* file : bare) machine.AddFile(file, "current directory", 2629);
  if (!function.empty()) machine.FailNext(function, times, RealisticError(function));
  machine.commandLine = L"qvinstall.exe " + std::wstring(command.word);
  const int code = RunCommandLine();
  EXPECT_EQ(machine.LiveBlocks(), 0) << "blocks left";
  EXPECT_EQ(machine.OpenHandles(), 0) << "handles left";
  for (const wchar_t* file : bare) {
    const sim::SimFile* left = machine.FindFile(file);
    EXPECT_TRUE(left && left->data.find("current directory") != std::string::npos) << file;
  }
  // Without a readable command line there is no command word: 6, as for no word at all.
  EXPECT_TRUE(command.exitCodes.count(code) != 0 || (function == "CommandLineToArgvW" && code == 6))
      << "exit code " << code;
  const std::vector<std::string> calls = machine.CalledFunctions();
  return {{calls.begin(), calls.end()},
          machine.dialog.caption.find(L"error log!") != std::wstring::npos};
}

TEST(FaultSweep, EveryFunctionFailingOnceAndAlways) {
  for (const Command& command : kCommands) {
    const SweepRun clean = RunWithFault(command, "", 0);
    EXPECT_FALSE(clean.errorsLogged) << "the installed machine alone gives errors";
    for (const std::string& function : clean.called) {
      for (int times : {1, -1}) {
        SCOPED_TRACE(testing::Message()
                     << "command " << testing::PrintToString(std::wstring(command.word)) << ", "
                     << function << " failing " << (times < 0 ? "always" : "once"));
        const bool faultLogged = RunWithFault(command, function, times).errorsLogged;
        if (kSilent.count(function) != 0) {
          EXPECT_FALSE(faultLogged) << "a silent failure wrote an error line";
        }
      }
    }
  }
}

}  // namespace
}  // namespace qv
