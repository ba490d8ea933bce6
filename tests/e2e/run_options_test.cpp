// The runner's command line: what it passes on must reach the installer unchanged.
#include "run_options.h"

#include <shellapi.h>

#include <gtest/gtest.h>

namespace qvrun {
namespace {

std::vector<std::wstring> SplitAsWindowsDoes(const std::wstring& line) {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> words(argv, argv + count);
  ::LocalFree(argv);
  return words;
}

TEST(QuoteArgument, SurvivesTheWindowsSplit) {
  for (const wchar_t* argument :
       {L"install", L"", L"a b", L"a\tb", L"say \"hi\"", L"C:\\dir\\", L"C:\\my dir\\",
        L"x\\\\\"y", L"\\\\server\\share\\q.exe", L"\"", L"\\"}) {
    RunOptions options;
    options.installer = L"C:\\qv pkg\\drv\\qvinstall.exe";
    options.arguments = {argument, L"123"};
    const auto words = SplitAsWindowsDoes(BuildCommandLine(options));
    ASSERT_EQ(words.size(), 3u) << BuildCommandLine(options);
    EXPECT_EQ(words[0], options.installer);
    EXPECT_EQ(words[1], argument);
    EXPECT_EQ(words[2], L"123");
  }
}

bool Parse(std::vector<const wchar_t*> words, RunOptions& options) {
  std::vector<wchar_t*> argv;
  std::vector<std::wstring> storage(words.begin(), words.end());
  for (auto& word : storage) argv.push_back(&word[0]);
  std::wstring error;
  return ParseRunOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(ParseRunOptions, OptionsComeBeforeTheProgramOnly) {
  RunOptions options;
  ASSERT_TRUE(Parse({L"qvrun", L"--compat", L"c.dll", L"--shift", L"--timeout-ms", L"2000",
                     L"qvinstall.exe", L"--compat", L"--shift"},
                    options));
  EXPECT_EQ(options.compatDll, L"c.dll");
  EXPECT_EQ(options.timeoutMs, 2000u);
  EXPECT_TRUE(options.shift);
  EXPECT_EQ(options.installer, L"qvinstall.exe");
  EXPECT_EQ(options.arguments, (std::vector<std::wstring>{L"--compat", L"--shift"}));
}

TEST(ParseRunOptions, RefusesWhatWouldRunWithoutABound) {
  for (auto words : std::vector<std::vector<const wchar_t*>>{
           {L"qvrun"},
           {L"qvrun", L"--timeout-ms", L"0", L"x.exe"},
           {L"qvrun", L"--timeout-ms", L"-5", L"x.exe"},
           {L"qvrun", L"--timeout-ms", L"99999999999", L"x.exe"},
           {L"qvrun", L"--timeout-ms"},
           {L"qvrun", L"--compat"},
           {L"qvrun", L"--other", L"x.exe"}}) {
    RunOptions options;
    EXPECT_FALSE(Parse(words, options)) << words.size();
  }
}

TEST(DirectoryOf, KeepsTheRootOfADrive) {
  EXPECT_EQ(DirectoryOf(L"C:\\qvpkg\\drv\\qvinstall.exe"), L"C:\\qvpkg\\drv");
  EXPECT_EQ(DirectoryOf(L"C:\\qvinstall.exe"), L"C:\\");
  EXPECT_EQ(DirectoryOf(L"Z:/work/qvinstall.exe"), L"Z:/work");
  EXPECT_EQ(DirectoryOf(L"qvinstall.exe"), L"");
}

}  // namespace
}  // namespace qvrun
