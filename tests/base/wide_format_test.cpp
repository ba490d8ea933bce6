// Bounded wide formatting: the conversions in use, limits, and cutting at the buffer's end.
#include "base/wide_format.h"

#include <gtest/gtest.h>

#include <climits>

namespace qv {
namespace {

std::wstring Formatted(const wchar_t* format, std::initializer_list<FormatArg> args,
                       size_t capacity = 64) {
  wchar_t out[64];
  FormatWide(out, capacity, format, args);
  return out;
}

TEST(WideFormatTest, ConversionsInUseAndOutputCut) {
  EXPECT_EQ(Formatted(L"ControlService failed with code %d (0x%x)", {1061, 1061u}),
            L"ControlService failed with code 1061 (0x425)");
  EXPECT_EQ(Formatted(L"%d %d %x", {INT_MIN, -1, 0xFFFFFFFFu}), L"-2147483648 -1 ffffffff");
  EXPECT_EQ(Formatted(L"#AddPrinter(%s) 100%%", {static_cast<const wchar_t*>(nullptr)}),
            L"#AddPrinter((null)) 100%");
  EXPECT_EQ(Formatted(L"%s and %s", {L"one"}), L"one and ");  // a missing argument writes nothing
  EXPECT_EQ(Formatted(L"100%\0x", {}), L"100%");  // a last '%' is itself; the end is not passed
  EXPECT_EQ(Formatted(L"abcdef", {}, 4), L"abc");
  EXPECT_EQ(Formatted(L"%s", {L"abcdef"}, 1), L"");
}

}  // namespace
}  // namespace qv
