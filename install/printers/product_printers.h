// The product printers: querying one, deleting one, and adding one on the product's port.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

// An open printer's PRINTER_INFO_2 in an owned block; `info` is empty when the query failed.
struct PrinterInfoBlock {
  GlobalBlock info;
  DWORD size = 0;  // bytes the spooler asked for

  PRINTER_INFO_2W* Record() const { return static_cast<PRINTER_INFO_2W*>(info.Get()); }
};

PrinterInfoBlock QueryPrinterInfo(HANDLE printer);

// Opens the printer with delete rights, purges and deletes it; logs the outcome (errors 16, 17).
void DeletePrinterByName(InstallContext& ctx, const wchar_t* name);
// Drops the printer's jobs and deletes it; nonzero when deleted.
BOOL PurgeAndDeletePrinter(HANDLE printer);
// Logs whether the product's port monitor is there, then adds the printer `name` with the product
// driver on the port "Quintavera:". Returns its handle, or an empty one (error 15).
ScopedPrinter AddProductPrinter(InstallContext& ctx, const wchar_t* name);

}  // namespace qv
