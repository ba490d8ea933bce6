// The printer record in HKEY_LOCAL_MACHINE\SOFTWARE\Orbelin\Quintavera\Installer, value
// "Printers": reading it back within its bounds, writing it durably, removing it.
#include "settings/printer_record.h"

#include "context/install_context.h"
#include "log/install_log.h"
#include "settings/printer_record_format.h"

namespace qv {
namespace {

constexpr char kRecordKey[] = "SOFTWARE\\Orbelin\\Quintavera\\Installer";
constexpr wchar_t kRecordValue[] = L"Printers";
constexpr DWORD kMaxRecordBytes = 256 * 1024;

// The bytes of the record value, `bytes` long and of `type`, into `data`; null, or why they
// cannot be used.
const wchar_t* FetchRecordValue(HKEY key, DWORD type, GlobalBlock& data, DWORD& bytes) {
  if (type != REG_BINARY) return L"foreign";
  if (bytes > kMaxRecordBytes) return L"damaged";
  data = AllocateZeroedBlock(bytes + 1);  // a block even for an empty value
  if (!data || Os().RegQueryValueExW(key, kRecordValue, nullptr, &type,
                                     static_cast<BYTE*>(data.Get()), &bytes) != ERROR_SUCCESS) {
    return L"unreadable";
  }
  return type == REG_BINARY ? nullptr : L"foreign";
}

// The record's bytes into `data`. False when there is no record; `fault` says why one that is
// there cannot be used.
bool ReadRecordValue(GlobalBlock& data, DWORD& bytes, const wchar_t*& fault) {
  ScopedRegKey key;
  const LSTATUS open =
      Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_QUERY_VALUE, key.Receive());
  if (open == ERROR_FILE_NOT_FOUND) return false;
  DWORD type = REG_NONE;
  bytes = 0;
  const LSTATUS query =
      open == ERROR_SUCCESS
          ? Os().RegQueryValueExW(key.Get(), kRecordValue, nullptr, &type, nullptr, &bytes)
          : open;
  if (query == ERROR_FILE_NOT_FOUND) return false;
  fault = query == ERROR_SUCCESS ? FetchRecordValue(key.Get(), type, data, bytes) : L"unreadable";
  return true;
}

}  // namespace

void TakeOverPrinterRecord(InstallContext& ctx) {
  GlobalBlock data;
  DWORD bytes = 0;
  const wchar_t* fault = nullptr;
  if (!ReadRecordValue(data, bytes, fault)) return;
  GlobalBlock printers;
  DWORD count = 0;
  if (!fault) fault = DecodePrinterRecord(static_cast<BYTE*>(data.Get()), bytes, printers, count);
  if (fault) {
    LogLine(ctx, L"The printer record of an earlier run is %s and was ignored", fault);
    return;
  }
  auto* recorded = static_cast<RecordedPrinter*>(printers.Get());
  for (DWORD i = count; i-- > 0;) {
    PushSavedSettings(ctx.savedSettings, recorded[i].info, recorded[i].subKey);
  }
  ctx.savedSettings.recordData = std::move(data);
  ctx.savedSettings.recorded = std::move(printers);
  LogLine(ctx, L"%d printers taken over from the record of an interrupted run",
          static_cast<int>(count));
}

void WritePrinterRecord(InstallContext& ctx) {
  GlobalBlock data;
  DWORD bytes = 0;
  if (!EncodePrinterRecord(ctx.savedSettings, data, bytes)) {
    LogError(ctx, 18, L"Can't write the printer record");
    return;
  }
  ScopedRegKey key;
  LSTATUS status =
      Os().RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.Receive(), nullptr);
  if (status == ERROR_SUCCESS) {
    status = Os().RegSetValueExW(key.Get(), kRecordValue, 0, REG_BINARY,
                                 static_cast<const BYTE*>(data.Get()), bytes);
  }
  if (status == ERROR_SUCCESS) status = Os().RegFlushKey(key.Get());
  if (status != ERROR_SUCCESS) {
    Os().SetLastError(static_cast<DWORD>(status));
    LogError(ctx, 18, L"Can't write the printer record");
  }
}

void RemovePrinterRecord(InstallContext& ctx) {
  const LSTATUS status = Os().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return;
  Os().SetLastError(static_cast<DWORD>(status));
  LogError(ctx, 19, L"Can't remove the printer record");
}

}  // namespace qv
