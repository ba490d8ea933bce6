// The installer's exit codes: the caller's only result. Never renumber.
#pragma once

namespace qv {

enum ExitCode : int {
  kInstalled = 1,              // an install command finished without error or pending file
  kUninstalled = 2,            // an uninstall command finished without error or pending file
  kCheckNegative = 3,          // "onChkDrv" or "onInit": the answer is no
  kDefaultPrinterSet = 4,      // "def.set" ran
  kNothingDone = 6,            // no word, an unknown word, or "removetray"
  kErrorsLogged = 100,         // an install or uninstall run wrote an error line
  kRebootNeeded = 101,         // no error line, but files are left for deletion at reboot
  kDefaultNotProduct = 102,    // "onInit": the default printer is not a product printer
  kDriverCurrent = 103,        // "onChkDrv": the product driver is recent enough
  kProductFilesPending = 200,  // "onInit": product files wait in the reboot queue
};

}  // namespace qv
