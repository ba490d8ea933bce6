// Windows' queue of file operations at reboot ("PendingFileRenameOperations", then
// "PendingFileRenameOperations2"): reading it, deleting at once the files queued there for
// deletion, and the "onInit" check for product files.
//
// The installer adds to the queue through MoveFileExW; it takes out of it only the deletions of a
// file an install has put in place again (pending_deletion_cancel.h).
#pragma once

#include <cstdint>

namespace qv {

// The queue as read at one moment, the pairs of the first value before those of the second. Slot 2k
// is the source path of pair k, slot 2k+1 its target (empty target: the source is deleted at
// reboot). Owns both arrays and every path copy.
struct PendingRenames {
  wchar_t** paths = nullptr;      // 2 x pairCount copies as stored ("\??\" kept); null if empty
  int32_t* fileExists = nullptr;  // parallel to paths: 1 when the path named an existing file
  int32_t pairCount = 0;

  PendingRenames() = default;
  ~PendingRenames();
  PendingRenames(PendingRenames&& other) noexcept;
  PendingRenames& operator=(PendingRenames&& other) noexcept;
  PendingRenames(const PendingRenames&) = delete;
  PendingRenames& operator=(const PendingRenames&) = delete;
};

// Reads both values of the queue. A value that cannot be read, is empty or is not REG_MULTI_SZ adds
// nothing; the record is empty when the key cannot be opened or memory cannot be had. Every scan
// is bounded by the data that was read.
PendingRenames ReadPendingRenames();

// Deletes now every existing source queued for deletion (empty target) and clears its flag.
// Failures are silent; the queue itself is left unchanged.
void DeleteQueuedDeletions(PendingRenames& renames);

// True while a product file (x64 set) stands queued for deletion, whether or not the file is still
// there, or is still there as the source of any queued operation after two passes, each deleting
// what it can and restarting the spooler (without a context: nothing is logged). A restart is
// made only for a file still there. False at once when no product file is queued.
bool CheckPendingProductFiles();

}  // namespace qv
