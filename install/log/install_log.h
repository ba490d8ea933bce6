// The install log: numbered error lines and indented step lines in the context's logText.
//
// Lines are only appended. Each indent level is two blanks, at most ten levels are written.
// LogError reads the thread's last error itself, so it must be called right after the failing
// Windows call; it appends the system's description of that error and counts the line.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "base/wide_format.h"

namespace qv {

struct InstallContext;

// Appends indent, `text` (may be null) and CR LF.
void AppendLogText(InstallContext& ctx, const wchar_t* text);
void LogLineList(InstallContext& ctx, const wchar_t* format, std::initializer_list<FormatArg> args);
void LogErrorList(InstallContext& ctx, int errorNumber, const wchar_t* format,
                  std::initializer_list<FormatArg> args);

template <typename... Args>
void LogLine(InstallContext& ctx, const wchar_t* format, const Args&... args) {
  LogLineList(ctx, format, {FormatArg(args)...});
}

template <typename... Args>
void LogError(InstallContext& ctx, int errorNumber, const wchar_t* format, const Args&... args) {
  LogErrorList(ctx, errorNumber, format, {FormatArg(args)...});
}

// Raises the context's indent for the life of the scope; lowers it on every way out.
class LogIndent {
 public:
  explicit LogIndent(InstallContext& ctx, int levels = 1);
  ~LogIndent();
  LogIndent(const LogIndent&) = delete;
  LogIndent& operator=(const LogIndent&) = delete;

 private:
  InstallContext& ctx_;
  int levels_;
};

// The system's description of `error` (language 1033, else the system's default language where
// English messages are not installed), CR and LF at its end removed; empty when the system has
// none. Writes at most `capacity` characters with the terminator.
bool DescribeError(DWORD error, wchar_t* out, size_t capacity);

}  // namespace qv
