// The printer record's bytes: writing them from the saved settings, and checking and reading them
// back without ever reading past their end.
#include "record/printer_record_format.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "context/product.h"

namespace qv {
namespace {

constexpr uint32_t kMagic = 0x52505651;  // "QVPR"
constexpr uint16_t kVersion = 1;
constexpr uint16_t kSplitVersion = 2;
constexpr DWORD kHeaderBytes = 16;
constexpr DWORD kMaxUnsplitPrinters = 0xFFFF;
constexpr DWORD kMaxRecordBytes = 1u << 30;
// The smallest entry: flags, a one-letter name, empty comment and location, a one-letter "SubKey".
constexpr DWORD kMinEntryBytes = 2 + 4 + 2 + 2 + 2;

constexpr uint16_t kDefaultPrinter = 0x1;
constexpr uint16_t kHasComment = 0x2;
constexpr uint16_t kHasLocation = 0x4;
constexpr uint16_t kRecreated = 0x8;
constexpr uint16_t kParked = 0x10;
constexpr uint16_t kKnownFlags =
    kDefaultPrinter | kHasComment | kHasLocation | kRecreated | kParked;

uint32_t Fnv1a(const BYTE* data, DWORD bytes) {
  uint32_t hash = 2166136261u;
  for (DWORD i = 0; i < bytes; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

const wchar_t* OrEmpty(const wchar_t* text) { return text ? text : L""; }

DWORD WideBytes(const wchar_t* text) {
  return static_cast<DWORD>((std::wcslen(OrEmpty(text)) + 1) * sizeof(wchar_t));
}

// The narrow text with its NUL, rounded up to an even length so that the next entry's UTF-16
// text stays aligned.
DWORD NarrowBytes(const char* text) { return static_cast<DWORD>((std::strlen(text) + 2) & ~1u); }

DWORD EntryBytes(const SavedPrinterSettings& node) {
  const PRINTER_INFO_2W& printer = *node.printer;
  return sizeof(uint16_t) + WideBytes(printer.pPrinterName) + WideBytes(printer.pComment) +
         WideBytes(printer.pLocation) + NarrowBytes(node.subKey);
}

// A parked printer's entry: flags, its name, empty comment and location, an empty "SubKey".
DWORD ParkedEntryBytes(const wchar_t* name) {
  return sizeof(uint16_t) + WideBytes(name) + 2 * WideBytes(nullptr) + NarrowBytes("");
}

uint16_t EntryFlags(const SavedPrinterSettings& node) {
  const PRINTER_INFO_2W& printer = *node.printer;
  uint16_t flags = node.recreated ? kRecreated : 0;
  if ((printer.Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0) flags |= kDefaultPrinter;
  if (printer.pComment) flags |= kHasComment;
  if (printer.pLocation) flags |= kHasLocation;
  return flags;
}

// Appends to a block already sized for everything written.
class RecordWriter {
 public:
  explicit RecordWriter(BYTE* data) : next_(data) {}
  void Put(const void* data, DWORD bytes) {
    std::memcpy(next_, data, bytes);
    next_ += bytes;
  }
  void PutU16(uint16_t value) { Put(&value, sizeof value); }
  void PutU32(uint32_t value) { Put(&value, sizeof value); }
  void PutWide(const wchar_t* text) { Put(OrEmpty(text), WideBytes(text)); }
  // The zero-filled block already holds the padding byte.
  void PutNarrow(const char* text) {
    const DWORD length = static_cast<DWORD>(std::strlen(text) + 1);
    Put(text, length);
    next_ += NarrowBytes(text) - length;
  }

 private:
  BYTE* next_;
};

// Reads from [data, end); every read checks the bytes left first.
class RecordReader {
 public:
  RecordReader(const BYTE* data, DWORD bytes) : next_(data), end_(data + bytes) {}
  DWORD Left() const { return static_cast<DWORD>(end_ - next_); }
  bool GetU16(uint16_t& value) { return Get(&value, sizeof value); }
  bool GetU32(uint32_t& value) { return Get(&value, sizeof value); }
  // UTF-16 text that ends within the data, or null.
  const wchar_t* GetWide() {
    const auto* text = reinterpret_cast<const wchar_t*>(next_);
    const DWORD units = Left() / sizeof(wchar_t);
    for (DWORD i = 0; i < units; ++i) {
      if (text[i] != L'\0') continue;
      next_ += (i + 1) * sizeof(wchar_t);
      return text;
    }
    return nullptr;
  }
  // Narrow text that ends within the data, with its padding byte zero, or null.
  const char* GetNarrow() {
    const auto* text = reinterpret_cast<const char*>(next_);
    const void* nul = std::memchr(text, '\0', Left());
    if (!nul) return nullptr;
    const DWORD bytes = NarrowBytes(text);
    if (bytes > Left() || next_[bytes - 1] != 0) return nullptr;
    next_ += bytes;
    return text;
  }

 private:
  bool Get(void* value, DWORD bytes) {
    if (Left() < bytes) return false;
    std::memcpy(value, next_, bytes);
    next_ += bytes;
    return true;
  }
  const BYTE* next_;
  const BYTE* end_;
};

// One entry into `printer`; false when it is not whole or not one the installer writes.
bool ReadEntry(RecordReader& reader, RecordedPrinter& printer) {
  uint16_t flags = 0;
  if (!reader.GetU16(flags) || (flags & ~kKnownFlags) != 0) return false;
  const wchar_t* name = reader.GetWide();
  const wchar_t* comment = reader.GetWide();
  const wchar_t* location = reader.GetWide();
  const char* subKey = reader.GetNarrow();
  if (!name || !comment || !location || !subKey || name[0] == L'\0' ||
      std::strlen(subKey) >= kSubKeyCapacity) {
    return false;
  }
  // A parked printer has its name alone; every other entry its "SubKey".
  const bool parked = (flags & kParked) != 0;
  if (parked ? (flags != kParked || comment[0] || location[0] || subKey[0]) : subKey[0] == '\0') {
    return false;
  }
  printer.parked = parked;
  printer.recreated = (flags & kRecreated) != 0;
  printer.info.pPrinterName = const_cast<LPWSTR>(name);
  printer.info.pComment = (flags & kHasComment) ? const_cast<LPWSTR>(comment) : nullptr;
  printer.info.pLocation = (flags & kHasLocation) ? const_cast<LPWSTR>(location) : nullptr;
  printer.info.pDriverName = const_cast<LPWSTR>(kProductDriverName);
  printer.info.Attributes = (flags & kDefaultPrinter) ? PRINTER_ATTRIBUTE_DEFAULT : 0;
  printer.subKey = subKey;
  return true;
}

}  // namespace

bool EncodePrinterRecord(const SavedSettingsList& list, const wchar_t* const* parked,
                         DWORD parkedCount, GlobalBlock& data, DWORD& bytes, uint16_t slot) {
  DWORD count = parkedCount;
  DWORD payload = 0;
  for (DWORD i = 0; i < parkedCount && payload <= kMaxRecordBytes; ++i) {
    payload += ParkedEntryBytes(parked[i]);
  }
  for (const SavedPrinterSettings* node = list.head; node && payload <= kMaxRecordBytes;
       node = node->next) {
    ++count;
    payload += EntryBytes(*node);
  }
  if (payload > kMaxRecordBytes) {
    Os().SetLastError(ERROR_BUFFER_OVERFLOW);
    return false;
  }
  const bool split = count > kMaxUnsplitPrinters || payload > kMaxPrinterRecordBytes - kHeaderBytes;
  const DWORD headerBytes = split ? kSplitHeaderBytes : kHeaderBytes;
  data = AllocateZeroedBlock(headerBytes + payload);
  if (!data) return false;
  auto* start = static_cast<BYTE*>(data.Get());
  RecordWriter writer(start + headerBytes);
  for (const SavedPrinterSettings* node = list.head; node; node = node->next) {
    writer.PutU16(EntryFlags(*node));
    writer.PutWide(node->printer->pPrinterName);
    writer.PutWide(node->printer->pComment);
    writer.PutWide(node->printer->pLocation);
    writer.PutNarrow(node->subKey);
  }
  for (DWORD i = 0; i < parkedCount; ++i) {
    writer.PutU16(kParked);
    writer.PutWide(parked[i]);
    writer.PutWide(nullptr);
    writer.PutWide(nullptr);
    writer.PutNarrow("");
  }
  RecordWriter header(start);
  header.PutU32(kMagic);
  header.PutU16(split ? kSplitVersion : kVersion);
  if (split) {
    header.PutU16(slot);
    header.PutU32(count);
  } else {
    header.PutU16(static_cast<uint16_t>(count));
  }
  header.PutU32(payload);
  header.PutU32(Fnv1a(start + headerBytes, payload));
  bytes = headerBytes + payload;
  return true;
}

bool ReadSplitHeader(const BYTE* data, DWORD bytes, uint16_t& slot, DWORD& payload) {
  RecordReader header(data, bytes);
  uint32_t magic = 0, count = 0, length = 0;
  uint16_t version = 0;
  const bool split = bytes == kSplitHeaderBytes && header.GetU32(magic) && magic == kMagic &&
                     header.GetU16(version) && version == kSplitVersion && header.GetU16(slot) &&
                     header.GetU32(count) && header.GetU32(length);
  payload = length;
  return split;
}

DWORD PrinterRecordVersion(const BYTE* data, DWORD bytes) {
  RecordReader header(data, bytes);
  uint32_t magic = 0;
  uint16_t version = 0;
  return header.GetU32(magic) && header.GetU16(version) ? version : 0;
}

const wchar_t* DecodePrinterRecord(const BYTE* data, DWORD bytes, GlobalBlock& printers,
                                   DWORD& count) {
  RecordReader header(data, bytes);
  uint32_t magic = 0, payload = 0, hash = 0, entries = 0;
  uint16_t version = 0, entries16 = 0, slot = 0;
  if (!header.GetU32(magic)) return L"truncated";
  if (magic != kMagic) return L"foreign";
  if (!header.GetU16(version)) return L"truncated";
  if (version != kVersion && version != kSplitVersion) return L"of another version";
  bool headerWhole = false;
  if (version == kVersion) {
    headerWhole = header.GetU16(entries16);
    entries = entries16;
  } else {
    headerWhole = header.GetU16(slot) && header.GetU32(entries);
  }
  if (!headerWhole || !header.GetU32(payload) || !header.GetU32(hash)) return L"truncated";
  if (payload > header.Left()) return L"truncated";
  if (payload < header.Left() || entries == 0 || entries > payload / kMinEntryBytes) {
    return L"damaged";
  }
  const BYTE* body = data + (bytes - payload);
  if (Fnv1a(body, payload) != hash) return L"damaged";

  printers = AllocateZeroedBlock(entries * sizeof(RecordedPrinter));
  if (!printers) return L"unreadable";
  auto* recorded = static_cast<RecordedPrinter*>(printers.Get());
  RecordReader reader(body, payload);
  for (DWORD i = 0; i < entries; ++i) {
    if (!ReadEntry(reader, recorded[i])) {
      printers.Reset();
      return L"damaged";
    }
  }
  if (reader.Left() != 0) {
    printers.Reset();
    return L"damaged";
  }
  count = entries;
  return nullptr;
}

}  // namespace qv
