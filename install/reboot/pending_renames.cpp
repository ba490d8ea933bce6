// Windows' queue of file operations at reboot: reading, deleting queued files, the product check.
#include "reboot/pending_renames.h"

#include <cwchar>
#include <new>
#include <utility>

#include "base/ascii_case.h"
#include "os/path_kind.h"
#include "os/scoped_handles.h"
#include "reboot/pending_queue_value.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

constexpr int kCheckPasses = 2;

constexpr const wchar_t* kX64ProductFiles[] = {L"orbmon64.dll", L"orbdrv64.dll", L"orbui64.dll"};
constexpr const wchar_t* kX86ProductFiles[] = {L"orbmon32.dll", L"orbdrv32.dll", L"orbui32.dll"};

// The data of each of the queue's values; a value that cannot be read leaves its entry empty.
void ReadQueueValues(RawQueue (&raws)[2]) {
  ScopedRegKey key;
  if (OpenSessionManagerKey(KEY_READ, key) != ERROR_SUCCESS) return;
  for (size_t i = 0; i < 2; ++i) ReadRawQueue(key.Get(), kPendingValues[i], raws[i]);
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
  return KindOfPath(WithoutNtPrefix(path)) == PathKind::kFile;
}

// Fills `pairs` pairs of the record's slots from `first` on with the data: whole pairs only, empty
// strings stay null. False when a path cannot be copied: a missing target would turn a rename into
// a deletion of its source.
bool FillSlots(const RawQueue& raw, size_t pairs, size_t first, PendingRenames& renames) {
  const size_t slots = first + 2 * pairs;
  size_t position = 0;
  for (size_t slot = first; position < raw.ListEnd() && slot < slots; ++slot) {
    const size_t length = raw.StringLength(position);
    if (length > 0) {
      renames.paths[slot] = CopyString(raw.Chars() + position, length);
      if (!renames.paths[slot]) return false;
      renames.fileExists[slot] = NamesExistingFile(renames.paths[slot]);
    }
    position += length + 1;
  }
  return true;
}

bool IsOneOf(const wchar_t* path, const wchar_t* const (&names)[3]) {
  for (const wchar_t* name : names) {
    if (EqualsIgnoringAsciiCase(FileNamePart(path), name)) return true;
  }
  return false;
}

// Whether a still existing source of any pair (deletion or rename) is one of `names`.
bool HasPendingSource(const PendingRenames& renames, const wchar_t* const (&names)[3]) {
  for (int32_t pair = 0; pair < renames.pairCount; ++pair) {
    const wchar_t* source = renames.paths[2 * pair];
    if (renames.fileExists[2 * pair] == 1 && source && IsOneOf(source, names)) return true;
  }
  return false;
}

bool NamesDirectory(const wchar_t* path) {
  return KindOfPath(WithoutNtPrefix(path)) == PathKind::kDirectory;
}

// Whether one of `names` stands queued for deletion, whether or not the file still exists: a new
// copy put in its place before the restart would be deleted by it. A directory is no product file.
bool HasQueuedDeletion(const PendingRenames& renames, const wchar_t* const (&names)[3]) {
  for (int32_t pair = 0; pair < renames.pairCount; ++pair) {
    const wchar_t* source = renames.paths[2 * pair];
    if (source && !renames.paths[2 * pair + 1] && IsOneOf(source, names) &&
        !NamesDirectory(source)) {
      return true;
    }
  }
  return false;
}

// What one pass of the check finds among the product files.
enum class ProductFiles { kNone, kQueuedForDeletion, kStillThere };

// One pass of the check: clears what can be deleted now, then looks for product files.
ProductFiles FindPendingProductFiles() {
  PendingRenames renames = ReadPendingRenames();
  DeleteQueuedDeletions(renames);
  // The x86 set is looked for as well, but only the x64 set this installer deploys decides.
  static_cast<void>(HasPendingSource(renames, kX86ProductFiles));
  if (HasPendingSource(renames, kX64ProductFiles)) return ProductFiles::kStillThere;
  return HasQueuedDeletion(renames, kX64ProductFiles) ? ProductFiles::kQueuedForDeletion
                                                      : ProductFiles::kNone;
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
  RawQueue raws[2];
  ReadQueueValues(raws);
  // A string left without its pair at the end of the first value pairs with nothing.
  const size_t pairs[2] = {CountStrings(raws[0]) / 2, CountStrings(raws[1]) / 2};
  const size_t total = pairs[0] + pairs[1];
  if (total == 0) return renames;
  renames.paths = new (std::nothrow) wchar_t*[2 * total]();
  renames.fileExists = new (std::nothrow) int32_t[2 * total]();
  if (!renames.paths || !renames.fileExists) return PendingRenames();
  renames.pairCount = static_cast<int32_t>(total);
  if (!FillSlots(raws[0], pairs[0], 0, renames) ||
      !FillSlots(raws[1], pairs[1], 2 * pairs[0], renames)) {
    return PendingRenames();
  }
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
    const ProductFiles found = FindPendingProductFiles();
    // Only a file still there is worth a restart: the spooler may let go of it.
    if (found != ProductFiles::kStillThere) return found == ProductFiles::kQueuedForDeletion;
    RestartSpooler restart(nullptr);  // an empty scope: the spooler lets go of what it holds
  }
  return true;
}

}  // namespace qv
