// The printer record: the product printers a reinstall is about to delete and re-create, kept in
// the product's machine key from before the first deletion until every one is back whole, so that
// a run cut short (killed, a power loss, a forced restart) or failing on the way leaves their
// settings to the next install; with them the printers of other drivers left parked on "file:".
#pragma once

#include <windows.h>

namespace qv {

struct InstallContext;

// Reads and judges a record left by an earlier run, before the reinstall changes anything; its
// entries go to the context's savedSettings.recorded. Returns false when the run must change
// nothing: the record is of another version (error 22) or cannot be read after 3 attempts (error
// 23). A broken one (truncated, damaged, foreign) is set aside as "Printers.damaged" (error 24)
// and the run goes on; when that fails too, error 25 and false.
bool ReadPrinterRecord(InstallContext& ctx);
// Writes the context's savedSettings and the names of `parkedCount` parked printers as the record
// (split over several values when it is too large for one) and flushes it to disk (error 18 when
// it cannot).
void WritePrinterRecord(InstallContext& ctx, const wchar_t* const* parked, DWORD parkedCount);
// Deletes the record, if there is one; a record set aside stays (error 19 when the record stays).
void RemovePrinterRecord(InstallContext& ctx);

}  // namespace qv
