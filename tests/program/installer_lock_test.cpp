// One installer at a time: a second run waits for the first, takes over from a killed one, and
// changes nothing when it cannot have the mutex.
#include "program/installer_lock.h"

#include <gtest/gtest.h>

#include "program/command_line.h"
#include "scenario.h"

namespace qv {
namespace {

constexpr char kMutex[] = "Global\\QuintaveraInstaller";

class InstallerLockTest : public sim::Scenario {
 protected:
  InstallerLockTest() { sim::MakeInstalledMachine(sim); }
};

// A second run waits for the first or takes over from a killed one, and lets go at the end.
TEST_F(InstallerLockTest, ASecondRunWaitsForTheFirstOrTakesOverFromAKilledOne) {
  sim.mutexes[kMutex].held = true;
  sim.At(120000, [&] { sim.mutexes[kMutex].held = false; });
  int code = 0;
  auto lines = RunAndReadLog(L"install", &code);
  EXPECT_EQ(code, 1);
  EXPECT_GT(LineOf(lines, L"Waited 120000 ms for another Quintavera installer to end"), 0);
  EXPECT_FALSE(sim.mutexes[kMutex].owned);
  sim.mutexes[kMutex].abandoned = true;
  lines = RunAndReadLog(L"uninstall", &code);
  EXPECT_EQ(code, 2);
  EXPECT_GT(LineOf(lines, L"Another Quintavera installer ended without finishing, going on"), 0);
  sim.mutexes.clear();
  EXPECT_EQ(Run(L"install"), 1);  // the first installer makes it, for Administrators and SYSTEM
  EXPECT_EQ(sim.mutexes[kMutex].access, L"D:P(A;;GA;;;SY)(A;;GA;;;BA)");
  ExpectAllReleased();
}

// Still held after five minutes, or not to be had at all: every word that changes the machine
// answers 100 and leaves the spooler and the tray program alone.
TEST_F(InstallerLockTest, WithoutTheMutexNothingChanges) {
  const struct {
    const char* failing;  // null: another installer holds the mutex throughout
    DWORD error;
    const wchar_t* message;
  } kCauses[] = {{nullptr, 0, L"System message 258."},
                 {"CreateMutexA", ERROR_ACCESS_DENIED, L"System message 5."},
                 {"WaitForSingleObject", ERROR_INVALID_HANDLE, L"System message 6."}};
  for (const auto& cause : kCauses) {
    for (const wchar_t* word : {L"install", L"uninstall", L"onInit", L"def.set", L"removetray"}) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(word) + L", " + cause.message));
      sim::SimWindows machine;
      ScopedWindowsApi scope(machine);
      sim::MakeInstalledMachine(machine);
      machine.mutexes[kMutex].held = cause.failing == nullptr;
      if (cause.failing) machine.FailAlways(cause.failing, cause.error);
      machine.shiftDown = true;
      machine.commandLine = L"qvinstall.exe " + std::wstring(word);
      EXPECT_EQ(RunCommandLine(), 100);
      EXPECT_EQ(machine.CallCount("OpenSCManagerW") + machine.CallCount("EnumPrintersW") +
                    machine.CallCount("PostMessageW") + machine.CallCount("SetDefaultPrinterW"),
                0);
      if (machine.dialog.shown) {
        EXPECT_EQ(machine.dialog.text,
                  L"Quintavera 2629\r\nError(27): Another Quintavera installer "
                  L"is running, nothing was changed - (" +
                      std::wstring(cause.message) + L")\r\n");
      }
      EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
    }
  }
}

}  // namespace
}  // namespace qv
