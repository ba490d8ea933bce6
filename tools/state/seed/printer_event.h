// What Windows' spooler does when a printer with the product driver is added: it tells the
// driver's user-interface DLL (the driver's configuration file) of the new printer.
#pragma once

#include <windows.h>

namespace qvseed {

// Loads the configuration file of the printer's installed driver and calls its DrvPrinterEvent
// with PRINTER_EVENT_INITIALIZE. False when the DLL cannot be found or loaded, or the event fails.
bool SendInitializeEvent(LPWSTR printerName);

}  // namespace qvseed
