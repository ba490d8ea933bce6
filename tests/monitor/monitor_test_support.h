// Helpers of the port monitor tests: the machine's monitor set-up and reading the install log.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "scenario.h"

namespace qv::sim {

constexpr wchar_t kMonitorDll[] = L"C:\\windows\\system32\\orbmon64.dll";

// `expected` appear in `lines` in this order (other lines may stand between them).
inline void ExpectLinesInOrder(const std::vector<std::wstring>& lines,
                               std::initializer_list<std::wstring> expected) {
  size_t at = 0;
  for (const std::wstring& line : expected) {
    while (at < lines.size() && lines[at] != line) ++at;
    ASSERT_LT(at, lines.size()) << "missing or out of order: " << testing::PrintToString(line);
    ++at;
  }
}

inline bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line) {
  for (const std::wstring& l : lines) {
    if (l == line) return true;
  }
  return false;
}

}  // namespace qv::sim
