// The product printers kept over a removal that may be rolled back: taken before "uninstall" in
// the bytes of the installer's printer record, and put back as that record, from which the
// rollback's "install" re-creates them with their comments, locations, "SubKey" and default mark.
#pragma once

#include <windows.h>

#include <vector>

namespace qvmsi {

// The product printers on the machine now as a printer record (empty when there is none, or the
// spooler lists none). False when the record cannot be made.
bool ProductPrintersRecord(std::vector<BYTE>& bytes);

// Puts `bytes` in place as the installer's printer record, flushed. A record that is there wins
// (an interrupted run's, which the next install takes over): it is left as it is.
bool PlacePrinterRecord(const std::vector<BYTE>& bytes);

}  // namespace qvmsi
