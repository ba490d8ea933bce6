// Bounded formatting of the installer's wide format strings.
#include "base/wide_format.h"

namespace qv {
namespace {

class BoundedWriter {
 public:
  BoundedWriter(wchar_t* out, size_t capacity) : out_(out), capacity_(capacity) {}

  void Put(wchar_t c) {
    if (length_ + 1 < capacity_) out_[length_++] = c;
  }
  void PutText(const wchar_t* text) {
    for (; *text; ++text) Put(*text);
  }
  void PutUnsigned(uint32_t value, uint32_t base) {
    wchar_t digits[16];
    int count = 0;
    do {
      digits[count++] = L"0123456789abcdef"[value % base];
      value /= base;
    } while (value != 0);
    while (count > 0) Put(digits[--count]);
  }
  void PutSigned(int32_t value) {
    if (value < 0) {
      Put(L'-');
      PutUnsigned(0u - static_cast<uint32_t>(value), 10);
    } else {
      PutUnsigned(static_cast<uint32_t>(value), 10);
    }
  }
  size_t Finish() {
    if (capacity_ > 0) out_[length_] = L'\0';
    return length_;
  }

 private:
  wchar_t* out_;
  size_t capacity_;
  size_t length_ = 0;
};

}  // namespace

size_t FormatWide(wchar_t* out, size_t capacity, const wchar_t* format,
                  std::initializer_list<FormatArg> args) {
  BoundedWriter writer(out, capacity);
  const FormatArg* next = args.begin();
  for (const wchar_t* p = format; p && *p; ++p) {
    if (*p != L'%' || p[1] == L'\0') {
      writer.Put(*p);
      continue;
    }
    const wchar_t conversion = *++p;
    if (conversion == L'%') {
      writer.Put(L'%');
      continue;
    }
    if (next == args.end()) continue;
    const FormatArg& arg = *next++;
    switch (conversion) {
      case L's':
        writer.PutText(arg.Text() ? arg.Text() : L"(null)");
        break;
      case L'd':
        writer.PutSigned(arg.Number());
        break;
      case L'x':
        writer.PutUnsigned(static_cast<uint32_t>(arg.Number()), 16);
        break;
      default:
        break;
    }
  }
  return writer.Finish();
}

}  // namespace qv
