// The quiet mode: "/log=<path>" writes the whole log to a file as UTF-8 and never opens a window,
// with the temporary directory as the fallback.
#include "log/log_output.h"

#include <gtest/gtest.h>

#include "scenario.h"

namespace qv {
namespace {

constexpr wchar_t kLogPath[] = L"C:\\logs\\run.log";
constexpr wchar_t kFallbackPath[] = L"C:\\windows\\temp\\qvinstall.log";

class QuietMode : public sim::Scenario {
 protected:
  QuietMode() {
    sim::MakeInstalledMachine(sim);
    sim.shiftDown = true;  // would show the window without the quiet mode
  }
  std::string FileText(const std::wstring& path) {
    const sim::SimFile* file = sim.FindFile(path);
    return file ? file->data : "(none)";
  }
};

// The whole log, from the build line to "##0020", byte for byte as UTF-8 with CR LF; the switch's
// letters in either case and after an owner window; the exit code as without it. A file that
// cannot be written sends the log, with a line naming that file, to the temporary directory; when
// that fails as well the run ends as it would have, with no log. Never a window.
TEST_F(QuietMode, WritesTheWholeLogAsUtf8OrFallsBackToTheTemporaryDirectory) {
  sim.AddPrinter(L"B\u00fcro \u2713", L"Quintavera printer", L"Quintavera:");
  HWND setup = sim.AddWindow(L"SetupWindow", L"Setup").hwnd;
  const std::wstring owner = std::to_wstring(reinterpret_cast<uintptr_t>(setup));
  EXPECT_EQ(Run(L"install " + owner + L" \"/LOG=" + kLogPath + L"\""), 1);
  const std::string text = FileText(kLogPath);
  EXPECT_EQ(text.rfind("Quintavera 2629\r\n", 0), 0u);
  EXPECT_NE(text.find("#DeletePrinter(B\xc3\xbcro \xe2\x9c\x93)\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), "##0020\r\n");
  EXPECT_EQ(FileText(kFallbackPath), "(none)");

  sim.AddFile(L"C:\\logs", "").directory = true;
  EXPECT_EQ(Run(L"uninstall /log=C:\\logs"), 2);
  const std::string fallback = FileText(kFallbackPath);
  EXPECT_NE(fallback.find("\r\nCan`t write log file 'C:\\logs'\r\n"), std::string::npos)
      << fallback;
  // Without a temporary directory there is no fallback; without an error or Shift, no window.
  const size_t files = sim.files.size();
  sim.FailNext("GetTempPath2W", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Run(L"uninstall /log=C:\\logs"), 2);
  EXPECT_EQ(sim.files.size(), files);
  sim.shiftDown = false;
  EXPECT_EQ(Run(L"uninstall"), 2);
  EXPECT_FALSE(sim.dialog.shown);
  // A temporary directory of the longest path GetTempPath2W answers fills its buffer; one longer
  // cannot be had whole: no fallback.
  for (size_t length : {MAX_PATH, MAX_PATH + 1}) {
    sim.tempDirectory = L"C:\\" + std::wstring(length - 4, L't') + L"\\";
    EXPECT_EQ(Run(L"uninstall /log=C:\\logs"), 2);
    EXPECT_EQ(FileText(sim.tempDirectory + L"qvinstall.log") != "(none)", length == MAX_PATH);
  }
  // SYSTEM's fallback goes to its own folder, never to the one every user may write.
  sim.tempDirectory = L"C:\\windows\\temp\\";
  sim.files.erase(sim::Lower(kFallbackPath));
  sim.account = sim::SimAccount::kSystem;
  EXPECT_EQ(Run(L"uninstall /log=C:\\logs"), 2);
  EXPECT_NE(FileText(L"C:\\Windows\\SystemTemp\\qvinstall.log"), "(none)");
  EXPECT_EQ(FileText(kFallbackPath), "(none)");
  sim.account = sim::SimAccount::kAdministrator;
  sim.FailAlways("CreateFileW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(Run(L"uninstall /log="), 2);
  EXPECT_EQ(FileText(kFallbackPath), "(none)");
  EXPECT_FALSE(sim.dialog.shown);
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv
