// Giving a new product printer its "SubKey" when the spooler initialises it.
#include "printer_subkey.h"

#include <bcrypt.h>
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

// The name's length: 26 characters of base 32 carry 130 bits, enough for 128 random ones, and
// keep the value with its NUL within 64 bytes even as UTF-16 (54 bytes), the size of the buffer
// the installer reads it into through the ANSI printer-data calls, which fetch UTF-16 first.
constexpr size_t kSubKeyChars = 26;
constexpr wchar_t kBase32[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

// 128 random bits from the system's generator, in base 32 (5 bits a character, the last carries 3).
bool NewSubKeyName(wchar_t (&name)[kSubKeyChars + 1]) {
  BYTE bits[16];
  if (!BCRYPT_SUCCESS(
          ::BCryptGenRandom(nullptr, bits, sizeof(bits), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return false;
  }
  for (size_t i = 0; i < kSubKeyChars; ++i) {
    unsigned value = 0;
    for (size_t bit = i * 5; bit < i * 5 + 5; ++bit) {
      const bool set = bit < 128 && (bits[bit / 8] >> (7 - bit % 8)) & 1;
      value = value << 1 | (set ? 1u : 0u);
    }
    name[i] = kBase32[value];
  }
  name[kSubKeyChars] = L'\0';
  return true;
}

}  // namespace

bool EnsurePrinterSubKey(LPCWSTR printerName) {
  if (printerName == nullptr) return false;
  PrinterHandle printer(printerName);
  if (!printer.Get()) return false;
  if (HasSubKey(printer.Get())) return true;
  wchar_t name[kSubKeyChars + 1];
  if (!NewSubKeyName(name)) return false;
  return ::SetPrinterDataW(printer.Get(), kSubKeyValue, REG_SZ, reinterpret_cast<LPBYTE>(name),
                           sizeof(name)) == ERROR_SUCCESS;
}

}  // namespace orbui
