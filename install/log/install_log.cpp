// The install log: numbered error lines and indented step lines in the context's logText.
#include "log/install_log.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "context/install_context.h"

namespace qv {
namespace {

constexpr size_t kScratchLine = 1024;  // characters, terminator included
constexpr int kMaxIndent = 10;
constexpr DWORD kEnglishUs = 1033;

}  // namespace

void AppendLogText(InstallContext& ctx, const wchar_t* text) {
  const int levels = std::min(ctx.indent, kMaxIndent);
  for (int i = 0; i < levels; ++i) ctx.logText.Append(L"  ");
  if (text && *text) ctx.logText.Append(text);
  ctx.logText.Append(L"\r\n");
}

void LogLineList(InstallContext& ctx, const wchar_t* format,
                 std::initializer_list<FormatArg> args) {
  wchar_t line[kScratchLine];
  FormatWide(line, std::size(line), format, args);
  AppendLogText(ctx, line);
}

namespace {

// The system's text for `error` in `language` into a block of its own; the length, 0 when it has
// none (the last error says why).
DWORD SystemMessage(DWORD error, DWORD language, LocalBlock& text) {
  constexpr DWORD kFlags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
  return Os().FormatMessageW(kFlags, nullptr, error, language,
                             reinterpret_cast<LPWSTR>(text.Receive()), 0, nullptr);
}

}  // namespace

bool DescribeError(DWORD error, wchar_t* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = L'\0';
  LocalBlock description;
  DWORD length = SystemMessage(error, kEnglishUs, description);
  // Where English messages are not installed, the system's own language has the text.
  if (length == 0 && Os().GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND) {
    const LANGID systemLanguage = Os().GetSystemDefaultLangID();
    if (systemLanguage != kEnglishUs) length = SystemMessage(error, systemLanguage, description);
  }
  const auto* text = static_cast<const wchar_t*>(description.Get());
  if (length == 0 || !text) return false;
  size_t end = std::min<size_t>(length, capacity - 1);
  while (end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n')) --end;
  std::wmemcpy(out, text, end);
  out[end] = L'\0';
  return true;
}

void LogErrorList(InstallContext& ctx, int errorNumber, const wchar_t* format,
                  std::initializer_list<FormatArg> args) {
  wchar_t line[kScratchLine];
  const size_t capacity = std::size(line);
  size_t length = FormatWide(line, capacity, L"Error(%d): ", {errorNumber});
  length += FormatWide(line + length, capacity - length, format, args);
  const DWORD lastError = Os().GetLastError();
  if (lastError != 0) {
    wchar_t description[kScratchLine];
    if (DescribeError(lastError, description, std::size(description))) {
      FormatWide(line + length, capacity - length, L" - (%s)", {description});
    } else {
      FormatWide(line + length, capacity - length, L" - ( No Description )", {});
    }
  }
  AppendLogText(ctx, line);
  ++ctx.errorCount;
}

LogIndent::LogIndent(InstallContext& ctx, int levels) : ctx_(ctx), levels_(levels) {
  ctx_.indent += levels_;
}

LogIndent::~LogIndent() { ctx_.indent -= levels_; }

}  // namespace qv
