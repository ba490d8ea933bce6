// Taking a file that an install has put in place out of Windows' deletions at restart.
#include "reboot/pending_deletion_cancel.h"

#include <cstring>
#include <cwchar>

#include "base/ascii_case.h"
#include "context/install_context.h"
#include "log/install_log.h"
#include "reboot/pending_queue_value.h"

namespace qv {
namespace {

constexpr int kEditAttempts = 3;
constexpr REGSAM kEditAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr int kCancelError = 20;

// Whether the `length` characters at `source` name `path` ("\??\" aside, A-Z in either case).
bool NamesPath(const wchar_t* source, size_t length, const wchar_t* path) {
  const wchar_t* name = length >= 4 ? WithoutNtPrefix(source) : source;
  const size_t nameLength = length - static_cast<size_t>(name - source);
  if (std::wcslen(path) != nameLength) return false;
  for (size_t i = 0; i < nameLength; ++i) {
    if (FoldAsciiLetter(name[i]) != FoldAsciiLetter(path[i])) return false;
  }
  return true;
}

// Walks the whole pairs of the queue as its reader does, calling `visit(start, end, isDeletion)`
// with the code units of each pair; returns where the pairs end (the rest is the tail).
template <typename Visit>
size_t WalkPairs(const RawQueue& raw, const wchar_t* path, Visit visit) {
  size_t position = 0;
  while (position < raw.ListEnd()) {
    const size_t sourceLength = raw.StringLength(position);
    const size_t target = position + sourceLength + 1;
    if (target >= raw.ListEnd()) break;  // a string without its pair is tail
    const size_t targetLength = raw.StringLength(target);
    size_t end = target + targetLength + 1;
    if (end > raw.Units()) end = raw.Units();
    const bool deletesPath = sourceLength > 0 && targetLength == 0 &&
                             NamesPath(raw.Chars() + position, sourceLength, path);
    visit(position, end, deletesPath);
    position = end;
  }
  return position;
}

bool QueuesDeletionOf(const RawQueue& raw, const wchar_t* path) {
  bool found = false;
  WalkPairs(raw, path, [&](size_t, size_t, bool deletesPath) { found = found || deletesPath; });
  return found;
}

// The queue without the deletions of `path`, every other byte kept in order; its length in
// `bytes`. Empty (E_OUTOFMEMORY) when memory cannot be had.
GlobalBlock WithoutDeletionsOf(const RawQueue& raw, const wchar_t* path, DWORD& bytes) {
  GlobalBlock edited = AllocateZeroedBlock(raw.bytes);
  if (!edited) return edited;
  auto* out = static_cast<BYTE*>(edited.Get());
  const auto* in = reinterpret_cast<const BYTE*>(raw.Chars());
  size_t written = 0;
  auto keep = [&](size_t fromByte, size_t toByte) {
    std::memcpy(out + written, in + fromByte, toByte - fromByte);
    written += toByte - fromByte;
  };
  const size_t tail = WalkPairs(raw, path, [&](size_t start, size_t end, bool deletesPath) {
    if (!deletesPath) keep(start * sizeof(wchar_t), end * sizeof(wchar_t));
  });
  keep(tail * sizeof(wchar_t), raw.bytes);
  bytes = static_cast<DWORD>(written);
  return edited;
}

bool SameData(const RawQueue& a, const RawQueue& b) {
  return a.bytes == b.bytes && std::memcmp(a.Chars(), b.Chars(), a.bytes) == 0;
}

// kRetry: the value changed since it was read, or could not be read or edited for now; the last
// error says why (none for a change). kFailed: it could not be written, the reason in the last
// error.
enum class Edit { kNothingQueued, kWritten, kRetry, kFailed };

// One edit of `value`: read, leave out the deletions of `path`, read again, write.
Edit EditQueueOnce(HKEY key, const wchar_t* value, const wchar_t* path) {
  RawQueue read;
  const QueueRead first = ReadRawQueue(key, value, read);
  if (first == QueueRead::kFailed) return Edit::kRetry;
  if (first == QueueRead::kEmpty || !QueuesDeletionOf(read, path)) return Edit::kNothingQueued;
  DWORD bytes = 0;
  const GlobalBlock edited = WithoutDeletionsOf(read, path, bytes);
  if (!edited) return Edit::kRetry;
  RawQueue again;
  const QueueRead second = ReadRawQueue(key, value, again);
  if (second != QueueRead::kRead || !SameData(read, again)) {
    if (second != QueueRead::kFailed) Os().SetLastError(ERROR_SUCCESS);  // the value changed
    return Edit::kRetry;
  }
  const LSTATUS status = Os().RegSetValueExW(key, value, 0, REG_MULTI_SZ,
                                             static_cast<const BYTE*>(edited.Get()), bytes);
  if (status != ERROR_SUCCESS) {
    Os().SetLastError(static_cast<DWORD>(status));
    return Edit::kFailed;
  }
  return Edit::kWritten;
}

// Whether a deletion of `path` is queued in `value`; true as well when the value cannot be read.
// Leaves the last error as it was.
bool MayStayQueued(HKEY key, const wchar_t* value, const wchar_t* path) {
  const DWORD reason = Os().GetLastError();
  RawQueue raw;
  const QueueRead read = ReadRawQueue(key, value, raw);
  Os().SetLastError(reason);
  return read == QueueRead::kFailed || (read == QueueRead::kRead && QueuesDeletionOf(raw, path));
}

// The deletions of `path` out of `value`, a bounded number of attempts. False when one may stay
// queued there, the reason in the last error; `cancelled` is set when the value was written.
bool CancelInValue(HKEY key, const wchar_t* value, const wchar_t* path, bool& cancelled) {
  for (int attempt = 0; attempt < kEditAttempts; ++attempt) {
    switch (EditQueueOnce(key, value, path)) {
      case Edit::kNothingQueued:
        return true;
      case Edit::kWritten:
        cancelled = true;
        return true;
      case Edit::kFailed:
        return false;
      case Edit::kRetry:
        break;
    }
  }
  return !MayStayQueued(key, value, path);
}

// Whether a deletion of `path` is queued, as far as the key can be read at all.
bool DeletionQueued(const wchar_t* path) {
  ScopedRegKey key;
  if (OpenSessionManagerKey(KEY_READ, key) != ERROR_SUCCESS) return false;
  for (const wchar_t* value : kPendingValues) {
    RawQueue raw;
    if (ReadRawQueue(key.Get(), value, raw) == QueueRead::kRead && QueuesDeletionOf(raw, path)) {
      return true;
    }
  }
  return false;
}

void LogDeletionLeft(InstallContext& ctx, const wchar_t* path) {
  LogError(ctx, kCancelError, L"Can't cancel the deletion of %s at restart, it stays queued", path);
}

}  // namespace

void CancelQueuedDeletions(InstallContext& ctx, const wchar_t* path) {
  ScopedRegKey key;
  const LSTATUS opened = OpenSessionManagerKey(kEditAccess, key);
  if (opened != ERROR_SUCCESS) {
    if (!DeletionQueued(path)) return;
    Os().SetLastError(static_cast<DWORD>(opened));
    LogDeletionLeft(ctx, path);
    return;
  }
  bool cancelled = false;
  bool left = false;
  DWORD reason = ERROR_SUCCESS;
  for (const wchar_t* value : kPendingValues) {
    if (CancelInValue(key.Get(), value, path, cancelled)) continue;
    left = true;
    reason = Os().GetLastError();
  }
  if (cancelled) LogLine(ctx, L"Deletion of %s at restart cancelled", path);
  if (left) {
    Os().SetLastError(reason);
    LogDeletionLeft(ctx, path);
  }
}

}  // namespace qv
