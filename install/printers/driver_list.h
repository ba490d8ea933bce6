// DriverList: the installed printer drivers of one environment, and the product's among them.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "os/scoped_handles.h"

namespace qv {

struct DriverList {
  GlobalBlock entries;  // the records followed by their strings
  DWORD level = 6;      // DRIVER_INFO_1 to DRIVER_INFO_6
  DWORD count = 0;

  // The record's driver name, or null (no name, or an index outside the list or the level).
  const wchar_t* NameAt(DWORD index) const;
};

// Lists the drivers of `environment` at level 6; empty when there are none or on failure.
// Writes no log line.
DriverList EnumerateDrivers(const wchar_t* environment);
// The 0-based index of the first driver named exactly "Quintavera printer", or -1.
int FindProductDriver(const DriverList& list);
// The printer's DRIVER_INFO_2 in an owned block, or an empty block.
GlobalBlock QueryPrinterDriver(HANDLE printer);

}  // namespace qv
