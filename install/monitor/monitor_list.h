// MonitorList: the installed port monitors as the spooler lists them, and the product's among them.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

struct MonitorList {
  GlobalBlock entries;  // the records followed by their strings, as EnumMonitorsW writes them
  DWORD level = 2;      // 1 (MONITOR_INFO_1) or 2 (MONITOR_INFO_2)
  DWORD count = 0;

  // The record's name, or null (no name, or an index outside the list or the level).
  const wchar_t* NameAt(DWORD index) const;
};

// Lists the installed monitors at level 2; an empty list after any failure, with its numbered line.
MonitorList& EnumerateMonitors(MonitorList& list, InstallContext& ctx);
// The 0-based index of the first monitor named exactly "Quintavera:", or -1.
int FindProductMonitor(const MonitorList& list);
// Writes the names of the listed monitors between a header and a closing line.
void LogMonitorList(InstallContext& ctx, const MonitorList& list);

}  // namespace qv
