// The raw values of the reboot queue and their paths.
#include "reboot/pending_queue_value.h"

#include <utility>

namespace qv {
namespace {

constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

QueueRead FailedRead(LSTATUS status) {
  Os().SetLastError(static_cast<DWORD>(status));
  return QueueRead::kFailed;
}

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
QueueRead ReadRawQueue(HKEY key, const wchar_t* value, RawQueue& raw) {
  DWORD size = 0;
  LSTATUS status = Os().RegQueryValueExW(key, value, nullptr, nullptr, nullptr, &size);
  if (status != ERROR_SUCCESS || size == 0) return QueueRead::kEmpty;
  GlobalBlock block = AllocateZeroedBlock(size);
  if (!block) return QueueRead::kFailed;
  DWORD type = REG_NONE;
  DWORD length = size;
  status =
      Os().RegQueryValueExW(key, value, nullptr, &type, static_cast<LPBYTE>(block.Get()), &length);
  if (status == ERROR_FILE_NOT_FOUND) return QueueRead::kEmpty;
  if (status != ERROR_SUCCESS) return FailedRead(status);
  if (type != REG_MULTI_SZ) return QueueRead::kEmpty;
  raw.bytes = length < size ? length : size;
  raw.block = std::move(block);
  return QueueRead::kRead;
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
