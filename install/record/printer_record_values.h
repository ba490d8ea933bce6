// The printer record's registry values. A record that fits one value is "Printers" alone. A larger
// one is split: "Printers" holds its header alone, and its payload follows in parts of at most
// 256 KiB, "Printers.<slot>.1", "Printers.<slot>.2" and on. A new split record takes the slot
// the standing one does not use, and its header is written only once its parts are flushed, so a
// write cut short anywhere leaves the standing record whole.
#pragma once

#include <windows.h>

#include <cstdint>

#include "os/scoped_handles.h"

namespace qv {

// Writes the `bytes` of `record` (as EncodePrinterRecord made it, for `slot`) and flushes them;
// then the parts no record uses any more go. ERROR_SUCCESS, or why the record was not written.
LSTATUS WriteRecordValues(HKEY key, const BYTE* record, DWORD bytes);
// The slot a new split record takes in `key` (opened with KEY_QUERY_VALUE): the one the standing
// record does not use. False when the standing record cannot be read (the last error says why).
bool FreeRecordSlot(HKEY key, uint16_t& slot);
// The split record whose header is `header` (kSplitHeaderBytes), with its parts, in a new block.
// Null, or why it cannot be used: "truncated" (a part missing or short), "damaged" (a part too
// long or not binary), "unreadable" (the last error says why).
const wchar_t* ReadRecordParts(HKEY key, const BYTE* header, GlobalBlock& whole, DWORD& bytes);
// Copies the parts of the split record whose header is `header` beside the value `aside`, as
// "<aside>.1" and on.
LSTATUS CopyRecordPartsAside(HKEY key, const BYTE* header, const wchar_t* aside);
// Deletes the parts of both slots, or of the split record whose header is `header` (may be null).
void DeleteRecordParts(HKEY key, const BYTE* header);

}  // namespace qv
