// Parsing of the runner's command line and building of the installer's.
#include "run_options.h"

#include <cwchar>

namespace qvrun {
namespace {

bool ParseMilliseconds(const wchar_t* text, DWORD& value) {
  if (!text || !*text) return false;
  unsigned long long total = 0;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p < L'0' || *p > L'9') return false;
    total = total * 10 + static_cast<unsigned>(*p - L'0');
    if (total > 0x7FFFFFFFull) return false;
  }
  value = static_cast<DWORD>(total);
  return total > 0;
}

}  // namespace

bool ParseRunOptions(int argc, wchar_t** argv, RunOptions& options, std::wstring& error) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--compat" && i + 1 < argc) {
      options.compatDll = argv[++i];
    } else if (option == L"--timeout-ms" && i + 1 < argc) {
      if (!ParseMilliseconds(argv[++i], options.timeoutMs)) {
        error = L"--timeout-ms needs a positive number of milliseconds";
        return false;
      }
    } else if (option == L"--shift") {
      options.shift = true;
    } else if (option == L"--verbatim") {
      options.verbatim = true;
    } else if (option.rfind(L"--", 0) == 0) {
      error = L"unknown or incomplete option " + option;
      return false;
    } else {
      break;
    }
  }
  if (i >= argc) {
    error = L"no program to run";
    return false;
  }
  options.installer = argv[i++];
  for (; i < argc; ++i) options.arguments.emplace_back(argv[i]);
  return true;
}

std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote itself escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');  // they now stand before the closing quote
  quoted.push_back(L'"');
  return quoted;
}

std::wstring BuildCommandLine(const RunOptions& options) {
  std::wstring line = QuoteArgument(options.installer);
  for (const std::wstring& argument : options.arguments) {
    line += L" " + (options.verbatim ? argument : QuoteArgument(argument));
  }
  return line;
}

std::wstring DirectoryOf(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return std::wstring();
  if (separator == 0 || (separator == 2 && path[1] == L':')) return path.substr(0, separator + 1);
  return path.substr(0, separator);
}

}  // namespace qvrun
