// Running qvinstall.exe with one command word in its quiet mode: no log window, the whole log
// written to a file that is read back afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qvmsi {

struct InstallerRun {
  bool started = false;   // false: CreateProcessW failed (missing or unloadable program)
  bool finished = false;  // false: still running after the time allowed, and ended
  DWORD exitCode = 0;
  DWORD startError = 0;                // GetLastError of the failed start
  std::vector<std::wstring> logLines;  // the installer's log, line by line
};

// The command line: "<exe>" <word> "/log=<logPath>".
std::wstring InstallerCommandLine(const std::wstring& exe, const std::wstring& word,
                                  const std::wstring& logPath);

// Runs the installer and waits for it (at most `timeoutMs`); the log file is read and deleted.
InstallerRun RunInstaller(const std::wstring& exe, const std::wstring& word,
                          const std::wstring& logPath, DWORD timeoutMs);

// The lines of a UTF-8 text (CR LF or LF line ends, an optional BOM), as UTF-16.
std::vector<std::wstring> SplitLogText(const std::string& utf8);

}  // namespace qvmsi
