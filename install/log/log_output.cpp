// The end of a run's log: the log window, or the quiet mode's log file.
#include "log/log_output.h"

#include <climits>
#include <iterator>
#include <string>

#include "context/install_context.h"
#include "log/install_log.h"
#include "log/log_window.h"

namespace qv {
namespace {

constexpr wchar_t kFallbackLogName[] = L"qvinstall.log";

std::string ToUtf8(const wchar_t* text, size_t length) {
  if (length == 0 || length > INT_MAX) return {};
  const int wide = static_cast<int>(length);
  const int bytes = Os().WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<size_t>(bytes), '\0');
  if (Os().WideCharToMultiByte(CP_UTF8, 0, text, wide, utf8.data(), bytes, nullptr, nullptr) !=
      bytes) {
    return {};
  }
  return utf8;
}

bool WriteWhole(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left > MAXDWORD ? MAXDWORD : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!Os().WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// "qvinstall.log" in the temporary directory, or an empty string. For SYSTEM that is its own
// folder, never C:\Windows\Temp, where any user could have put a link of that name first.
std::wstring FallbackLogPath() {
  wchar_t directory[MAX_PATH + 1] = {};  // the longest path GetTempPath2W answers, and its NUL
  const auto capacity = static_cast<DWORD>(std::size(directory));
  const DWORD length = Os().GetTempPath2W(capacity, directory);
  if (length == 0 || length >= capacity) return {};
  std::wstring path(directory, length);
  if (path.back() != L'\\') path += L'\\';
  return path + kFallbackLogName;
}

}  // namespace

void ShowLogWindowIfWanted(InstallContext& ctx, const LogTarget& target) {
  if (target.file) return;
  if (ctx.errorCount != 0 || (Os().GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0) {
    ShowLogWindow(ctx, target.owner);
  }
}

void WriteLogFileIfQuiet(InstallContext& ctx, const LogTarget& target) {
  if (!target.file || WriteLogFile(ctx, target.file)) return;
  LogLine(ctx, L"Can`t write log file '%s'", target.file);
  const std::wstring fallback = FallbackLogPath();
  if (!fallback.empty()) WriteLogFile(ctx, fallback.c_str());
}

bool WriteLogFile(const InstallContext& ctx, const wchar_t* path) {
  const std::string bytes = ToUtf8(ctx.logText.Text(), ctx.logText.Length());
  if (bytes.empty() && !ctx.logText.Empty()) return false;
  ScopedFile file(Os().CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return WriteWhole(file.Get(), bytes);
}

}  // namespace qv
