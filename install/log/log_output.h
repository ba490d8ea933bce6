// Where a run's log goes when the run ends: the log window for a person, or, in quiet mode
// ("/log=<path>"), a file for a deployment tool, and never a window.
#pragma once

#include <windows.h>

namespace qv {

struct InstallContext;

struct LogTarget {
  HWND owner = nullptr;           // the log window's owner, when it opens
  const wchar_t* file = nullptr;  // quiet mode: the log file asked for; null: the window
};

// Without a file: shows the log window when errors were logged or Shift is held. Quiet: nothing.
void ShowLogWindowIfWanted(InstallContext& ctx, const LogTarget& target);
// Quiet mode only: writes the whole log to the target's file, and when that fails, with a line
// naming the file, to "qvinstall.log" in the temporary directory; when that fails too, the log
// is lost and the run goes on.
void WriteLogFileIfQuiet(InstallContext& ctx, const LogTarget& target);
// Writes the log as UTF-8 with its CR LF line ends to `path`, created or replaced; false unless
// every byte was written.
bool WriteLogFile(const InstallContext& ctx, const wchar_t* path);

}  // namespace qv
