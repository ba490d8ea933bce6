// Windows' queue of file operations at reboot: reading, deleting queued files, the product check.
#include "system/pending_renames.h"

#include <cwchar>
#include <new>
#include <utility>

#include "base/ascii_case.h"
#include "os/scoped_handles.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
constexpr int kCheckPasses = 2;

constexpr const wchar_t* kX64ProductFiles[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll"};
constexpr const wchar_t* kX86ProductFiles[] = {L"orbmon32.dll", L"orbdrv32.dll", L"orbui32.dll"};

// The value's data as the second query returned it, in whole UTF-16 code units.
struct RawQueue {
  GlobalBlock block;
  size_t units = 0;

  const wchar_t* Chars() const { return static_cast<const wchar_t*>(block.Get()); }
  // Code units before the list's final NUL: (data length - 2) / 2.
  size_t ListEnd() const { return units > 0 ? units - 1 : 0; }
  // Length of the string at `position`, stopping at the end of the data if it has no NUL.
  size_t StringLength(size_t position) const {
    size_t end = position;
    while (end < units && Chars()[end] != L'\0') ++end;
    return end - position;
  }
};

// The path without a leading "\??\" (exactly that prefix; "\\?\" stays).
const wchar_t* WithoutNtPrefix(const wchar_t* path) {
  const bool prefixed = path[0] == L'\\' && path[1] == L'?' && path[2] == L'?' && path[3] == L'\\';
  return prefixed ? path + 4 : path;
}

// Reads the value with the size-then-fetch pattern; false when nothing usable was read. A value
// that is not REG_MULTI_SZ counts as nothing pending. The data length is what the second query
// reports, never more than the block the first one sized.
bool ReadRawQueue(RawQueue& raw) {
  ScopedRegKey key;
  if (Os().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD size = 0;
  if (Os().RegQueryValueExW(key.Get(), kPendingValue, nullptr, nullptr, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0) {
    return false;
  }
  GlobalBlock block = AllocateZeroedBlock(size);
  if (!block) return false;
  DWORD type = REG_NONE;
  DWORD length = size;
  if (Os().RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type,
                            static_cast<LPBYTE>(block.Get()), &length) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return false;
  }
  raw.units = (length < size ? length : size) / sizeof(wchar_t);
  raw.block = std::move(block);
  return true;
}

size_t CountStrings(const RawQueue& raw) {
  size_t count = 0;
  for (size_t position = 0; position < raw.ListEnd(); position += raw.StringLength(position) + 1) {
    ++count;
  }
  return count;
}

// A NUL-terminated copy of `length` characters; null when memory cannot be had.
wchar_t* CopyString(const wchar_t* text, size_t length) {
  wchar_t* copy = new (std::nothrow) wchar_t[length + 1];
  if (!copy) return nullptr;
  std::wmemcpy(copy, text, length);
  copy[length] = L'\0';
  return copy;
}

bool NamesExistingFile(const wchar_t* path) {
  const DWORD attributes = Os().GetFileAttributesW(WithoutNtPrefix(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Fills the record's slots from the data: whole pairs only, empty strings stay null.
void FillSlots(const RawQueue& raw, PendingRenames& renames) {
  const size_t slots = 2 * static_cast<size_t>(renames.pairCount);
  size_t position = 0;
  for (size_t slot = 0; position < raw.ListEnd() && slot < slots; ++slot) {
    const size_t length = raw.StringLength(position);
    if (length > 0) {
      renames.paths[slot] = CopyString(raw.Chars() + position, length);
      if (renames.paths[slot]) renames.fileExists[slot] = NamesExistingFile(renames.paths[slot]);
    }
    position += length + 1;
  }
}

// What follows the last '\', '/' or ':' of the path (without "\??\").
const wchar_t* FileNamePart(const wchar_t* path) {
  const wchar_t* name = WithoutNtPrefix(path);
  for (const wchar_t* p = name; *p; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
  }
  return name;
}

// Whether a still existing source of any pair (deletion or rename) is one of `names`.
template <size_t N>
bool HasPendingSource(const PendingRenames& renames, const wchar_t* const (&names)[N]) {
  for (int32_t pair = 0; pair < renames.pairCount; ++pair) {
    const wchar_t* source = renames.paths[2 * pair];
    if (renames.fileExists[2 * pair] != 1 || !source) continue;
    for (const wchar_t* name : names) {
      if (EqualsIgnoringAsciiCase(FileNamePart(source), name)) return true;
    }
  }
  return false;
}

// One pass of the check: clears what can be deleted now, then looks for product files.
bool ProductFilesPending() {
  PendingRenames renames = ReadPendingRenames();
  DeleteQueuedDeletions(renames);
  const bool pending = HasPendingSource(renames, kX64ProductFiles);
  // The x86 set is looked for as well, but only the x64 set this installer deploys decides.
  static_cast<void>(HasPendingSource(renames, kX86ProductFiles));
  return pending;
}

}  // namespace

PendingRenames::~PendingRenames() {
  for (int32_t slot = 0; paths && slot < 2 * pairCount; ++slot) delete[] paths[slot];
  delete[] paths;
  delete[] fileExists;
}

PendingRenames::PendingRenames(PendingRenames&& other) noexcept
    : paths(std::exchange(other.paths, nullptr)),
      fileExists(std::exchange(other.fileExists, nullptr)),
      pairCount(std::exchange(other.pairCount, 0)) {}

PendingRenames& PendingRenames::operator=(PendingRenames&& other) noexcept {
  PendingRenames old(std::move(*this));
  paths = std::exchange(other.paths, nullptr);
  fileExists = std::exchange(other.fileExists, nullptr);
  pairCount = std::exchange(other.pairCount, 0);
  return *this;
}

PendingRenames ReadPendingRenames() {
  PendingRenames renames;
  RawQueue raw;
  if (!ReadRawQueue(raw)) return renames;
  const size_t pairs = CountStrings(raw) / 2;
  if (pairs == 0) return renames;
  renames.paths = new (std::nothrow) wchar_t*[2 * pairs]();
  renames.fileExists = new (std::nothrow) int32_t[2 * pairs]();
  if (!renames.paths || !renames.fileExists) return PendingRenames();
  renames.pairCount = static_cast<int32_t>(pairs);
  FillSlots(raw, renames);
  return renames;
}

void DeleteQueuedDeletions(PendingRenames& renames) {
  for (int32_t pair = 0; pair < renames.pairCount; ++pair) {
    const wchar_t* source = renames.paths[2 * pair];
    const bool queuedForDeletion = source && !renames.paths[2 * pair + 1];
    if (renames.fileExists[2 * pair] == 1 && queuedForDeletion &&
        Os().DeleteFileW(WithoutNtPrefix(source))) {
      renames.fileExists[2 * pair] = 0;
    }
  }
}

bool CheckPendingProductFiles() {
  for (int pass = 0; pass < kCheckPasses; ++pass) {
    if (!ProductFilesPending()) return false;
    RestartSpooler restart(nullptr);  // an empty scope: the spooler lets go of what it holds
  }
  return true;
}

}  // namespace qv
