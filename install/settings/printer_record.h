// The printer record: the product printers a reinstall is about to delete and re-create, kept in
// the product's machine key from before the first deletion until they are back, so that a run cut
// short (killed, a power loss, a forced restart) leaves their settings to the next install.
#pragma once

namespace qv {

struct InstallContext;

// Takes the printers of a record left by an earlier run into the context's savedSettings, before
// the run saves its own (so the record's settings win for a name both hold). A record that cannot
// be used is logged in one line and ignored.
void TakeOverPrinterRecord(InstallContext& ctx);
// Writes the context's savedSettings as the record and flushes it to disk (error 18 when it
// cannot).
void WritePrinterRecord(InstallContext& ctx);
// Deletes the record, if there is one (error 19 when it stays).
void RemovePrinterRecord(InstallContext& ctx);

}  // namespace qv
