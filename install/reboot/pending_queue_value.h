// The raw values of the reboot queue ("PendingFileRenameOperations" and its second value): opening
// their key, reading a value within its bounds, and the path tests that the reader and the editor
// of the queue share.
#pragma once

#include <windows.h>

#include <cstddef>

#include "os/scoped_handles.h"

namespace qv {

constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
// Windows queues operations for the restart here too, when this value exists or the first is full.
constexpr wchar_t kPendingValue2[] = L"PendingFileRenameOperations2";
// The queue's values, in the order Windows carries them out.
constexpr const wchar_t* kPendingValues[] = {kPendingValue, kPendingValue2};

// The value's data as the second query returned it.
struct RawQueue {
  GlobalBlock block;
  size_t bytes = 0;  // data length, never more than the block

  const wchar_t* Chars() const { return static_cast<const wchar_t*>(block.Get()); }
  size_t Units() const { return bytes / sizeof(wchar_t); }
  // Code units before the list's final NUL: (data length - 2) / 2.
  size_t ListEnd() const { return Units() > 0 ? Units() - 1 : 0; }
  // Length of the string at `position`, stopping at the end of the data if it has no NUL.
  size_t StringLength(size_t position) const;
};

// Opens the Session Manager key under HKEY_LOCAL_MACHINE; the registry's status.
LSTATUS OpenSessionManagerKey(REGSAM access, ScopedRegKey& key);
enum class QueueRead {
  kRead,    // `raw` holds the data
  kEmpty,   // no value, an empty one, one that is not REG_MULTI_SZ or whose size cannot be asked
  kFailed,  // sized, but its data could not be had (it grew since, no memory...): the last error
            // says why
};
// Reads the queue's `value` with the size-then-fetch pattern.
QueueRead ReadRawQueue(HKEY key, const wchar_t* value, RawQueue& raw);

// The path without a leading "\??\" (exactly that prefix; "\\?\" stays).
const wchar_t* WithoutNtPrefix(const wchar_t* path);
// What follows the last '\', '/' or ':' of the path (without "\??\").
const wchar_t* FileNamePart(const wchar_t* path);

}  // namespace qv
