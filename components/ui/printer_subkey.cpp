// Giving a new product printer its "SubKey" when the spooler initialises it.
#include "printer_subkey.h"

#include <objbase.h>
#include <winspool.h>

namespace orbui {
namespace {

wchar_t kSubKeyValue[] = L"SubKey";
constexpr wchar_t kDsUserKey[] = L"DsUser";

// A printer handle closed with ClosePrinter.
class PrinterHandle {
 public:
  explicit PrinterHandle(LPCWSTR name) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ACCESS_ADMINISTER};
    if (!::OpenPrinterW(const_cast<LPWSTR>(name), &handle_, &defaults)) handle_ = nullptr;
  }
  PrinterHandle(const PrinterHandle&) = delete;
  PrinterHandle& operator=(const PrinterHandle&) = delete;
  ~PrinterHandle() {
    if (handle_) ::ClosePrinter(handle_);
  }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// A value that exists, whatever its size, answers ERROR_SUCCESS or ERROR_MORE_DATA.
bool Exists(DWORD status) { return status == ERROR_SUCCESS || status == ERROR_MORE_DATA; }

bool HasSubKey(HANDLE printer) {
  DWORD type = 0, needed = 0;
  BYTE probe[2];
  if (Exists(::GetPrinterDataW(printer, kSubKeyValue, &type, probe, sizeof(probe), &needed))) {
    return true;
  }
  return Exists(::GetPrinterDataExW(printer, kDsUserKey, kSubKeyValue, &type, probe,
                                    sizeof(probe), &needed));
}

// A GUID in its registry form: 38 characters, unique on every machine and never reused.
bool NewSubKeyName(wchar_t (&name)[39]) {
  GUID guid;
  return SUCCEEDED(::CoCreateGuid(&guid)) && ::StringFromGUID2(guid, name, 39) == 39;
}

}  // namespace

bool EnsurePrinterSubKey(LPCWSTR printerName) {
  if (printerName == nullptr) return false;
  PrinterHandle printer(printerName);
  if (!printer.Get()) return false;
  if (HasSubKey(printer.Get())) return true;
  wchar_t name[39];
  if (!NewSubKeyName(name)) return false;
  return ::SetPrinterDataW(printer.Get(), kSubKeyValue, REG_SZ, reinterpret_cast<LPBYTE>(name),
                           sizeof(name)) == ERROR_SUCCESS;
}

}  // namespace orbui
