// The printer record's bytes: the product printers a reinstall re-creates, in one REG_BINARY value
// that a reader checks whole before it trusts any of it.
//
//   header   magic "QVPR", version (16 bits), count (16 bits), payload bytes (32 bits),
//            FNV-1a hash of the payload (32 bits); little-endian
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

#include "context/saved_printer_settings.h"
#include "os/scoped_handles.h"

namespace qv {

// The largest record a reader takes and a writer writes.
constexpr DWORD kMaxPrinterRecordBytes = 256 * 1024;

// One printer as the record holds it: `info` carries name, comment, location, the product driver
// and the default mark, pointing into the record's bytes, as a snapshot record would. A parked
// printer carries its name alone.
struct RecordedPrinter {
  PRINTER_INFO_2W info;
  const char* subKey;
  bool recreated;  // the run that wrote it was re-creating it
  bool parked;     // a printer of another driver waiting on "file:" for the product port
};

// The record's bytes for `list` and the names of `parkedCount` parked printers in a new block.
// False when the block cannot be had or the record would be longer than a reader takes (the last
// error says which).
bool EncodePrinterRecord(const SavedSettingsList& list, const wchar_t* const* parked,
                         DWORD parkedCount, GlobalBlock& data, DWORD& bytes);
// The version in the header of `bytes` of `data`; 0 when the header is not there.
DWORD PrinterRecordVersion(const BYTE* data, DWORD bytes);

// Checks `bytes` of `data` (a block of global memory, read from the registry) and describes its
// printers in `printers`, a new block of `count` entries that point into `data`. Returns null, or
// the reason the record cannot be used ("truncated", "damaged", "foreign", "of another
// version", "unreadable").
const wchar_t* DecodePrinterRecord(const BYTE* data, DWORD bytes, GlobalBlock& printers,
                                   DWORD& count);

}  // namespace qv
