// Console output of the tools: wide text written to stdout as UTF-8, one line at a time.
#pragma once

#include <string>

namespace qvtools {

// Converts UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::wstring& text);

// Writes `text` as UTF-8 to stdout. CR LF pairs become LF so that the output greps cleanly.
void Print(const std::wstring& text);

// Print(text) followed by a line end.
void PrintLine(const std::wstring& text);

}  // namespace qvtools
