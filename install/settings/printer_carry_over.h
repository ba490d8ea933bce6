// The product printers over a reinstall: their settings saved before they are deleted, and the
// printers re-created with them.
#pragma once

namespace qv {

struct InstallContext;

// Saves the settings of each product printer of the context's snapshot, then deletes them. A
// reinstall adds the printers of the record read before (a printer on the machine winning over
// the entry of its name or "SubKey") and writes the record before the first deletion; a product
// printer whose settings it cannot read it keeps as it is (error 26).
void DeleteProductPrinters(InstallContext& ctx);
// Re-creates each saved printer, last saved first, with its comment, location, default status
// and "SubKey"; one not back whole is error 15 or 21. Adds one "Quintavera" when there was none to
// re-create. Returns the record's parked printers to the product port, then rewrites the record
// with the printers not back whole and those still parked, or removes it when nothing is left.
void RestorePrinterSettings(InstallContext& ctx);

}  // namespace qv
