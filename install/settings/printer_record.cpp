// The printer record in HKEY_LOCAL_MACHINE\SOFTWARE\Orbelin\Quintavera\Installer, value
// "Printers": reading and judging it before a reinstall changes anything, setting a broken one
// aside, writing it durably, removing it.
#include "settings/printer_record.h"

#include <cwchar>

#include "context/install_context.h"
#include "log/install_log.h"
#include "settings/printer_record_format.h"

namespace qv {
namespace {

constexpr char kRecordKey[] = "SOFTWARE\\Orbelin\\Quintavera\\Installer";
constexpr wchar_t kRecordValue[] = L"Printers";
constexpr char kRecordValueNarrow[] = "Printers";
constexpr int kReadAttempts = 3;
constexpr DWORD kReadPause = 50;  // ms
// "Printers.damaged", then "Printers.damaged2" to "Printers.damaged9": an earlier one is kept.
constexpr int kAsideNames = 9;
constexpr size_t kAsideNameCapacity = 18;

bool IsUnreadable(const wchar_t* fault) { return fault && std::wcscmp(fault, L"unreadable") == 0; }

// The `number`th name for a record set aside.
void AsideName(int number, wchar_t (&name)[kAsideNameCapacity]) {
  std::wcscpy(name, L"Printers.damaged");
  if (number == 1) return;
  name[16] = static_cast<wchar_t>(L'0' + number);
  name[17] = L'\0';
}

// The record's bytes into `data`, with their type. False when there is no record; `fault` is
// "unreadable" when one that is there cannot be read now.
bool ReadRecordValue(GlobalBlock& data, DWORD& bytes, DWORD& type, const wchar_t*& fault) {
  ScopedRegKey key;
  const LSTATUS open =
      Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_QUERY_VALUE, key.Receive());
  if (open == ERROR_FILE_NOT_FOUND) return false;
  bytes = 0;
  LSTATUS query = open == ERROR_SUCCESS ? Os().RegQueryValueExW(key.Get(), kRecordValue, nullptr,
                                                                &type, nullptr, &bytes)
                                        : open;
  if (query == ERROR_FILE_NOT_FOUND) return false;
  if (query == ERROR_SUCCESS) {
    data = AllocateZeroedBlock(static_cast<SIZE_T>(bytes) + 1);  // a block even for an empty value
    query = data ? Os().RegQueryValueExW(key.Get(), kRecordValue, nullptr, &type,
                                         static_cast<BYTE*>(data.Get()), &bytes)
                 : ERROR_NOT_ENOUGH_MEMORY;
  }
  if (query != ERROR_SUCCESS) {
    Os().SetLastError(static_cast<DWORD>(query));
    fault = L"unreadable";
  }
  return true;
}

// Why the record's bytes cannot be used, or null with its printers in `printers`.
const wchar_t* JudgeRecord(const GlobalBlock& data, DWORD bytes, DWORD type, GlobalBlock& printers,
                           DWORD& count) {
  if (type != REG_BINARY) return L"foreign";
  if (bytes > kMaxPrinterRecordBytes) return L"damaged";
  const wchar_t* fault =
      DecodePrinterRecord(static_cast<const BYTE*>(data.Get()), bytes, printers, count);
  if (IsUnreadable(fault)) Os().SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return fault;
}

// A free name beside the record for a broken one; false when all are taken or cannot be asked.
bool FreeAsideName(HKEY key, wchar_t (&name)[kAsideNameCapacity]) {
  for (int i = 1; i <= kAsideNames; ++i) {
    AsideName(i, name);
    const LSTATUS status = Os().RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) {
      Os().SetLastError(static_cast<DWORD>(status));
      return false;
    }
  }
  Os().SetLastError(ERROR_ALREADY_EXISTS);
  return false;
}

// Moves the record's bytes to a value of their own beside it, flushed before the record goes;
// true with the name given.
bool SetRecordAside(const GlobalBlock& data, DWORD bytes, DWORD type,
                    wchar_t (&name)[kAsideNameCapacity]) {
  ScopedRegKey key;
  LSTATUS status = Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive());
  if (status == ERROR_SUCCESS && !FreeAsideName(key.Get(), name)) return false;
  if (status == ERROR_SUCCESS) {
    status =
        Os().RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data.Get()), bytes);
  }
  if (status == ERROR_SUCCESS) status = Os().RegFlushKey(key.Get());
  if (status == ERROR_SUCCESS) status = Os().RegDeleteValueA(key.Get(), kRecordValueNarrow);
  if (status == ERROR_SUCCESS) return true;
  Os().SetLastError(static_cast<DWORD>(status));
  return false;
}

// True when the key holds a record set aside (or cannot say): then only the record goes.
bool KeepsRecordSetAside(HKEY key) {
  wchar_t name[kAsideNameCapacity];
  for (int i = 1; i <= kAsideNames; ++i) {
    AsideName(i, name);
    if (Os().RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_FILE_NOT_FOUND) {
      return true;
    }
  }
  return false;
}

// Keeps the record's printers in the context for the merge with the machine's own.
void KeepRecordedPrinters(InstallContext& ctx, GlobalBlock& data, GlobalBlock& printers,
                          DWORD count) {
  ctx.savedSettings.recordData = std::move(data);
  ctx.savedSettings.recorded = std::move(printers);
  ctx.savedSettings.recordedCount = count;
}

}  // namespace

bool ReadPrinterRecord(InstallContext& ctx) {
  for (int attempt = 1;; ++attempt) {
    GlobalBlock data, printers;
    DWORD bytes = 0, type = REG_NONE, count = 0;
    const wchar_t* fault = nullptr;
    if (!ReadRecordValue(data, bytes, type, fault)) return true;
    if (!fault) fault = JudgeRecord(data, bytes, type, printers, count);
    if (!fault) {
      KeepRecordedPrinters(ctx, data, printers, count);
      return true;
    }
    if (IsUnreadable(fault)) {
      if (attempt < kReadAttempts) {
        Os().Sleep(kReadPause);
        continue;
      }
      LogError(ctx, 23, L"Can't read the printer record of an earlier run");
      return false;
    }
    if (std::wcscmp(fault, L"of another version") == 0) {
      const DWORD version = PrinterRecordVersion(static_cast<const BYTE*>(data.Get()), bytes);
      Os().SetLastError(0);
      LogError(ctx, 22,
               L"The printer record is of version %d: nothing was changed, run the newer "
               L"Quintavera setup",
               static_cast<int>(version));
      return false;
    }
    wchar_t aside[kAsideNameCapacity] = {};
    if (!SetRecordAside(data, bytes, type, aside)) {
      LogError(ctx, 25, L"Can't set the %s printer record aside", fault);
      return false;
    }
    Os().SetLastError(0);
    LogError(ctx, 24, L"The printer record of an earlier run is %s: kept as '%s'", fault, aside);
    return true;
  }
}

void WritePrinterRecord(InstallContext& ctx, const wchar_t* const* parked, DWORD parkedCount) {
  GlobalBlock data;
  DWORD bytes = 0;
  if (!EncodePrinterRecord(ctx.savedSettings, parked, parkedCount, data, bytes)) {
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
  ScopedRegKey key;
  LSTATUS status = Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive());
  if (status == ERROR_SUCCESS) {
    status = KeepsRecordSetAside(key.Get()) ? Os().RegDeleteValueA(key.Get(), kRecordValueNarrow)
                                            : Os().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey);
  }
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return;
  Os().SetLastError(static_cast<DWORD>(status));
  LogError(ctx, 19, L"Can't remove the printer record");
}

}  // namespace qv
