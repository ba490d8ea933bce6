// Owning wrappers for printer handles and registry keys used by the tools.
#pragma once

#include <windows.h>
#include <winspool.h>

namespace qvtools {

// A printer handle closed with ClosePrinter.
class UniquePrinter {
 public:
  UniquePrinter() = default;
  explicit UniquePrinter(HANDLE handle) : handle_(handle) {}
  UniquePrinter(const UniquePrinter&) = delete;
  UniquePrinter& operator=(const UniquePrinter&) = delete;
  ~UniquePrinter() {
    if (handle_) ::ClosePrinter(handle_);
  }

  // Opens `name`; `defaults` may be null (default access).
  bool Open(LPWSTR name, PRINTER_DEFAULTSW* defaults) {
    return name && ::OpenPrinterW(name, &handle_, defaults) && handle_;
  }
  HANDLE Get() const { return handle_; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A registry key closed with RegCloseKey.
class UniqueKey {
 public:
  UniqueKey() = default;
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  ~UniqueKey() {
    if (key_) ::RegCloseKey(key_);
  }

  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace qvtools
