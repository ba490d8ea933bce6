// RemoveMonitor: takes the product's port monitor out of the spooler and deletes its DLL, or,
// during a reinstall, leaves a monitor of a compatible build in place.
#pragma once

#include <cstdint>

#include "context/product.h"
#include "monitor/monitor_list.h"

namespace qv {

struct InstallContext;

// Builds from 2605 to 2629 are compatible with this installer.
constexpr int32_t kFirstCompatibleBuild = 2605;

// The DLL of `build` can stay in place (one unsigned comparison: -1 is never compatible).
constexpr bool IsCompatibleBuild(int32_t build) {
  return static_cast<uint32_t>(build) - static_cast<uint32_t>(kFirstCompatibleBuild) <=
         static_cast<uint32_t>(buildNumber - kFirstCompatibleBuild);
}

// Deletes the monitor "Quintavera:" of `monitors` (the caller's fresh list, which it frees),
// parking the printers of its port on "file:" (listed in monitorPrinters) and restarting the
// spooler when the spooler refuses; error 12 after the third refusal, and the parked printers go
// back to the port of the monitor that stays. Once the monitor is gone its DLL is deleted, or
// added to pendingDeletes when it is held. During a reinstall a DLL of a compatible build is kept
// instead, clearing installMonitor (monitor registered) or copyMonitor.
void RemoveMonitor(InstallContext& ctx, const MonitorList& monitors);

// DeleteMonitorW for "Quintavera:" in `environment` on the local server; true when it returned 1.
// Logs nothing.
bool DeleteProductMonitor(const wchar_t* environment);

}  // namespace qv
