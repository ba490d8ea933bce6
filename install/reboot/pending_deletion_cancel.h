// Taking a file that an install has just put in place out of Windows' deletions at restart, so
// that the restart does not delete it again.
#pragma once

namespace qv {

struct InstallContext;

// Removes from "PendingFileRenameOperations" exactly the queued deletions of `path` (the same
// path, with or without "\??\", letters A-Z in either case) and leaves every other entry as it
// was, byte for byte and in order. The value is read again right before it is written; when it
// changed meanwhile the edit starts over, a bounded number of times. When it cannot be written,
// nothing is dropped and an error line names the deletion that stays queued.
void CancelQueuedDeletions(InstallContext& ctx, const wchar_t* path);

}  // namespace qv
