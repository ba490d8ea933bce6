// The printer record in HKEY_LOCAL_MACHINE\SOFTWARE\Orbelin\Quintavera\Installer, value
// "Printers" (and the parts of a split record): reading and judging it before a reinstall changes
// anything, setting a broken one aside, writing it durably, removing it.
#include "record/printer_record.h"

#include <cwchar>

#include "context/install_context.h"
#include "log/install_log.h"
#include "record/printer_record_format.h"
#include "record/printer_record_values.h"

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

bool IsSplitHeader(const BYTE* data, DWORD bytes) {
  uint16_t slot = 0;
  DWORD payload = 0;
  return ReadSplitHeader(data, bytes, slot, payload);
}

bool IsUnreadable(const wchar_t* fault) { return fault && std::wcscmp(fault, L"unreadable") == 0; }

// The `number`th name for a record set aside.
void AsideName(int number, wchar_t (&name)[kAsideNameCapacity]) {
  std::wcscpy(name, L"Printers.damaged");
  if (number == 1) return;
  name[16] = static_cast<wchar_t>(L'0' + number);
  name[17] = L'\0';
}

// The record's first value into `data`, with its type, and the whole record into `whole` (the
// same block as `data` unless the record is split). False when there is no record; `fault` says
// why one that is there cannot be used, "unreadable" when it cannot be read now.
bool ReadRecordValue(GlobalBlock& data, DWORD& bytes, DWORD& type, GlobalBlock& whole,
                     DWORD& wholeBytes, const wchar_t*& fault) {
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
    return true;
  }
  const auto* first = static_cast<const BYTE*>(data.Get());
  if (type != REG_BINARY) {
    fault = L"foreign";
  } else if (bytes > kMaxPrinterRecordBytes) {
    fault = L"damaged";
  } else if (IsSplitHeader(first, bytes)) {
    fault = ReadRecordParts(key.Get(), first, whole, wholeBytes);
  }
  return true;
}

// Why the record's bytes cannot be used, or null with its printers in `printers`.
const wchar_t* JudgeRecord(const GlobalBlock& data, DWORD bytes, GlobalBlock& printers,
                           DWORD& count) {
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
  const auto* first = static_cast<const BYTE*>(data.Get());
  const BYTE* header = type == REG_BINARY && IsSplitHeader(first, bytes) ? first : nullptr;
  if (status == ERROR_SUCCESS && header) status = CopyRecordPartsAside(key.Get(), header, name);
  if (status == ERROR_SUCCESS) status = Os().RegSetValueExW(key.Get(), name, 0, type, first, bytes);
  if (status == ERROR_SUCCESS) status = Os().RegFlushKey(key.Get());
  if (status == ERROR_SUCCESS) status = Os().RegDeleteValueA(key.Get(), kRecordValueNarrow);
  if (status == ERROR_SUCCESS && header) DeleteRecordParts(key.Get(), header);
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
    GlobalBlock data, whole, printers;
    DWORD bytes = 0, wholeBytes = 0, type = REG_NONE, count = 0;
    const wchar_t* fault = nullptr;
    if (!ReadRecordValue(data, bytes, type, whole, wholeBytes, fault)) return true;
    GlobalBlock& record = whole ? whole : data;
    if (!fault) fault = JudgeRecord(record, whole ? wholeBytes : bytes, printers, count);
    if (!fault) {
      KeepRecordedPrinters(ctx, record, printers, count);
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
  ScopedRegKey key;
  LSTATUS status =
      Os().RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.Receive(), nullptr);
  uint16_t slot = 0;
  if (status != ERROR_SUCCESS) {
    Os().SetLastError(static_cast<DWORD>(status));
  } else if (FreeRecordSlot(key.Get(), slot)) {
    GlobalBlock data;
    DWORD bytes = 0;
    if (EncodePrinterRecord(ctx.savedSettings, parked, parkedCount, data, bytes, slot)) {
      status = WriteRecordValues(key.Get(), static_cast<const BYTE*>(data.Get()), bytes);
      if (status == ERROR_SUCCESS) return;
      Os().SetLastError(static_cast<DWORD>(status));
    }
  }
  LogError(ctx, 18, L"Can't write the printer record");
}

void RemovePrinterRecord(InstallContext& ctx) {
  ScopedRegKey key;
  LSTATUS status = Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive());
  if (status == ERROR_SUCCESS) {
    if (!KeepsRecordSetAside(key.Get())) {
      status = Os().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey);
    } else {
      status = Os().RegDeleteValueA(key.Get(), kRecordValueNarrow);
      if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        DeleteRecordParts(key.Get(), nullptr);
    }
  }
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return;
  Os().SetLastError(static_cast<DWORD>(status));
  LogError(ctx, 19, L"Can't remove the printer record");
}

}  // namespace qv
