// The install log: indentation, numbered error lines with the system's description, the count.
#include "log/install_log.h"

#include <gtest/gtest.h>

#include "context/install_context.h"
#include "scenario.h"

namespace qv {
namespace {

class InstallLogTest : public sim::Scenario {
 protected:
  std::wstring Log() const { return ctx.logText.Text(); }
  InstallContext ctx;
};

// Two blanks per indent level up to ten; a line is formatted and cut at the scratch line. An error
// line's description stands without its line end, no description is said so, error 0 adds
// nothing; only error lines are counted.
TEST_F(InstallLogTest, LinesIndentedCutAndErrorsCounted) {
  for (int level : {0, 1, 10, 15, -1}) {
    ctx.indent = level;
    AppendLogText(ctx, L"x");
  }
  AppendLogText(ctx, nullptr);
  LogLine(ctx, L"%d Monitors found.", 3);
  LogLine(ctx, L"%s", std::wstring(2000, L'p').c_str());
  sim.SetLastError(0);
  LogError(ctx, 7, L"Can`t retrieve system directory.");
  LogError(ctx, 9, L"%s", std::wstring(2000, L'e').c_str());
  sim.SetLastError(5);
  LogError(ctx, 2, L"Can't open the spooler");
  sim.SetLastError(0xDEADBEEF);  // the simulated system has no text for it
  LogError(ctx, 4, L"Can't start the spooler");
  const std::wstring tenLevels(20, L' ');
  EXPECT_EQ(Log(), L"x\r\n  x\r\n" + tenLevels + L"x\r\n" + tenLevels +
                       L"x\r\nx\r\n\r\n3 Monitors found.\r\n" + std::wstring(1023, L'p') +
                       L"\r\nError(7): Can`t retrieve system directory.\r\nError(9): " +
                       std::wstring(1013, L'e') + L"\r\n"
                       L"Error(2): Can't open the spooler - (System message 5.)\r\n"
                       L"Error(4): Can't start the spooler - ( No Description )\r\n");
  EXPECT_EQ(ctx.errorCount, 4);
  EXPECT_EQ(sim.LiveBlocks(), 0);
}

// A Windows without English messages describes an error in its own language.
TEST_F(InstallLogTest, ReasonInTheSystemLanguageWhereEnglishIsMissing) {
  sim.messageLanguages = {1031};
  sim.systemLanguage = 1031;
  sim.SetLastError(5);
  LogError(ctx, 2, L"Can't open the spooler");
  sim.messageLanguages = {1031, 1033};  // English there: the last error is no reason to ask again
  sim.SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
  LogError(ctx, 3, L"x");
  EXPECT_EQ(Log(), L"Error(2): Can't open the spooler - (System message 5 in language 1031.)\r\n"
                   L"Error(3): x - (System message 1815.)\r\n");
  EXPECT_EQ(sim.LiveBlocks(), 0);
}

// A description fills a buffer of its length and NUL, and is cut to fit one a character shorter;
// an error without text leaves an empty one, a buffer of no room is not written; the guard words
// on either side of the buffer stay as they were.
TEST_F(InstallLogTest, DescriptionFillsItsBufferAndNothingOutside) {
  const std::wstring text = L"System message 5.";
  for (size_t capacity : {text.size() + 1, text.size()}) {
    std::wstring guarded = L"G" + std::wstring(capacity, L'x') + L"G";
    EXPECT_TRUE(DescribeError(5, &guarded[1], capacity));
    EXPECT_EQ(guarded, L"G" + text.substr(0, capacity - 1) + std::wstring(1, L'\0') + L"G");
  }
  std::wstring guarded = L"GxG";
  EXPECT_FALSE(DescribeError(0xDEADBEEF, &guarded[1], 1));
  EXPECT_FALSE(DescribeError(5, &guarded[2], 0));
  EXPECT_EQ(guarded, std::wstring(L"G\0G", 3));
  EXPECT_EQ(sim.LiveBlocks(), 0);
}

}  // namespace
}  // namespace qv
