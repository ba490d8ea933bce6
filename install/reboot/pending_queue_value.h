// The raw "PendingFileRenameOperations" value: opening its key, reading the value within its
// bounds, and the path tests that the reader and the editor of the reboot queue share.
#pragma once

#include <windows.h>

#include <cstddef>

#include "os/scoped_handles.h"

namespace qv {

constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

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
// Reads the value with the size-then-fetch pattern; false when nothing usable was read. A value
// that is not REG_MULTI_SZ counts as nothing queued.
bool ReadRawQueue(HKEY key, RawQueue& raw);

// The path without a leading "\??\" (exactly that prefix; "\\?\" stays).
const wchar_t* WithoutNtPrefix(const wchar_t* path);
// What follows the last '\', '/' or ':' of the path (without "\??\").
const wchar_t* FileNamePart(const wchar_t* path);

}  // namespace qv
