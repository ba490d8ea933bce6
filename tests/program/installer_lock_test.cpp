// One installer at a time: a second run waits for the first, takes over from a killed one, and
// changes nothing when it cannot have the mutex; names another account made first block nothing.
#include "program/installer_lock.h"

#include <gtest/gtest.h>

#include "program/command_line.h"
#include "scenario.h"

namespace qv {
namespace {

constexpr char kNamespace[] = "Quintavera{S-1-5-32-544}\\Quintavera";
constexpr char kMutex[] = "Quintavera{S-1-5-32-544}\\Quintavera\\QuintaveraInstaller";
constexpr char kGlobalMutex[] = "Global\\QuintaveraInstaller";
constexpr wchar_t kAdminsOnly[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

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
  EXPECT_EQ(sim.mutexes[kMutex].access, kAdminsOnly);
  EXPECT_EQ(sim.namespaces[kNamespace].access, kAdminsOnly);
  ExpectAllReleased();
}

// A standard user's mutex of the old name, and the namespace "Quintavera" of a boundary of their
// own with the mutex's name in it, held: a run as SYSTEM or as an elevated administrator has its
// own mutex at once, in the namespace only they can make.
TEST_F(InstallerLockTest, NamesAStandardUserMadeFirstBlockNothing) {
  const std::wstring theirs = sim::DefaultAccessOf(sim::SimAccount::kStandardUser);
  const std::string person =
      "Quintavera{S-1-5-21-1004336348-1177238915-682003330-1001}\\Quintavera";
  sim.namespaces[person] = {theirs, 1};
  for (const std::string& name : {std::string(kGlobalMutex), person + "\\QuintaveraInstaller"})
    sim.mutexes[name] = {true, false, false, theirs, 1};
  for (const auto account : {sim::SimAccount::kSystem, sim::SimAccount::kAdministrator}) {
    sim.account = account;
    int code = 0;
    const auto lines = RunAndReadLog(L"install", &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(LineOf(lines, L"Waited", true) + LineOf(lines, L"The installers'", true), -2);
    EXPECT_EQ(sim.mutexes[kMutex].openHandles + sim.namespaces[kNamespace].openHandles, 0);
  }
  EXPECT_EQ(sim.mutexes[kGlobalMutex].openHandles + sim.namespaces[person].openHandles, 2);
  ExpectAllReleased();
}

// Without the namespace (Wine has none; a standard user is outside its boundary) the run uses the
// machine-wide name and says so; a namespace whose last holder let go between its creation and
// its opening is created again.
TEST_F(InstallerLockTest, WithoutTheNamespaceTheMachineWideNameServes) {
  sim.FailNext("CreateBoundaryDescriptorW", 1, ERROR_CALL_NOT_IMPLEMENTED);
  auto lines = RunAndReadLog(L"install");
  EXPECT_GT(LineOf(lines,
                   L"The installers' namespace can't be had (error 120), using "
                   L"Global\\QuintaveraInstaller"),
            0);
  EXPECT_EQ(sim.mutexes[kGlobalMutex].access, kAdminsOnly);
  sim.FailNext("ConvertStringSecurityDescriptorToSecurityDescriptorW", 1, ERROR_OUTOFMEMORY);
  lines = RunAndReadLog(L"install");
  EXPECT_GT(LineOf(lines, L"The installers' namespace can't be had (error 14)", true), 0);
  sim.namespaces[kNamespace] = {kAdminsOnly, 1};  // another installer's
  sim.account = sim::SimAccount::kStandardUser;
  lines = RunAndReadLog(L"install");
  EXPECT_GT(LineOf(lines, L"The installers' namespace can't be had (error 5)", true), 0);
  sim.account = sim::SimAccount::kAdministrator;
  sim.FailNext("OpenPrivateNamespaceW", 1, ERROR_FILE_NOT_FOUND);
  lines = RunAndReadLog(L"install");
  EXPECT_EQ(LineOf(lines, L"The installers'", true), -1);
  EXPECT_EQ(sim.CallCount("OpenPrivateNamespaceW"), 2);
  EXPECT_EQ(sim.namespaces[kNamespace].openHandles, 1);
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
