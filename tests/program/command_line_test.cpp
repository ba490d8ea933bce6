// The command table: word matching, the owner window, help windows, and the exit codes.
#include "program/command_line.h"

#include <gtest/gtest.h>

#include <climits>

#include "scenario.h"

namespace qv {
namespace {

using sim::Scenario;

TEST(CommandWordTest, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(CommandWordEquals(L"INSTALL", L"install"));
  EXPECT_TRUE(CommandWordEquals(L"In_NoTray", L"in_notray"));
  EXPECT_FALSE(CommandWordEquals(L"instal", L"install"));
  EXPECT_FALSE(CommandWordEquals(L"installs", L"install"));
  EXPECT_FALSE(CommandWordEquals(L"\u0130n", L"in"));  // no locale folding
}

TEST(OwnerWindowTest, ParsesLikeASignedDecimal) {
  EXPECT_EQ(ParseOwnerWindow(L"  +123xyz"), reinterpret_cast<HWND>(123));
  EXPECT_EQ(ParseOwnerWindow(L"-5"), reinterpret_cast<HWND>(-5));
  EXPECT_EQ(ParseOwnerWindow(L"12.5"), reinterpret_cast<HWND>(12));
  EXPECT_EQ(ParseOwnerWindow(L"12abc"), reinterpret_cast<HWND>(12));
  EXPECT_EQ(ParseOwnerWindow(L"abc"), nullptr);
  EXPECT_EQ(ParseOwnerWindow(L"99999999999999999999"), reinterpret_cast<HWND>(INT_MAX));
  EXPECT_EQ(ParseOwnerWindow(L"-2147483649"),
            reinterpret_cast<HWND>(static_cast<intptr_t>(INT_MIN)));
  EXPECT_EQ(ParseOwnerWindow(L"-99999999999999999999"),
            reinterpret_cast<HWND>(static_cast<intptr_t>(INT_MIN)));
}

class CommandLineTest : public Scenario {};

TEST_F(CommandLineTest, WordsOutsideTheTableDoNothing) {
  for (const wchar_t* words : {L"", L"DEF.SET", L"Def.Set", L"def.set2", L"def", L"nonsense"}) {
    EXPECT_EQ(Run(words), 6) << words;
  }
  EXPECT_EQ(Run(L"def.set"), 4);
  EXPECT_TRUE(sim.processStarts.empty());
  // Whatever the word, DLLs come from the system directory only, from the run's first call on.
  EXPECT_EQ(sim.CalledFunctions().front(), "SetDefaultDllDirectories");
  EXPECT_EQ(sim.dllSearch, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  ExpectAllReleased();
}

// The third element becomes the owner only when it is a window and nothing follows it.
TEST_F(CommandLineTest, OwnerWindowOnlyFromExactlyThreeValidElements) {
  sim.shiftDown = true;
  HWND setup = sim.AddWindow(L"SetupWindow", L"Setup").hwnd;
  const std::wstring handle = std::to_wstring(reinterpret_cast<uintptr_t>(setup));
  for (const auto& [arguments, owner] :
       {std::pair{handle, setup}, {handle + L" more", HWND{}}, {std::wstring(L"12345"), HWND{}}}) {
    Run(L"uninstall " + arguments);
    EXPECT_EQ(sim.dialog.owner, owner) << arguments;
  }
  ExpectAllReleased();
}

// The product's help windows are closed first; one that never closes costs a bounded number of
// rounds, then the run goes on.
TEST_F(CommandLineTest, HelpWindowsAreClosedBeforeInstallAndUninstall) {
  auto closeOnRequest = [this](sim::SimWindow& window, UINT message) {
    if (message == WM_SYSCOMMAND) sim.RemoveWindow(window.hwnd);
  };
  sim.AddWindow(L"HH Parent", L"Quintavera Help").onPost = closeOnRequest;
  sim.AddWindow(L"HH Parent", L"Quintavera Help").onPost = closeOnRequest;
  sim.AddWindow(L"HH Parent", L"Other Help");
  Run(L"in");
  EXPECT_EQ(sim.windows.size(), 1u);
  sim.AddWindow(L"HH Parent", L"Quintavera Help");
  const uint64_t start = sim.clock;
  EXPECT_EQ(Run(L"uninstall"), 2);  // the uninstall ran
  EXPECT_EQ(sim.windows.back().posted.size(), 200u);
  EXPECT_GE(sim.clock - start, 200u * 50u);
}

}  // namespace
}  // namespace qv
