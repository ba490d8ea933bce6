// A simulated machine on which the product is installed and in use: the state an install,
// reinstall or uninstall most often meets.
#pragma once

#include "sim_windows.h"

namespace qv::sim {

// Monitor "Quintavera:" registered with its DLL (build 2629) held by the running spooler; the
// driver "Quintavera printer" in the driver store; the product printer "Quintavera" (the default
// printer, with a "SubKey" and a per-user key marked "deleted") beside a printer of another maker;
// the tray program running and registered at log-on; a product file queued for deletion at
// reboot. The package of build 2629 lies beside the installer (Scenario::StagePackage's layout).
void MakeInstalledMachine(SimWindows& sim);

}  // namespace qv::sim
