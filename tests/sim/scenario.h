// The machines scenarios run on: a fixture with a simulated machine installed as the installer's
// Windows, the setup package laid out beside the installer, the product installed and in use, and
// helpers to run a command and read its log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_windows.h"

namespace qv::sim {

constexpr wchar_t kSetupDir[] = L"C:\\setup\\drv\\";
constexpr wchar_t kDriverDir[] = L"C:\\windows\\system32\\spool\\drivers\\x64\\";
constexpr wchar_t kMonitorDll[] = L"C:\\windows\\system32\\orbmon64.dll";

// Lays out the product files of build 2629 beside the installer (C:\setup\drv).
void StageProductPackage(SimWindows& sim);
// Monitor "Quintavera:" registered, its DLL of `build` in the system directory; returns the DLL.
SimFile& AddProductMonitor(SimWindows& sim, int32_t build);
// The state an install, reinstall or uninstall most often meets: monitor "Quintavera:" registered
// with its DLL (build 2629) held by the running spooler; the driver "Quintavera printer" in the
// driver store; the product printer "Quintavera" (the default printer, with a "SubKey" and a
// per-user key marked "deleted") beside a printer of another maker; the tray program running and
// registered at log-on; a product file queued for deletion at reboot; the package beside the
// installer.
void MakeInstalledMachine(SimWindows& sim);

class Scenario : public ::testing::Test {
 protected:
  Scenario();

  // Runs the installer with `arguments` after its own path; returns the exit code.
  int Run(const std::wstring& arguments);
  // Runs with Shift held, so the log window shows the whole log; returns its lines.
  std::vector<std::wstring> RunAndReadLog(const std::wstring& arguments, int* exitCode = nullptr);
  // Every block freed and every handle closed.
  void ExpectAllReleased() const;

  static std::vector<std::wstring> SplitLines(const std::wstring& text);
  // Log lines without their indentation.
  static std::vector<std::wstring> Trimmed(const std::vector<std::wstring>& lines);
  // The first log line reading `text` after its indent (or beginning with it), or -1.
  static int LineOf(const std::vector<std::wstring>& lines, const std::wstring& text,
                    bool prefix = false);

  SimWindows sim;

 private:
  ScopedWindowsApi scope_{sim};
};

}  // namespace qv::sim
