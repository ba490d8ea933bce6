// The printer record's registry values: one, or a header and the parts of a split record.
#include "record/printer_record_values.h"

#include <algorithm>
#include <cstring>

#include "base/wide_format.h"
#include "record/printer_record_format.h"

namespace qv {
namespace {

constexpr wchar_t kRecordValue[] = L"Printers";
constexpr uint16_t kSlots = 2;
constexpr size_t kNameCapacity = 40;

// A value name in both forms (the registry's delete is called with the narrow one); ASCII only.
struct ValueName {
  wchar_t wide[kNameCapacity] = {};
  char narrow[kNameCapacity] = {};
};

// "Printers.<slot>.<number>", or "<aside>.<number>" for a record set aside.
ValueName PartName(uint16_t slot, DWORD number, const wchar_t* aside = nullptr) {
  ValueName name;
  if (aside) {
    FormatWide(name.wide, kNameCapacity, L"%s.%d", {aside, number});
  } else {
    FormatWide(name.wide, kNameCapacity, L"%s.%d.%d", {kRecordValue, uint32_t{slot}, number});
  }
  std::transform(name.wide, name.wide + kNameCapacity, name.narrow,
                 [](wchar_t c) { return static_cast<char>(c); });
  return name;
}

DWORD PartCount(DWORD payload) {
  return payload / kMaxPrinterRecordBytes + (payload % kMaxPrinterRecordBytes != 0);
}

DWORD PartBytes(DWORD payload, DWORD number) {
  return std::min(kMaxPrinterRecordBytes, payload - (number - 1) * kMaxPrinterRecordBytes);
}

// The slot and payload of a split record's header; false for any other bytes.
bool SplitHeader(const BYTE* header, DWORD bytes, uint16_t& slot, DWORD& payload) {
  return header && bytes >= kSplitHeaderBytes &&
         ReadSplitHeader(header, kSplitHeaderBytes, slot, payload) && slot < kSlots;
}

const wchar_t* Unreadable(LSTATUS status) {
  Os().SetLastError(static_cast<DWORD>(status));
  return L"unreadable";
}

// Deletes the parts of `slot` from the `first`th on, until one is missing or will not go.
void DeletePartsFrom(HKEY key, uint16_t slot, DWORD first) {
  for (DWORD n = first; Os().RegDeleteValueA(key, PartName(slot, n).narrow) == ERROR_SUCCESS;) ++n;
}

}  // namespace

LSTATUS WriteRecordValues(HKEY key, const BYTE* record, DWORD bytes) {
  uint16_t slot = kSlots;
  DWORD payload = 0;
  const bool split = SplitHeader(record, bytes, slot, payload);
  const DWORD parts = split ? PartCount(payload) : 0;
  LSTATUS status = ERROR_SUCCESS;
  const BYTE* next = record + kSplitHeaderBytes;
  for (DWORD n = 1; n <= parts && status == ERROR_SUCCESS; ++n) {
    status = Os().RegSetValueExW(key, PartName(slot, n).wide, 0, REG_BINARY, next,
                                 PartBytes(payload, n));
    next += PartBytes(payload, n);
  }
  if (split && status == ERROR_SUCCESS) status = Os().RegFlushKey(key);
  if (status == ERROR_SUCCESS) {
    status = Os().RegSetValueExW(key, kRecordValue, 0, REG_BINARY, record,
                                 split ? kSplitHeaderBytes : bytes);
  }
  if (status == ERROR_SUCCESS) status = Os().RegFlushKey(key);
  if (status != ERROR_SUCCESS) return status;
  for (uint16_t s = 0; s < kSlots; ++s) DeletePartsFrom(key, s, s == slot ? parts + 1 : 1);
  return ERROR_SUCCESS;
}

bool FreeRecordSlot(HKEY key, uint16_t& slot) {
  BYTE header[kSplitHeaderBytes] = {};
  DWORD bytes = sizeof header, type = REG_NONE, payload = 0;
  const LSTATUS status = Os().RegQueryValueExW(key, kRecordValue, nullptr, &type, header, &bytes);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && status != ERROR_MORE_DATA) {
    Os().SetLastError(static_cast<DWORD>(status));
    return false;
  }
  uint16_t standing = kSlots;
  const bool split = status == ERROR_SUCCESS && type == REG_BINARY &&
                     SplitHeader(header, bytes, standing, payload);
  slot = split && standing == 0 ? 1 : 0;
  return true;
}

