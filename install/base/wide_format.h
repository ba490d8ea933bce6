// Bounded formatting of the installer's wide format strings.
//
// Supports the conversions the installer's messages use: %s (wide string, "(null)" for none),
// %d (signed 32-bit), %x (unsigned 32-bit, lower-case hexadecimal) and %%. The output is always
// NUL-terminated and cut to the buffer; a conversion without a matching argument writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace qv {

class FormatArg {
 public:
  FormatArg(const wchar_t* text) : kind_(Kind::kText), text_(text) {}
  FormatArg(wchar_t* text) : kind_(Kind::kText), text_(text) {}
  FormatArg(int32_t number) : kind_(Kind::kNumber), number_(number) {}
  FormatArg(uint32_t number) : kind_(Kind::kNumber), number_(static_cast<int32_t>(number)) {}
  FormatArg(unsigned long number)
      : kind_(Kind::kNumber), number_(static_cast<int32_t>(static_cast<uint32_t>(number))) {}
  FormatArg(long number) : kind_(Kind::kNumber), number_(static_cast<int32_t>(number)) {}

  bool IsText() const { return kind_ == Kind::kText; }
  const wchar_t* Text() const { return kind_ == Kind::kText ? text_ : nullptr; }
  int32_t Number() const { return kind_ == Kind::kNumber ? number_ : 0; }

 private:
  enum class Kind { kText, kNumber };
  Kind kind_;
  const wchar_t* text_ = nullptr;
  int32_t number_ = 0;
};

// Formats into `out` (capacity in characters, terminator included); returns the length written.
size_t FormatWide(wchar_t* out, size_t capacity, const wchar_t* format,
                  std::initializer_list<FormatArg> args);

}  // namespace qv
