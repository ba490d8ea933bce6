// Lines of the state report: "<what>: <name> | key=value | ...", one fact per line.
#pragma once

#include <windows.h>

#include <string>

namespace qvstate {

constexpr size_t kMaxValueLength = 512;  // characters shown of any one value

// A value as the report shows it: "(none)" for null or empty, line breaks as blanks, bounded.
inline std::wstring Shown(const wchar_t* value, size_t maxLength = kMaxValueLength) {
  if (!value || !*value) return L"(none)";
  std::wstring text;
  for (const wchar_t* p = value; *p && text.size() < maxLength; ++p) {
    text.push_back(*p == L'\r' || *p == L'\n' || *p == L'\t' ? L' ' : *p);
  }
  if (value[text.size()] != L'\0') text += L"...";
  return text;
}

inline std::wstring Shown(const std::wstring& value) { return Shown(value.c_str()); }

inline std::wstring Field(const wchar_t* key, const std::wstring& value) {
  return std::wstring(L" | ") + key + L"=" + value;
}

inline std::wstring YesNo(bool value) { return value ? L"yes" : L"no"; }

}  // namespace qvstate
