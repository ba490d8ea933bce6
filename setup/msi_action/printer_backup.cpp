// The product printers over a removal that may be rolled back, through the installer's own code
// for its printer record.
#include "printer_backup.h"

#include "context/install_context.h"
#include "context/printer_list.h"
#include "scoped_handle.h"
#include "record/printer_record_format.h"
#include "record/printer_record_values.h"
#include "settings/printer_settings.h"

namespace qvmsi {
namespace {

constexpr wchar_t kRecordKey[] = L"SOFTWARE\\Orbelin\\Quintavera\\Installer";
constexpr wchar_t kRecordValue[] = L"Printers";

}  // namespace

bool ProductPrintersRecord(std::vector<BYTE>& bytes) {
  bytes.clear();
  qv::InstallContext ctx;
  qv::TakePrinterSnapshot(ctx);
  PRINTER_INFO_2W* printers = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (qv::IsProductPrinter(printers[i])) qv::SavePrinterSettings(ctx, printers[i]);
  }
  if (!ctx.savedSettings.head) return true;
  qv::GlobalBlock data;
  DWORD size = 0;
  if (!qv::EncodePrinterRecord(ctx.savedSettings, nullptr, 0, data, size)) return false;
  const BYTE* begin = static_cast<const BYTE*>(data.Get());
  bytes.assign(begin, begin + size);
  return true;
}

bool PlacePrinterRecord(const std::vector<BYTE>& bytes) {
  ScopedKey key;
  DWORD type = 0, size = 0;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (::RegQueryValueExW(key.Get(), kRecordValue, nullptr, &type, nullptr, &size) !=
      ERROR_FILE_NOT_FOUND) {
    return true;
  }
  // Written as the installer writes it: one value, or a header and its parts for a large record.
  return qv::WriteRecordValues(key.Get(), bytes.data(), static_cast<DWORD>(bytes.size())) ==
         ERROR_SUCCESS;
}

}  // namespace qvmsi
