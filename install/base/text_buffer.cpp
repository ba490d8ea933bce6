// TextBuffer: the installer's growable, NUL-terminated UTF-16 string.
#include "base/text_buffer.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "os/windows_api.h"

namespace qv {

struct TextBuffer::Block {
  uint64_t length;
  wchar_t chars[1];  // capacity characters follow, the terminator included
};

namespace {

constexpr uint64_t kStep = 32;
constexpr size_t kFormatScratch = 8192;

uint64_t CapacityFor(uint64_t length) {
  return length == 0 ? 0 : (length + 1 + kStep - 1) / kStep * kStep;
}

size_t BlockBytes(uint64_t length) {
  return sizeof(uint64_t) + CapacityFor(length) * sizeof(wchar_t);
}

}  // namespace

TextBuffer::~TextBuffer() { std::free(block_); }

TextBuffer::TextBuffer(TextBuffer&& other) noexcept : block_(other.block_) {
  other.block_ = nullptr;
}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(block_);
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

bool TextBuffer::Resize(uint64_t newLength) {
  if (newLength == 0) {
    std::free(block_);
    block_ = nullptr;
    return true;
  }
  if (newLength > (SIZE_MAX / sizeof(wchar_t)) - kStep * 2) return false;
  const uint64_t oldLength = Length();
  if (CapacityFor(newLength) != CapacityFor(oldLength)) {
    void* grown = std::realloc(block_, BlockBytes(newLength));
    if (!grown) return false;
    block_ = static_cast<Block*>(grown);
  }
  block_->chars[newLength] = L'\0';
  block_->length = newLength;
  return true;
}

TextBuffer TextBuffer::FromNarrow(const char* narrow) {
  TextBuffer result;
  if (!narrow) return result;
  const int needed = Os().MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, narrow, -1, nullptr, 0);
  if (needed <= 1 || !result.Resize(static_cast<uint64_t>(needed) - 1)) return result;
  if (Os().MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, narrow, -1, result.Data(), needed) !=
      needed) {
    result.Clear();
  }
  return result;
}

void TextBuffer::Assign(const wchar_t* text) {
  const size_t length = text ? std::wcslen(text) : 0;
  if (length == 0) {
    Clear();
    return;
  }
  if (Resize(length)) std::wmemcpy(block_->chars, text, length);
}

void TextBuffer::Append(const wchar_t* text) {
  const size_t length = text ? std::wcslen(text) : 0;
  const uint64_t start = Length();
  if (length == 0 || !Resize(start + length)) return;
  std::wmemcpy(block_->chars + start, text, length);
}

void TextBuffer::AppendNarrow(const char* narrow) {
  if (!narrow || *narrow == '\0') return;
  TextBuffer converted = FromNarrow(narrow);
  Append(converted.Empty() ? nullptr : converted.Text());
}

void TextBuffer::FormatList(const wchar_t* format, std::initializer_list<FormatArg> args) {
  wchar_t scratch[kFormatScratch];
  FormatWide(scratch, kFormatScratch, format, args);
  Assign(scratch);
}

TextBuffer TextBuffer::DirectoryOf() const {
  TextBuffer result;
  if (Empty()) return result;
  const wchar_t* text = Text();
  // The last separator of either kind: C:\a/b.dll lies in C:\a.
  const wchar_t* backslash = std::wcsrchr(text, L'\\');
  const wchar_t* slash = std::wcsrchr(text, L'/');
  const wchar_t* separator = !backslash || (slash && slash > backslash) ? slash : backslash;
  if (!separator || separator == text) return result;
  const size_t length = static_cast<size_t>(separator - text);
  if (result.Resize(length)) std::wmemcpy(result.Data(), text, length);
  return result;
}

uint64_t TextBuffer::Length() const { return block_ ? block_->length : 0; }

const wchar_t* TextBuffer::Text() const { return block_ ? block_->chars : L""; }

wchar_t* TextBuffer::Data() { return block_ ? block_->chars : nullptr; }

bool TextBuffer::EndsWith(wchar_t c) const {
  return block_ && block_->chars[block_->length - 1] == c;
}

uint64_t TextBuffer::Capacity() const { return CapacityFor(Length()); }

}  // namespace qv
