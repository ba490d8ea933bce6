// Hostile runs on an installed machine: every call failing, and seeded random inputs.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "installed_machine.h"
#include "program/command_line.h"
#include "scenario.h"

namespace qv {
namespace {

// Runs `commandLine` on `machine` (the installer's Windows) to its end.
int RunToTheEnd(sim::SimWindows& machine, const std::wstring& commandLine) {
  machine.commandLine = commandLine;
  const int code = RunCommandLine();
  EXPECT_EQ(machine.LiveBlocks(), 0) << "blocks left";
  EXPECT_EQ(machine.OpenHandles(), 0) << "handles left";
  return code;
}

// ---- Fault sweep -------------------------------------------------------------------------------

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
  if (!function.empty()) machine.FailNext(function, times, RealisticError(function));
  const int code = RunToTheEnd(machine, L"qvinstall.exe " + std::wstring(command.word));
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

// ---- Random inputs -----------------------------------------------------------------------------

class Randomizer {
 public:
  explicit Randomizer(uint32_t seed) : engine_(seed) {}

  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(engine_); }

  // Text of a length chosen around the installer's fixed buffers.
  std::wstring Text(const std::wstring& letters) {
    static const int kLengths[] = {0, 1, 11, 18, 63, 64, 254, 255, 256, 259, 260, 263, 264, 300};
    std::wstring text;
    for (int i = kLengths[Below(std::size(kLengths))]; i > 0; --i) {
      text.push_back(letters[Below(letters.size())]);
    }
    return text;
  }
  std::wstring Name() {
    static const wchar_t* kNames[] = {L"Quintavera printer", L"Quintavera:", L""};
    const int pick = Below(6);
    return pick < 3 ? kNames[pick] : Text(L"Qq:, \\/.%sdx\"abc");
  }
  std::vector<BYTE> Bytes() {
    std::vector<BYTE> bytes(Below(3) == 0 ? Below(4) : Below(700));
    for (BYTE& b : bytes) b = static_cast<BYTE>(Below(4) == 0 ? 0 : Below(256));
    return bytes;
  }

 private:
  std::mt19937 engine_;
};

// Fills a machine from the seed: an installed product plus hostile names and values.
void MakeRandomMachine(sim::SimWindows& machine, Randomizer& random) {
  sim::MakeInstalledMachine(machine);
  for (int i = random.Below(4); i > 0; --i) {
    sim::SimPrinter& printer = machine.AddPrinter(random.Name(), random.Name(), random.Name());
    printer.comment = random.Text(L"c%s");
    printer.connection = random.Below(3) == 0;
    const std::vector<BYTE> subKey = random.Bytes();
    printer.data[{random.Below(2) ? "" : "DsUser", "SubKey"}] =
        sim::RegValue{static_cast<DWORD>(random.Below(3) == 0 ? REG_BINARY : REG_SZ), subKey};
  }
  for (int i = random.Below(3); i > 0; --i) {
    machine.monitors.push_back(sim::SimMonitor{random.Name(), L"Windows x64", random.Name()});
    machine.drivers.emplace_back().name = random.Name();
    machine.drivers.back().environment = L"Windows x64";
  }
  if (random.Below(3) == 0) machine.defaultPrinter = random.Name();
  machine.registry[sim::Lower(sim::kSessionManagerKey)][sim::Lower(sim::kPendingRenamesValue)] =
      sim::RegValue{static_cast<DWORD>(random.Below(4) == 0 ? REG_SZ : REG_MULTI_SZ),
                    random.Bytes()};
}

std::wstring RandomCommandLine(Randomizer& random) {
  static const wchar_t* kWords[] = {L"install", L"uninstall",  L"onInit",    L"onChkDrv",
                                    L"def.set", L"removetray", L"in_notray", L"IN"};
  std::wstring line = L"\"C:\\setup\\drv\\qvinstall.exe\"";
  for (int i = random.Below(5); i > 0; --i) {
    line += random.Below(2) ? L" " : L"\t";
    const int kind = random.Below(4);
    line += kind == 0   ? std::wstring(kWords[random.Below(8)])
            : kind == 1 ? std::to_wstring(random.Below(1 << 30)) + L"99999999999"
                        : random.Text(L"\"\\ \tab-+09");
  }
  return line;
}

// The exit code and the whole log of one seeded run.
std::pair<int, std::wstring> RunOnce(uint32_t seed) {
  Randomizer random(seed);
  sim::SimWindows machine;
  ScopedWindowsApi scope(machine);
  MakeRandomMachine(machine, random);
  machine.shiftDown = true;
  const int code = RunToTheEnd(machine, RandomCommandLine(random));
  return {code, machine.dialog.text};
}

TEST(RandomInputs, EverySeedEndsCleanAndRepeatsItself) {
  for (uint32_t seed : {1u, 7u, 2629u, 40503u, 123456789u}) {
    for (uint32_t run = 0; run < 40; ++run) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " run " << run);
      const auto first = RunOnce(seed * 1000u + run);
      EXPECT_EQ(RunOnce(seed * 1000u + run), first) << "same seed, different result";
    }
  }
}

}  // namespace
}  // namespace qv
