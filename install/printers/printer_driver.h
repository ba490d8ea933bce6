// The product's printer driver "Quintavera printer": adding it from the staged driver files and
// deleting it with all its files.
#pragma once

#include "printers/driver_list.h"

namespace qv {

struct InstallContext;

// Stages the driver DLL, the user-interface DLL and the help file into the driver directory, adds
// the driver for the context's environment (level 6, all files copied into the spooler's store)
// and deletes the staged copies; copies that cannot be deleted go to `pendingDeletes`. A missing
// driver or user-interface DLL adds nothing; a missing help file leaves the driver without help.
// Without a driver directory nothing is staged or added.
void InstallDriver(InstallContext& ctx);

// Lists `drivers` (as EnumerateDrivers gave them for the context's environment) into the log and
// deletes the product driver with all its files; a refused deletion gets one spooler restart and
// one retry. The caller keeps the list.
void RemoveDriver(InstallContext& ctx, const DriverList& drivers);

}  // namespace qv
