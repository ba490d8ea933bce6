// The package's custom actions: what an installer run means, its command line, its log read back,
// the actions' data, and the restart a deferred action hands on.
#include <gtest/gtest.h>

#include <cwchar>

#include "action_steps.h"
#include "installer_run.h"
#include "msi_session.h"
#include "outcome.h"
#include "restart_handoff.h"

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

// A session as Windows Installer gives it to a deferred action ("Obtaining Context Information for
// Deferred Execution Custom Actions"): a property other than CustomActionData, ProductCode and
// UserSID, and any run mode set, is refused and counted. An immediate session sets modes.
class Session : public MsiHandleCalls {
 public:
  explicit Session(bool deferred) : deferred_(deferred) {}
  UINT GetProperty(const wchar_t* name, wchar_t* value, DWORD* length) override {
    const bool listed = std::wcscmp(name, L"CustomActionData") == 0 ||
                        std::wcscmp(name, L"ProductCode") == 0 ||
                        std::wcscmp(name, L"UserSID") == 0;
    if (deferred_ && !listed) return Refuse();
    if (*length == 0) return ERROR_MORE_DATA;
    value[0] = L'\0';
    *length = 0;
    return ERROR_SUCCESS;
  }
  void Message(INSTALLMESSAGE, const std::wstring&) override {}
  UINT SetMode(MSIRUNMODE mode, BOOL state) override {
    if (deferred_) return Refuse();
    rebootAtEnd = mode == MSIRUNMODE_REBOOTATEND && state;
    return ERROR_SUCCESS;
  }
  int refused = 0;
  bool rebootAtEnd = false;

 private:
  UINT Refuse() {
    ++refused;
    return ERROR_ACCESS_DENIED;
  }
  bool deferred_;
};

TEST(RestartHandoffTest, DeferredRestartReportedOnceAfterInstallFinalize) {
  Session deferred(true);
  InstallerRun run;
  run.started = true;
  run.exitCode = kRestartToFinish;
  EXPECT_EQ(TakeChange(MsiSession(deferred), L"qvinstall.exe", run, kInstalled, L""),
            static_cast<UINT>(ERROR_SUCCESS));
  EXPECT_EQ(deferred.refused, 0);
  Session immediate(false), later(false);
  ReportRestart(MsiSession(immediate));
  ReportRestart(MsiSession(later));
  EXPECT_TRUE(immediate.rebootAtEnd);
  EXPECT_FALSE(later.rebootAtEnd);
}

}  // namespace
}  // namespace qvmsi
