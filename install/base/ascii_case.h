// Comparison that folds only the ASCII letters A-Z onto a-z, never by locale: command words and
// the product's file names.
#pragma once

namespace qv {

inline wchar_t FoldAsciiLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

inline bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    if (FoldAsciiLetter(*a) != FoldAsciiLetter(*b)) return false;
    if (*a == L'\0') return true;
  }
}

}  // namespace qv
