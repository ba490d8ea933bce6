// The runner's command line: options, the installer to start and the words passed on to it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qvrun {

constexpr DWORD kDefaultTimeoutMs = 300000;

struct RunOptions {
  std::wstring compatDll;                // empty: run the installer untouched
  DWORD timeoutMs = kDefaultTimeoutMs;   // the installer is killed after this long
  bool shift = false;                    // Shift held down while the installer runs
  bool verbatim = false;                 // arguments joined as given, not quoted
  std::wstring installer;                // path of qvinstall.exe (or any program)
  std::vector<std::wstring> arguments;   // command word and owner window, passed on as given
};

// Reads `qvrun [--compat <dll>] [--timeout-ms N] [--shift] [--verbatim] <installer> [word [hwnd]]`.
// Returns false and an explanation in `error` when the line is malformed.
bool ParseRunOptions(int argc, wchar_t** argv, RunOptions& options, std::wstring& error);

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

// The installer's command line: its quoted path followed by the arguments, each quoted unless
// they are to be passed verbatim (a command line such as an uninstall entry's).
std::wstring BuildCommandLine(const RunOptions& options);

// The directory part of a path, without the trailing separator; empty when there is none.
std::wstring DirectoryOf(const std::wstring& path);

}  // namespace qvrun
