// The printer record's bytes: the product printers a reinstall re-creates, which a reader checks
// whole before it trusts any of it.
//
//   header   version 1 (a record that fits one registry value): magic "QVPR", version (16 bits),
//            count (16 bits), payload bytes (32 bits), FNV-1a hash of the payload (32 bits);
//            version 2 (a record split over several values): magic, version, the slot of its
//            parts (16 bits), count (32 bits), payload bytes, hash; little-endian
//   entry    flags (16 bits: default printer, comment present, location present, being
//            re-created, parked), then name, comment and location as UTF-16 with their NUL,
//            then the "SubKey" text (narrow) with its NUL and a zero byte when that leaves an odd
//            length
//
// Entries follow the saved-settings list from front to back, so the list read back restores in
// the same order; the names of printers of other drivers left parked on "file:" come last, as
// entries with the parked flag alone, empty comment, location and "SubKey".
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "context/saved_printer_settings.h"
#include "os/scoped_handles.h"

namespace qv {

// The largest registry value of the record a reader takes and a writer writes.
constexpr DWORD kMaxPrinterRecordBytes = 256 * 1024;
// The header of a split record, which its first value holds alone.
constexpr DWORD kSplitHeaderBytes = 20;

// One printer as the record holds it: `info` carries name, comment, location, the product driver
// and the default mark, pointing into the record's bytes, as a snapshot record would. A parked
// printer carries its name alone.
struct RecordedPrinter {
  PRINTER_INFO_2W info;
  const char* subKey;
  bool recreated;  // the run that wrote it was re-creating it
  bool parked;     // a printer of another driver waiting on "file:" for the product port
};

// The record's bytes for `list` and the names of `parkedCount` parked printers in a new block:
// version 1 when they fit one value, else version 2 with its parts in `slot` (0 or 1). False when
// the block cannot be had or the record would pass 1 GiB (the last error says which).
bool EncodePrinterRecord(const SavedSettingsList& list, const wchar_t* const* parked,
                         DWORD parkedCount, GlobalBlock& data, DWORD& bytes, uint16_t slot = 0);
// True when `bytes` of `data` are the header of a split record: its slot and payload bytes.
bool ReadSplitHeader(const BYTE* data, DWORD bytes, uint16_t& slot, DWORD& payload);
// The version in the header of `bytes` of `data`; 0 when the header is not there.
DWORD PrinterRecordVersion(const BYTE* data, DWORD bytes);

// Checks `bytes` of `data` (a block of global memory, read from the registry) and describes its
// printers in `printers`, a new block of `count` entries that point into `data`. Returns null, or
// the reason the record cannot be used ("truncated", "damaged", "foreign", "of another
// version", "unreadable").
const wchar_t* DecodePrinterRecord(const BYTE* data, DWORD bytes, GlobalBlock& printers,
                                   DWORD& count);

}  // namespace qv
