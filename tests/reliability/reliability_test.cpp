// Hostile runs on an installed machine: Windows giving no system or driver directory.
#include <gtest/gtest.h>

#include <string>

#include "scenario.h"
#include "program/command_line.h"

namespace qv {
namespace {

// A product path missing its directory never names the current directory's files of the
// product's names: they stay as they are, and the run lets go of everything it took.
TEST(NoDirectory, FilesOfTheCurrentDirectoryAreLeftAlone) {
  const wchar_t* bare[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll", L"orbhelp.chm"};
  for (const wchar_t* command : {L"install", L"uninstall"}) {
    for (const char* function : {"GetSystemDirectoryW", "GetPrinterDriverDirectoryW"}) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(command)) << ", "
                                      << function << " failing");
      sim::SimWindows machine;
      ScopedWindowsApi scope(machine);
      sim::MakeInstalledMachine(machine);
      for (const wchar_t* file : bare) machine.AddFile(file, "current directory", 2629);
      machine.FailAlways(function, ERROR_ACCESS_DENIED);
      machine.commandLine = L"qvinstall.exe " + std::wstring(command);
      EXPECT_EQ(RunCommandLine(), 100);
      EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
      for (const wchar_t* file : bare) {
        const sim::SimFile* left = machine.FindFile(file);
        EXPECT_TRUE(left && left->data.find("current directory") != std::string::npos) << file;
      }
    }
  }
}

}  // namespace
}  // namespace qv
