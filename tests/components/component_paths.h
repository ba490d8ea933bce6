// Where the tests find the built components: the setup package's directories, handed in by the
// build as Windows paths on Wine's drive Z: (QV_TEST_PACKAGE_DIR, QV_TEST_DRV_DIR).
#pragma once

#include <string>

namespace qvtest {

inline std::wstring WithBackslashes(std::wstring path) {
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}
// A file in the package's drv directory (monitor, driver, UI DLL, help file).
inline std::wstring DrvFile(const wchar_t* name) {
  return WithBackslashes(std::wstring(QV_TEST_DRV_DIR) + L"/" + name);
}
// A file in the package directory (the tray program).
inline std::wstring PackageFile(const wchar_t* name) {
  return WithBackslashes(std::wstring(QV_TEST_PACKAGE_DIR) + L"/" + name);
}

}  // namespace qvtest
