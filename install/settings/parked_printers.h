// Printers of other drivers that a reinstall parked on "file:" while it replaced the port monitor,
// and could not return because the monitor could not be registered again: named in the printer
// record until a later run returns them to "Quintavera:".
#pragma once

#include <windows.h>

#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

// Returns each parked printer the record named to "Quintavera:" (the first "file:" of its ports).
// One that is gone or on "file:" no longer is dropped from the record; one the spooler does not
// take back (the port is still missing) stays named.
void ReturnRecordedParkedPrinters(InstallContext& ctx);
// The names of the printers still parked: the record's not returned, then those this run parked
// and could not return; `names` a new block of `count` pointers into the context (empty when there
// are none). False when the block cannot be had.
bool ParkedPrinterNames(const InstallContext& ctx, GlobalBlock& names, DWORD& count);

}  // namespace qv
