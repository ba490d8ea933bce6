// The package's custom actions: what an installer run means, its command line, its log read back
// and the actions' data.
#include <gtest/gtest.h>

#include "installer_run.h"
#include "msi_session.h"
#include "outcome.h"

namespace qvmsi {
namespace {

TEST(ChangeOutcomeTest, CodesOfInstallAndUninstall) {
  struct Case {
    DWORD success, code;
    Outcome expected;
  } cases[] = {
      {kInstalled, 1, Outcome::kSuccess},          {kUninstalled, 2, Outcome::kSuccess},
      {kInstalled, 101, Outcome::kRestartNeeded},  {kUninstalled, 101, Outcome::kRestartNeeded},
      {kInstalled, 100, Outcome::kFailure},        {kInstalled, 2, Outcome::kFailure},
      {kUninstalled, 1, Outcome::kFailure},        {kInstalled, 0, Outcome::kFailure},
      {kInstalled, 0xC0000005, Outcome::kFailure},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChangeOutcome(c.success, c.code), c.expected) << c.success << " " << c.code;
  }
  EXPECT_TRUE(IsCrash(0xC0000005));
  EXPECT_FALSE(IsCrash(101));
}

TEST(InstallerCommandLineTest, LogPathQuotedWholeAfterTheWord) {
  EXPECT_EQ(InstallerCommandLine(L"C:\\Program Files\\Quintavera\\drv\\qvinstall.exe", L"install",
                                 L"C:\\Windows\\Temp\\Quintavera package\\qvinstall install.log"),
            L"\"C:\\Program Files\\Quintavera\\drv\\qvinstall.exe\" install "
            L"\"/log=C:\\Windows\\Temp\\Quintavera package\\qvinstall install.log\"");
}

TEST(SplitLogTextTest, LinesAsWritten) {
  struct Case {
    const char* text;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"", {}},
      {"one\r\n  two\r\n", {L"one", L"  two"}},
      {"\xEF\xBB\xBFone\ntwo", {L"one", L"two"}},
      {"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
      {"Gr\xC3\xBC\xC3\x9F [1] {x}\r\n", {L"Gr\u00FC\u00DF [1] {x}"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLogText(c.text), c.lines) << c.text;
}

TEST(SplitFieldsTest, ActionDataFields) {
  EXPECT_EQ(SplitFields(L"C:\\Program Files\\Quintavera\\|1|"),
            (std::vector<std::wstring>{L"C:\\Program Files\\Quintavera\\", L"1", L""}));
  EXPECT_EQ(SplitFields(L""), std::vector<std::wstring>{L""});
}

}  // namespace
}  // namespace qvmsi
