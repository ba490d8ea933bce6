// The product port in the printers' port lists: parking printers on "file:" while the monitor is
// removed, putting them back once it is registered again, and handing an edited printer record to
// the spooler.
//
// The edits work in place on the port-list strings of the run's printer snapshot. Parking
// shortens a string by 6 characters; returning only ever undoes one parking, so a string never
// grows beyond the storage it came with. Each parked record must be returned at most once.
#pragma once

#include <windows.h>
#include <winspool.h>

namespace qv {

struct InstallContext;

// Port lists are edited by whole comma-separated entries: "PDFfile:" or "OldQuintavera:" are other
// ports and never touched.

// Replaces the first entry "Quintavera:" of `ports` by "file:"; false (nothing changed) when there
// is none or `ports` is null.
bool ParkOnFilePort(wchar_t* ports);
// Replaces the first entry "file:" of `ports` by "Quintavera:"; false (nothing changed) when there
// is none or `ports` is null. Only for a string that ParkOnFilePort has shortened.
bool ReturnToProductPort(wchar_t* ports);
// Opens the printer with full access and sets the whole record at level 2, logging
// "SetPrinter(%s) - ok" or "- failed", or "Can't open printer %s"; true when set.
bool ApplyPrinterRecord(InstallContext& ctx, PRINTER_INFO_2W& printer);
// Returns the printer named `name`, parked on "file:" by an earlier run, to the product port (the
// first "file:" of its ports in the snapshot record); true when it leaves "file:" for good:
// returned, gone, or moved off "file:" meanwhile (the last two logged).
bool ReturnPrinterParkedEarlier(InstallContext& ctx, const wchar_t* name);
// Returns every printer listed in the context's monitorPrinters to the product port, in the
// snapshot and in the spooler, then releases the list: no record is returned twice.
void ReturnParkedPrinters(InstallContext& ctx);

}  // namespace qv
