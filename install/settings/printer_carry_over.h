// The product printers over a reinstall: their settings saved before they are deleted, and the
// printers re-created with them.
#pragma once

namespace qv {

struct InstallContext;

// Saves the settings of each product printer of the context's snapshot (a reinstall with those of
// the printer record, which it writes before the first deletion), then deletes them.
void DeleteProductPrinters(InstallContext& ctx);
// Re-creates each saved printer, last saved first, with its "SubKey", comment, location and
// default status; adds one "Quintavera" when none could be re-created.
void RestorePrinterSettings(InstallContext& ctx);

}  // namespace qv
