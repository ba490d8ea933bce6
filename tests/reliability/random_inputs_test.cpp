// Randomised inputs, seeded and reproducible: command lines, names from empty to past every fixed
// buffer, "SubKey" values of any size and type, and any "PendingFileRenameOperations" data. No
// run may crash, leak, or answer differently for the same seed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/command_line.h"
#include "installed_machine.h"
#include "scenario.h"

namespace qv {
namespace {

constexpr uint32_t kSeeds[] = {1, 7, 2629, 40503, 123456789};
constexpr int kRunsPerSeed = 40;

class Randomizer {
 public:
  explicit Randomizer(uint32_t seed) : engine_(seed) {}

  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(engine_); }

  // Text of a length chosen around the installer's fixed buffers.
  std::wstring Text(const wchar_t* alphabet) {
    static const int kLengths[] = {0, 1, 11, 18, 63, 64, 254, 255, 256, 259, 260, 263, 264, 300};
    const int length = kLengths[Below(sizeof kLengths / sizeof kLengths[0])];
    const std::wstring letters = alphabet;
    std::wstring text;
    for (int i = 0; i < length; ++i) text.push_back(letters[Below(letters.size())]);
    return text;
  }
  std::wstring Name() {
    switch (Below(6)) {
      case 0:
        return L"Quintavera printer";
      case 1:
        return L"Quintavera:";
      case 2:
        return L"";
      default:
        return Text(L"Qq:, \\/.%sdx\"abc");
    }
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
    sim::SimDriver driver;
    driver.name = random.Name();
    driver.environment = L"Windows x64";
    machine.drivers.push_back(driver);
  }
  if (random.Below(3) == 0) machine.defaultPrinter = random.Name();
  sim::RegValue pending{static_cast<DWORD>(random.Below(4) == 0 ? REG_SZ : REG_MULTI_SZ),
                        random.Bytes()};
  machine.registry[sim::Lower(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager")]
                  [sim::Lower(L"PendingFileRenameOperations")] = pending;
}

std::wstring RandomCommandLine(Randomizer& random) {
  static const wchar_t* kWords[] = {L"install", L"uninstall",  L"onInit",    L"onChkDrv",
                                    L"def.set", L"removetray", L"in_notray", L"IN"};
  std::wstring line = L"\"C:\\setup\\drv\\qvinstall.exe\"";
  for (int i = random.Below(5); i > 0; --i) {
    line += random.Below(2) ? L" " : L"\t";
    switch (random.Below(4)) {
      case 0:
        line += kWords[random.Below(8)];
        break;
      case 1:
        line += std::to_wstring(random.Below(1 << 30)) + L"99999999999";
        break;
      default:
        line += random.Text(L"\"\\ \tab-+09");
        break;
    }
  }
  return line;
}

struct Outcome {
  int code;
  std::wstring log;
  bool operator==(const Outcome& other) const { return code == other.code && log == other.log; }
};

Outcome RunOnce(uint32_t seed, int run) {
  Randomizer random(seed * 1000u + static_cast<uint32_t>(run));
  sim::SimWindows machine;
  ScopedWindowsApi scope(machine);
  machine.modulePath = L"C:\\setup\\drv\\qvinstall.exe";
  MakeRandomMachine(machine, random);
  machine.commandLine = RandomCommandLine(random);
  machine.shiftDown = true;
  Outcome outcome{-1, L""};
  try {
    outcome.code = RunCommandLine();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
  outcome.log = machine.dialog.text;
  EXPECT_EQ(machine.LiveBlocks(), 0);
  EXPECT_EQ(machine.OpenHandles(), 0);
  return outcome;
}

TEST(RandomInputs, EverySeedEndsCleanAndRepeatsItself) {
  for (uint32_t seed : kSeeds) {
    for (int run = 0; run < kRunsPerSeed; ++run) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " run " << run);
      const Outcome first = RunOnce(seed, run);
      EXPECT_NE(first.code, -1);
      EXPECT_TRUE(RunOnce(seed, run) == first) << "same seed, different result";
    }
  }
}

}  // namespace
}  // namespace qv
