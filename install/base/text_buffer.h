// TextBuffer: the installer's growable, NUL-terminated UTF-16 string.
//
// One pointer wide. The empty text has no block; a block holds a 64-bit length, the characters
// and a terminating NUL, with room for a multiple of 32 characters (terminator included), so a
// block is reallocated only when a length change crosses such a step. The buffer owns its block
// (ordinary heap) and releases it when destroyed. A failed allocation leaves the text as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/wide_format.h"

namespace qv {

class TextBuffer {
 public:
  TextBuffer() = default;
  ~TextBuffer();
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(TextBuffer&& other) noexcept;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  // A new buffer holding the conversion of `narrow` (system ANSI code page); empty on failure.
  static TextBuffer FromNarrow(const char* narrow);

  // Sets the length; keeps the text up to the smaller of old and new length and writes a NUL at
  // the new end. Characters between the old and the new end are the caller's to write. Returns
  // false (text unchanged) only when memory cannot be had.
  bool Resize(uint64_t newLength);
  void Assign(const wchar_t* text);
  void Append(const wchar_t* text);
  void AppendNarrow(const char* narrow);
  // Replaces the text by the formatted text (cut at 8191 characters).
  template <typename... Args>
  void Format(const wchar_t* format, const Args&... args) {
    FormatList(format, {FormatArg(args)...});
  }
  void FormatList(const wchar_t* format, std::initializer_list<FormatArg> args);
  void Clear() { Resize(0); }

  // The text before the last path separator (backslash or slash); empty when there is none or it
  // is the first character.
  TextBuffer DirectoryOf() const;

  uint64_t Length() const;
  bool Empty() const { return block_ == nullptr; }
  // The characters, or a constant empty string when there is no block.
  const wchar_t* Text() const;
  wchar_t* Data();  // writable characters; only valid while not empty
  bool EndsWith(wchar_t c) const;
  // Capacity in characters, terminator included (0 without a block).
  uint64_t Capacity() const;

 private:
  struct Block;
  Block* block_ = nullptr;
};

}  // namespace qv
