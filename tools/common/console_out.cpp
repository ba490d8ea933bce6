// Console output of the tools: UTF-16 text to UTF-8 on stdout.
#include "console_out.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdio>

namespace qvtools {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX / 4) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr,
                                          nullptr);
  if (bytes <= 0) return std::string();
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &utf8[0], bytes, nullptr, nullptr);
  return utf8;
}

void Print(const std::wstring& text) {
  static const bool binary = _setmode(_fileno(stdout), _O_BINARY) != -1;  // LF stays LF
  (void)binary;
  std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out.push_back(utf8[i]);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

void PrintLine(const std::wstring& text) { Print(text + L"\n"); }

}  // namespace qvtools