const wchar_t* ReadRecordParts(HKEY key, const BYTE* header, GlobalBlock& whole, DWORD& bytes) {
  uint16_t slot = 0;
  DWORD payload = 0;
  if (!SplitHeader(header, kSplitHeaderBytes, slot, payload)) return L"damaged";
  const DWORD parts = PartCount(payload);
  // Each part there with its size before the block is had: a header's claim takes no memory.
  for (DWORD n = 1; n <= parts; ++n) {
    DWORD partBytes = 0, type = REG_NONE;
    const LSTATUS status =
        Os().RegQueryValueExW(key, PartName(slot, n).wide, nullptr, &type, nullptr, &partBytes);
    if (status == ERROR_FILE_NOT_FOUND) return L"truncated";
    if (status != ERROR_SUCCESS) return Unreadable(status);
    if (type != REG_BINARY || partBytes > PartBytes(payload, n)) return L"damaged";
    if (partBytes < PartBytes(payload, n)) return L"truncated";
  }
  bytes = kSplitHeaderBytes + payload;
  whole = AllocateZeroedBlock(bytes);
  if (!whole) return L"unreadable";
  auto* next = static_cast<BYTE*>(whole.Get());
  std::memcpy(next, header, kSplitHeaderBytes);
  next += kSplitHeaderBytes;
  for (DWORD n = 1; n <= parts; ++n) {
    DWORD partBytes = PartBytes(payload, n);
    LSTATUS status =
        Os().RegQueryValueExW(key, PartName(slot, n).wide, nullptr, nullptr, next, &partBytes);
    if (status == ERROR_SUCCESS && partBytes != PartBytes(payload, n)) status = ERROR_INVALID_DATA;
    if (status != ERROR_SUCCESS) {
      whole.Reset();
      return Unreadable(status == ERROR_MORE_DATA ? ERROR_INVALID_DATA : status);
    }
    next += partBytes;
  }
  return nullptr;
}

LSTATUS CopyRecordPartsAside(HKEY key, const BYTE* header, const wchar_t* aside) {
  uint16_t slot = 0;
  DWORD payload = 0;
  if (!SplitHeader(header, kSplitHeaderBytes, slot, payload)) return ERROR_SUCCESS;
  for (DWORD n = 1;; ++n) {
    const ValueName name = PartName(slot, n);
    DWORD bytes = 0, type = REG_NONE;
    LSTATUS status = Os().RegQueryValueExW(key, name.wide, nullptr, &type, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    GlobalBlock part = AllocateZeroedBlock(static_cast<SIZE_T>(bytes) + 1);
    if (status == ERROR_SUCCESS && !part) status = ERROR_NOT_ENOUGH_MEMORY;
    auto* data = static_cast<BYTE*>(part.Get());
    if (status == ERROR_SUCCESS)
      status = Os().RegQueryValueExW(key, name.wide, nullptr, &type, data, &bytes);
    if (status == ERROR_SUCCESS)
      status = Os().RegSetValueExW(key, PartName(slot, n, aside).wide, 0, type, data, bytes);
    if (status != ERROR_SUCCESS) return status;
  }
}

void DeleteRecordParts(HKEY key, const BYTE* header) {
  uint16_t slot = kSlots;
  DWORD payload = 0;
  const bool one = SplitHeader(header, header ? kSplitHeaderBytes : 0, slot, payload);
  for (uint16_t s = 0; s < kSlots; ++s) {
    if (!one || s == slot) DeletePartsFrom(key, s, 1);
  }
}

}  // namespace qv
