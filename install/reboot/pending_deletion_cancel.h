// Taking a file that an install has just put in place out of Windows' deletions at restart, so
// that the restart does not delete it again.
#pragma once

namespace qv {

struct InstallContext;

// Removes from "PendingFileRenameOperations" and "PendingFileRenameOperations2" exactly the queued
// deletions of `path` (the same path, with or without "\??\", letters A-Z in either case) and
// leaves every other entry as it was, byte for byte and in order. A value is read again right
// before it is written; when it changed meanwhile, or could not be read (grown since it was sized,
// no memory), the edit starts over, a bounded number of times. When a deletion stays queued at the
// end, or a value cannot be written, nothing is dropped and an error line names the deletion.
void CancelQueuedDeletions(InstallContext& ctx, const wchar_t* path);

}  // namespace qv
