// PrinterList: the machine's printers (local printers and connections) as PRINTER_INFO_2
// records in one spooler block, and the run's snapshot of them.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

struct PrinterList {
  GlobalBlock block;  // the records followed by their strings; empty when nothing is listed
  DWORD count = 0;

  PRINTER_INFO_2W* entries() const { return static_cast<PRINTER_INFO_2W*>(block.Get()); }
};

// A printer whose driver name is exactly the product driver's.
bool IsProductPrinter(const PRINTER_INFO_2W& printer);

// Fills `list` (released first) with every local printer and connection at level 2; empty on
// failure. Writes no log line.
void EnumeratePrinters(PrinterList& list);
void ReleasePrinterList(PrinterList& list);
// The default printer's name, asked up to three times; empty when there is none, or it cannot be
// learnt (a default mark lost would be lost for good once the printer is re-created).
std::wstring DefaultPrinterName();
// Fills the context's snapshot and marks the default printer's records with
// PRINTER_ATTRIBUTE_DEFAULT (in the snapshot only).
void TakePrinterSnapshot(InstallContext& ctx);

}  // namespace qv
