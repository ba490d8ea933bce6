// The printer's "SubKey": the name of its settings key below the product's per-user key, which
// the installer carries over to the re-created printer when the product is updated.
#pragma once

#include <windows.h>

namespace orbui {

// Gives the printer a new unique "SubKey" (REG_SZ) unless it has one already, plain or under
// "DsUser"; an existing one is never replaced. True when the printer has a "SubKey" afterwards.
bool EnsurePrinterSubKey(LPCWSTR printerName);

}  // namespace orbui
