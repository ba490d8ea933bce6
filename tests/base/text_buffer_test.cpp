// TextBuffer: no block when empty, formatting cut at the end, and DirectoryOf's rules.
#include "base/text_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "scenario.h"

namespace qv {
namespace {

TextBuffer Of(const wchar_t* text) {
  TextBuffer buffer;
  buffer.Assign(text);
  return buffer;
}

// Empty texts never allocate; narrow text is converted, and a failed conversion adds nothing.
TEST(TextBufferTest, NarrowAndEmptyTexts) {
  sim::SimWindows sim;
  ScopedWindowsApi scope(sim);
  TextBuffer buffer;
  buffer.Assign(nullptr);
  buffer.Assign(L"");
  buffer.Append(L"");
  buffer.AppendNarrow("");
  buffer.Format(L"%s", L"");
  EXPECT_TRUE(buffer.Empty());
  EXPECT_TRUE(TextBuffer::FromNarrow("").Empty());
  buffer.Assign(L"Quinta");
  buffer.AppendNarrow("v");  // a single character is text too
  buffer.AppendNarrow("era");
  EXPECT_STREQ(buffer.Text(), L"Quintavera");
  sim.FailNext("MultiByteToWideChar", 1, ERROR_NO_UNICODE_TRANSLATION);
  buffer.AppendNarrow("x");
  EXPECT_STREQ(buffer.Text(), L"Quintavera");
}

TEST(TextBufferTest, FormatReplacesAndCutsLongResults) {
  TextBuffer buffer = Of(L"old");
  buffer.Format(L"%s-%d", L"new", 7);
  EXPECT_STREQ(buffer.Text(), L"new-7");
  buffer.Format(L"%s", std::wstring(10000, L'z').c_str());
  EXPECT_EQ(buffer.Length(), 8191u);
}

TEST(TextBufferTest, DirectoryOfSplitsAtTheLastSeparator) {
  EXPECT_STREQ(Of(L"C:\\a\\b.dll").DirectoryOf().Text(), L"C:\\a");
  EXPECT_STREQ(Of(L"C:\\a/b.dll").DirectoryOf().Text(), L"C:\\a");
  EXPECT_STREQ(Of(L"C:/a\\b.dll").DirectoryOf().Text(), L"C:/a");
  EXPECT_TRUE(Of(L"\\b.dll").DirectoryOf().Empty());
  EXPECT_TRUE(Of(L"b.dll").DirectoryOf().Empty());
}

}  // namespace
}  // namespace qv
