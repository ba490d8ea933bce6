// The setup package's questions about the default printer and the installed driver, and its
// request to make the product printer the default. No context, no log.
#pragma once

namespace qv {

// Build of the product driver file from which the installed driver counts as current.
constexpr int kMinimumDriverBuild = 2605;

// True unless the default printer can be read and opened and uses the product driver.
bool CheckDefaultPrinter();
// True when the first product printer's driver file has build kMinimumDriverBuild or higher.
bool CheckInstalledDriver();
// Makes the first product printer the user's default printer; does nothing when there is none.
void SetProductPrinterDefault();

}  // namespace qv
