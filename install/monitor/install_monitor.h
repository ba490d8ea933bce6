// InstallMonitor: deploys and registers the product's port monitor during a reinstall, and puts
// the printers that the monitor removal parked on "file:" back on its port.
#pragma once

namespace qv {

struct InstallContext;

// Copies monitorFile into the system directory while copyMonitor is set (once more with the
// spooler stopped when the old file is locked), registers "Quintavera:" with up to 5 attempts
// 50 ms apart (error 11 after the last), then returns the printers listed in monitorPrinters to
// the product port in the snapshot and in the spooler. Runs at most once per reinstall.
void InstallMonitor(InstallContext& ctx);

// Once the monitor DLL stands in the system directory (copied or kept), takes a deletion of it
// queued for the restart out of the queue: the registered monitor needs it after the restart.
void KeepMonitorFileAtRestart(InstallContext& ctx);

}  // namespace qv
