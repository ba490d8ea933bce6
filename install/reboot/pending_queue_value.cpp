// The raw "PendingFileRenameOperations" value and its paths.
#include "reboot/pending_queue_value.h"

#include <utility>

namespace qv {
namespace {

constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

}  // namespace

size_t RawQueue::StringLength(size_t position) const {
  size_t end = position;
  while (end < Units() && Chars()[end] != L'\0') ++end;
  return end - position;
}

LSTATUS OpenSessionManagerKey(REGSAM access, ScopedRegKey& key) {
  return Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, access, key.Receive());
}

// The data length is what the second query reports, never more than the block the first one
// sized.
bool ReadRawQueue(HKEY key, RawQueue& raw) {
  DWORD size = 0;
  if (Os().RegQueryValueExW(key, kPendingValue, nullptr, nullptr, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0) {
    return false;
  }
  GlobalBlock block = AllocateZeroedBlock(size);
  if (!block) return false;
  DWORD type = REG_NONE;
  DWORD length = size;
  if (Os().RegQueryValueExW(key, kPendingValue, nullptr, &type, static_cast<LPBYTE>(block.Get()),
                            &length) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return false;
  }
  raw.bytes = length < size ? length : size;
  raw.block = std::move(block);
  return true;
}

const wchar_t* WithoutNtPrefix(const wchar_t* path) {
  const bool prefixed = path[0] == L'\\' && path[1] == L'?' && path[2] == L'?' && path[3] == L'\\';
  return prefixed ? path + 4 : path;
}

const wchar_t* FileNamePart(const wchar_t* path) {
  const wchar_t* name = WithoutNtPrefix(path);
  for (const wchar_t* p = name; *p; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
  }
  return name;
}

}  // namespace qv
