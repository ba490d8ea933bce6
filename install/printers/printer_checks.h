// The setup package's questions about the default printer and the installed driver, and its
// request to make the product printer the default. No context, no log.
#pragma once

namespace qv {

// Build of the product driver file from which the installed driver counts as current.
constexpr int kMinimumDriverBuild = 2605;

// True unless the default printer of the run's account can be read and opened and uses the
// product driver.
bool CheckDefaultPrinter();
// True when the first product printer's driver file has build kMinimumDriverBuild or higher.
bool CheckInstalledDriver();
// Makes the first product printer the default printer of the run's account; does nothing when
// there is none.
void SetProductPrinterDefault();
// Asks that the first product printer become each person's default at their next log-on (see
// tray/people_default.h); does nothing when there is none.
void RequestProductPrinterDefaultForPeople();
// True when the request for people stands and names a product printer that is still there.
bool ProductPrinterRequestedForPeople();

}  // namespace qv
